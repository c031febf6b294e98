// What each incoming chat frame does, in the order the frames were sent.
#pragma once

#include "core/chat/DecodeurTrames.h"
#include "core/chat/Trame.h"

#include <QObject>
#include <QSet>

#include <deque>
#include <functional>

class Interface;
class Popup;
class VueConversation;
class SocketsChat;
class Sons;
class Transfert;
struct Session;

class ArriveeDonnees : public QObject {
    Q_OBJECT
public:
    // Past this many waiting frames, nothing more is read from the contact until they are handled.
    static constexpr qsizetype LimiteFile = 256;

    ArriveeDonnees(Interface& interface, SocketsChat& sockets, Session& session, Popup& popup, Sons& sons,
                   VueConversation& vue, Transfert& transfert, const QString& dossExec);

    // The frames of one read. They are handled later, in order and in slices: never inside the
    // socket's own signal (a box shown there could outlive the socket), never freezing the window.
    void Traiter(const QList<Trame::TrameRecue>& trames);
    // A reaction that must come after the frames received before it: a close, an error.
    void Apres(std::function<void()> reaction);
    // Handles everything waiting, now, unless a frame's box is open.
    void ToutTraiter();
    // Drops what waits: the conversation it came from is over.
    void Abandonner();
    qsizetype EnAttente() const { return qsizetype(m_file.size()); }

signals:
    // Every frame, after its handler ran.
    void trameTraitee(const Trame::TrameRecue& trame);
    // A message came while the main window is not in front: it flashes until activated.
    void clignoter();

private:
    struct Evenement {
        Trame::TrameRecue trame;
        std::function<void()> reaction;
        quint64 episode = 0;
        // An offer read while another was asked or waiting to be.
        bool pendantUneQuestion = false;
    };

    void Planifier();
    void Continuer();
    // Runs the first waiting event; what it needs is taken out of the queue first, since a box
    // it opens lets more frames arrive meanwhile.
    void Suivant();
    void ReglerLecture();
    void Une(const Trame::TrameRecue& trame);
    void RecuLog(const QString& pseudo);
    void RecuTexte(int police, int couleur, int style, const QString& texte);
    void RecuStatut(bool absent);
    void RecuFrappe(bool ecrit);

    Interface& m_interface;
    SocketsChat& m_sockets;
    Session& m_session;
    Popup& m_popup;
    Sons& m_sons;
    VueConversation& m_vue;
    Transfert& m_transfert;
    const QString m_dossExec;
    // Its signals run the handlers above, at once, inside Une.
    DecodeurTrames m_decodeur;
    std::deque<Evenement> m_file;
    // Frames that open a box, waiting or being handled: the same box is not queued twice.
    QSet<QByteArray> m_boites;
    bool m_enCours = false;
    bool m_planifie = false;
    // The offer being decoded came while another was asked or waiting.
    bool m_offrePendantQuestion = false;
    int m_offresEnAttente = 0;
};

// "Dernier message reçu le 06/12/2026 à 21:15."
QString TexteDernierMessage(const QDateTime& quand);

// Offering, accepting, refusing, cancelling and opening files, and the transfer window that shows
// one transfer: the core channel moves the bytes, this side asks the user and shows where it stands.
#pragma once

#include "core/transfer/TravailTransfert.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class CanalFichier;
class Dialogues;
class EnvoiTrames;
class Interface;
class Popup;
class Shell;
class SocketsChat;
class Sons;
class VueConversation;
struct Session;

class Transfert : public QObject {
    Q_OBJECT
public:
    struct Services {
        Dialogues& dialogues;
        Shell& shell;
        Sons& sons;
        Popup& popup;
        // The program folder, where the sounds lie.
        QString dossExec;
    };

    Transfert(Interface& interface, VueConversation& vue, const SocketsChat& sockets, EnvoiTrames& envoi,
              CanalFichier& canal, Session& session, const Services& services);

    // Command 8: offer a file to the contact.
    void OffrirFichier();
    // The same from the choice of a file on: a file dropped on the window, a screen capture.
    void Offrir(const QString& chemin);
    // A screen capture: offered as a file, unless a transfer runs (its window's name and file must
    // not change under it).
    void OffrirCapture(const QString& chemin);
    // Files dropped on the main window: exactly one file is offered; anything else is explained.
    void Deposer(const QStringList& chemins);
    // Command 100: open the file of the last transfer that ended well.
    void OuvrirFichier();
    // Command 101: cancel the transfer (and tell the contact), or close the window once it ended.
    void Annuler();

    // "[DEM]": the contact offers a file (taille -1 for an absurd size). pendantUneQuestion: it
    // came while a box about an offer was open, and is refused without one.
    void RecuOffre(const QString& nom, qint64 taille, bool pendantUneQuestion = false);
    // A box about an offer is open: offers that come meanwhile get no box of their own.
    bool QuestionOuverte() const { return m_questionOuverte; }
    // "[RPS]": the answer to our offer.
    void RecuReponse(bool oui);
    // "[ANN]": the contact cancelled.
    void RecuAnnulation();

protected:
    bool eventFilter(QObject* objet, QEvent* event) override;

signals:
    // A transfer ended while the main window is not in front: it flashes until activated.
    void clignoter();

private:
    enum class Sens { Envoi, Reception };

    bool PeutCommencer();
    // The checks of command 8 before a file is chosen: connected, no transfer running, no
    // earlier window left open.
    bool PretAOffrir();
    // The window of an earlier transfer is still shown: asks whether to close it (the question
    // ends with suite) and closes it on yes; false on no.
    bool FermerFenetreOuverte(const QString& suite);
    void Refuser(const QString& nom, const QString& pourquoi = QString());
    // The answer no without a box, said once until the next question or transfer.
    void RefuserSansQuestion();
    void Accepter(const QString& nom, const QString& nomFinal, qint64 taille);
    void Preparer(Sens sens, qint64 total);
    void Afficher();
    void Progression(qint64 fait, qint64 total);
    void Debit();
    void Fin(IssueTransfert issue, RaisonEchec raison = RaisonEchec::ConnexionImpossible);
    void Avertir(bool annule);
    void DefilerNom();
    QString Volume(qint64 fait) const;

    Interface& m_interface;
    VueConversation& m_vue;
    const SocketsChat& m_sockets;
    EnvoiTrames& m_envoi;
    CanalFichier& m_canal;
    Session& m_session;
    Services m_services;

    // The name shown to the user and the whole path on this machine (the file sent, or received).
    QString m_nomDuFich;
    QString m_nomFich;
    // Receiver: the name it was saved under, when a file of the shown name was there already.
    QString m_nomEnregistre;
    bool m_questionOuverte = false;
    bool m_refusSignale = false;
    // The box saying that a transfer runs is shown for the first offer of a transfer only.
    bool m_dejaEnCoursSignale = false;
    qint64 m_tailleFichEnv = 0;
    qint64 m_total = 0;
    qint64 m_fait = 0;
    Sens m_sens = Sens::Envoi;
    // The rate is timed on a monotonic clock, so it stays right when the interface is busy.
    QElapsedTimer m_montre;
    QTimer m_minuterieDebit;
    QTimer m_defilement;
    int m_deplacement = 0;
    bool m_retour = false;
};

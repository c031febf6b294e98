// The chat sockets (port 60000) and the connection state.
#pragma once

#include "core/chat/Trame.h"
#include "core/security/Identite.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QSslSocket;
class QTcpServer;
class Taches;
class QTcpSocket;

// Only Connecte counts as connected.
enum class EtatConnexion { Deconnecte, Ecoute, Recherche, EnConnexion, Connecte, Erreur };

class SocketsChat : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 PortChat = 60000;
    // Bounds on what a contact can make us hold.
    static constexpr qint64 TailleLecture = 64 * 1024;
    static constexpr qint64 TailleMaxEnvoi = 4 * 1024 * 1024;
    static constexpr qint64 TailleMaxReste = 1024 * 1024;

    // adresseLocale: where to listen and, when not Any, where outgoing sockets bind,
    // so that the callee connects back to this very copy.
    explicit SocketsChat(const QHostAddress& adresseLocale, QObject* parent = nullptr);
    ~SocketsChat() override;

    EtatConnexion Etat() const { return m_etat; }
    // Sets the state and reports its status text.
    void ReglEtat(EtatConnexion etat);
    static QString TexteEtat(EtatConnexion etat);

    // Recreates W_Serveur and W_Client (closing the ones they replace), Deconnecte, listens:
    // Ecoute on success, false and Deconnecte on failure.
    bool Ecouter();

    // Who asks for a connection: the user's connect command, or the accept of a caller.
    enum class Origine { Commande, Retour };

    // Starts connecting W_Client to the contact's port 60000 (ChercheAdresse first).
    // Commande: a name that cannot be resolved, or address 0, ends in erreur(), and an attempt
    // still under way is dropped for the new one. Retour: a failed name leaves the state at Recherche
    // and nothing is connected; an attempt already under way is kept, as it goes to the same
    // contact (both sides may have called each other at once).
    void Connecter(const QString& adresse, Origine origine);

    // The contact's address from a text: a dotted IPv4 address at once; otherwise the state
    // becomes 4 and the name is looked up without blocking. suite gets the first IPv4 address
    // found, or a null address; it is not called when a newer connect or a disconnect came first.
    void ChercheAdresse(const QString& IP, std::function<void(const QHostAddress&)> suite);

    // One frame on W_Client; dropped when it is not connected. A contact that stops reading
    // while more than TailleMaxEnvoi waits ends the conversation through erreur().
    void Envoyer(const QByteArray& trame);

    // While suspended, nothing more is read from W_Serveur: Qt's bounded buffer, then the
    // kernel's and TCP's flow control hold the contact back. Resuming reads later, never
    // from inside the caller.
    void SuspendreLecture(bool suspendre);
    bool LectureSuspendue() const { return m_lectureSuspendue; }
    // Reads what the contact sent before it left (at most TailleMaxReste), so that it is
    // handled before the close.
    void LireReste();

    // Encryption. With an identity, each connection can leave clear text for TLS 1.3 once, at a
    // marker: the writer sends "[OVT]" and writes nothing more; the reader, having read nothing
    // past it, answers "[OVT]" on the same connection and becomes the TLS server; the writer,
    // having read nothing but that answer, becomes the TLS client. No frame is read twice or lost:
    // every byte before the marker is clear, every byte after it is encrypted. Without an
    // identity, "[OVT]" is an unknown frame.
    void ReglerIdentite(const std::optional<Identite>& identite);
    // While held, our frames wait here, in order (a held contact that cannot take them all ends the
    // conversation as Envoyer does).
    void Retenir(bool retenir);
    bool Retenue() const { return m_retenir; }
    // Our connection switches: the marker now, TLS once the contact has answered it.
    void Chiffrer();
    // Both connections run in TLS, with the same key of the contact.
    bool Chiffree() const { return m_ecriture == Passage::Chiffre && m_lecture == Passage::Chiffre; }
    // The SHA-256 of the certificate the contact showed in this conversation; empty before.
    const QByteArray& EmpreinteContact() const { return m_empreinte; }
    // How long the switch may take, from the first marker to both connections encrypted.
    static constexpr std::chrono::seconds DelaiChiffrement{10};

    // Counts the conversations: a close or an error belongs to the one it was reported in.
    quint64 Episode() const { return m_episode; }
    // The contact of this conversation has closed or broken it (reported, not yet handled).
    bool ContactParti() const { return m_finSignalee; }

    void FermerClient();
    void FermerServeur();

    // The caller's address of the accepted chat connection, as dotted text.
    QString AdresseAppelant() const { return m_adresseAppelant; }
    // The contact's address while our connection to it is up; null otherwise.
    QHostAddress AdresseContact() const;
    bool EcouteActive() const;

signals:
    void etatChange(EtatConnexion etat, const QString& texte);
    // A caller was accepted on W_Serveur and the listener is closed.
    void appelAccepte(const QString& adresse);
    // W_Client has connected.
    void connexionEtablie();
    // Bytes read on W_Serveur: the frames this read completed, in order.
    void tramesRecues(const QList<Trame::TrameRecue>& trames);
    // The contact closed either chat connection, even only its sending side. At most one
    // fermeture or erreur per conversation (Episode()).
    void fermeture();
    // Any chat-socket event with an error code, a connection reset included.
    void erreur();
    // The first connection of the conversation is encrypted: the key the contact showed (the
    // second must show the same, or the conversation ends in erreur()).
    void cleContact(const QByteArray& empreinte);
    // Both connections are encrypted.
    void chiffree();

private:
    QTcpSocket* NouveauClient();
    void BrancherServeur(QTcpSocket* socket);
    void LireServeur(QTcpSocket* socket);
    void SurAppel();
    void SurErreurSocket(QTcpSocket* socket, int code);
    void DemarrerConnexion(const QHostAddress& adresse, Origine origine);
    void SurFermeture(QTcpSocket* socket);
    void Signaler(bool erreur);
    void ChercheParSysteme(const QString& IP, quint64 generation,
                           std::function<void(const QHostAddress&)> suite);
    void Ecrire(const QByteArray& trame);
    void Vider();
    void LireReponse(QSslSocket* client);
    void PasserLecture(QSslSocket* socket);
    void SurChiffre(QSslSocket* socket);
    void ArmerDelai();

    // Where each connection is in its switch to TLS.
    enum class Passage { Clair, Marque, Negociation, Chiffre };

    QHostAddress m_adresseLocale;
    EtatConnexion m_etat = EtatConnexion::Deconnecte;
    // W_Serveur is the listener W_ServeurEcoute until a caller comes, then the accepted connection.
    QPointer<QTcpServer> W_ServeurEcoute;
    QPointer<QTcpSocket> W_Serveur;
    QPointer<QTcpSocket> W_Client;
    Trame::LecteurTrames m_lecteur;
    QString m_adresseAppelant;
    // A newer connect or a disconnect makes the answer of an older lookup stale.
    quint64 m_generation = 0;
    quint64 m_episode = 0;
    bool m_finSignalee = false;
    bool m_lectureSuspendue = false;
    bool m_lecturePlanifiee = false;
    // Names of the local network (".local") are asked of the mDNS daemon on a worker thread.
    std::unique_ptr<Taches> m_taches;

    std::optional<QSslConfiguration> m_tls;
    Passage m_ecriture = Passage::Clair;
    Passage m_lecture = Passage::Clair;
    // What the writer has read of the contact's answer.
    QByteArray m_reponse;
    bool m_retenir = false;
    QList<QByteArray> m_retenues;
    qint64 m_tailleRetenue = 0;
    QByteArray m_empreinte;
    QTimer m_delai;
};

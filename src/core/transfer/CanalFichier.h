// The file port of one transfer: who may connect, the two workers, and how the transfer ended.
#pragma once

#include "core/transfer/FluxVerifie.h"
#include "core/transfer/Lot.h"
#include "core/transfer/Reception.h"
#include "core/transfer/TravailTransfert.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class FichierRecu;
class QTcpServer;
class QTcpSocket;

// The receiver connects to the sender's port first (that connection carries nothing); then the
// sender connects to the receiver's port and streams the file's raw bytes, nothing else. A caller
// is accepted only from the contact's address while a transfer expects it; any other is closed
// at once, unread.
// A copy of ours also checks this port once per conversation (SondePort): a connection that
// closes at once. It must never take a transfer's place, and no bytes could tell it apart (the
// empty connection carries none, a stream any), so its place in time does: the contact starts it
// as soon as it has read our handshake, before it acts on any later frame of ours that makes it
// connect here (our offer, our yes), so its check is its first connection since our handshake.
// And a sender holds two connections of the contact, not one: a check that came before we read
// the contact's handshake still leaves room for the empty connection.
class CanalFichier : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 PortFichier = 60001;
    static constexpr int DelaiParDefautMs = 30000;
    // A stream broken by the contact is reported as failed only when its cancel does not follow
    // within this time: its reset may outrun the "[ANN]" it sent first on the chat connection.
    static constexpr int DelaiAnnulationMs = 1500;

    // delaiMs: how long a peer may take to connect, or a stream may stall.
    CanalFichier(const QHostAddress& adresseLocale, quint16 port = PortFichier,
                 int delaiMs = DelaiParDefautMs, QObject* parent = nullptr);
    ~CanalFichier() override;

    // Listens on the port (again); false when it cannot be bound. Every reset of the channel
    // tries again while it does not listen.
    bool Ecouter();
    bool EcouteActive() const;
    // A transfer is expected or running, or its stream broke and the contact's cancel may still
    // come (an offer waiting for its answer does not count).
    bool EnCours() const;

    // The calls below return false, and do nothing, while a transfer is under way or for a
    // negative size; every other outcome is a signal, never emitted from inside the call.

    // Sender, once the offer is out: the contact's empty connection will be accepted.
    bool Proposer(const QHostAddress& contact);
    // Sender, on the contact's yes: streams the first taille bytes of chemin. options: what the
    // stream carries besides, as both sides announced.
    bool Envoyer(const QHostAddress& contact, const QString& chemin, qint64 taille, OptionsFlux options = {});
    // Receiver, before answering yes: connects to the contact's port and waits for its stream,
    // written to dossier/nomFinal (a plain name that must still be free at the end). relie()
    // tells when the yes may go. Resuming, origine ties what is kept of a broken transfer to it.
    bool Recevoir(const QHostAddress& contact, const QString& dossier, const QString& nomFinal, qint64 taille,
                  OptionsFlux options = {}, OrigineFichier origine = {});
    // The same for a batch (files and folders): always resumable and verified, as both sides
    // announced it, and in TLS with tls. Its top entries take their places in dossier once it is whole.
    bool EnvoyerLot(const QHostAddress& contact, std::shared_ptr<const Lot::Source> lot,
                    std::shared_ptr<const ParametresTls> tls = {});
    bool RecevoirLot(const QHostAddress& contact, const QString& dossier, int fichiers, qint64 taille,
                     OrigineFichier origine, std::shared_ptr<const ParametresTls> tls = {});
    // Ends the transfer on this side (partial file removed) and reports annule(); nothing else
    // while no transfer runs. Never waits for a worker: one that is busy (a slow disk) is stopped
    // and ends by itself.
    void Annuler();
    // The contact's "[ANN]": ends the transfer under way as cancelled and returns true; false,
    // and nothing done, when there is none. What a resumable reception holds is kept, unless the
    // contact said the cancel is wanted (voulue).
    bool AnnulationDuContact(bool voulue = false);
    // Ends the transfer under way without a word, keeping what a resumable reception holds: a
    // new offer of the same file takes its place.
    void Liberer();

    // A conversation with contact starts: our handshake is going out. Its connections are counted
    // from now on, whatever the transfers do.
    void NouveauContact(const QHostAddress& contact);
    // The contact said it checks this port: its first connection since NouveauContact is that
    // check and is closed unread; when one came already, it was.
    void SondeAttendue();
    // The contact's check failed: nothing of it will come.
    void SondeManquee();

signals:
    // Receiver: our empty connection has reached the contact, so its stream can follow our yes.
    void relie();
    // At most about 20 a second, and once at the end of the bytes.
    void progression(qint64 fait, qint64 total);
    // Resuming: the receiver already held the first depuis bytes; progress goes on from there.
    void reprise(qint64 depuis);
    // A batch: the file under way, and each top entry once in its place.
    void fichierCourant(const QString& chemin);
    void place(const QString& chemin);
    void termine();
    void annule();
    void echec(RaisonEchec raison);

private:
    enum class Etape { Libre, Proposition, AttenteEmetteur, Reception, Envoi };

    void SurAppel(int fd);
    // Receiver: our empty connection to the contact, then the wait for its stream.
    void Relier(const QHostAddress& contact);
    void Demarrer(TravailTransfert* travail);
    // Closes everything of the transfer, then reports issue from the event loop.
    void Finir(IssueTransfert issue, RaisonEchec raison = RaisonEchec::ConnexionImpossible);
    void Signaler(IssueTransfert issue, RaisonEchec raison);
    // garder: a resumable file being received is kept for the next try.
    void Reinitialiser(bool garder = false);

    const QHostAddress m_adresseLocale;
    const quint16 m_port;
    const int m_delaiMs;
    QTcpServer* m_ecoute;
    bool m_ecouteVoulue = false;
    Etape m_etape = Etape::Libre;
    QHostAddress m_contact;
    qint64 m_taille = 0;
    OptionsFlux m_options;
    OrigineFichier m_origine;
    // Receiver: the folder, and the resumable file its worker opened there (known until the
    // contact's cancel of a broken stream may still come).
    QString m_dossier;
    QString m_partiel;
    // Receiver of a batch: how many files it announced (-1: a single file).
    int m_fichiersLot = -1;
    // Sender: the contact's empty connection, held until the end, and maybe its check.
    static constexpr std::size_t AppelsTenusMax = 2;
    std::vector<int> m_appelsContact;
    // The contact of the conversation: whether it has connected since, and whether its check
    // is still to come.
    QHostAddress m_contactConversation;
    bool m_appelVu = false;
    bool m_sondeAttendue = false;
    // Receiver: our empty connection to the contact, and the file until its worker takes it.
    QPointer<QTcpSocket> m_connexionVide;
    std::unique_ptr<FichierRecu> m_fichier;
    QTimer m_delai;
    std::unique_ptr<TravailTransfert> m_travail;
    // Stopped workers not yet ended; deleted once they have.
    std::vector<std::unique_ptr<TravailTransfert>> m_arretes;
    // A stream the contact broke, reported when its cancel has not come in time.
    std::optional<RaisonEchec> m_echecRetenu;
    QTimer m_attenteAnnulation;
    // Reports queued by a worker that has since been replaced are dropped.
    quint64 m_generation = 0;
};

// What the two transfer workers share: how a transfer ends, the cancel, the waits on sockets.
#pragma once

#include "core/security/SessionTls.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QThread>

#include <atomic>
#include <memory>
#include <optional>

#include <sys/socket.h>

// Why a transfer failed on this side; the window side words it.
enum class RaisonEchec {
    ConnexionImpossible, // our connection to the contact's port failed
    DelaiDepasse,        // the contact did not connect, or the stream stalled, for too long
    FluxInterrompu,      // the stream closed before every announced byte came
    ConnexionCoupee,     // the receiver closed or reset the stream while we sent
    OuvertureImpossible, // the file to send cannot be opened
    LectureImpossible,   // the file to send cannot be read whole (shrunk, I/O error)
    CreationImpossible,  // no new file can be made in the received-files folder
    EcritureImpossible,  // disk full, folder removed, file-size limit...
    NomPris,             // the final name appeared while the file came
    Endommage,           // the file that came differs from the one sent (its SHA-256): nothing kept
    LotInvalide,         // a batch's list breaks the bounds or does not match its offer
    CleRefusee,          // encrypted: the handshake failed, or the contact's key is not the expected one
};

enum class IssueTransfert { Termine, Annule, Echec };

// The cancel asked by the GUI thread: a flag for the checks, an eventfd that wakes a wait.
class ArretTransfert {
public:
    ArretTransfert();
    ~ArretTransfert();
    ArretTransfert(const ArretTransfert&) = delete;
    ArretTransfert& operator=(const ArretTransfert&) = delete;

    void Demander();
    bool Demande() const { return m_demande.load(std::memory_order_acquire); }
    int Descripteur() const { return m_fd; }

private:
    std::atomic<bool> m_demande{false};
    int m_fd;
};

enum class Attente { Pret, Arret, Delai };

// Waits until fd reports events (or an error), the cancel is asked or delaiMs pass (-1: none).
Attente Attendre(int fd, short events, const ArretTransfert& arret, int delaiMs);

// brutal: a reset rather than an orderly close, so that the peer learns the transfer failed.
void FermerSocket(int fd, bool brutal);

// The peer of a connected socket, null when unknown.
QHostAddress AdresseDistante(int fd);
// A local address to bind outgoing connections to, so that the contact knows us by it (not "any").
bool AdresseLiee(const QHostAddress& adresse);
// Fills adresse for a connect or bind; returns its length, 0 when the address is not IP.
socklen_t VersSockaddr(const QHostAddress& ip, quint16 port, sockaddr_storage& adresse);

// One worker on its own thread: blocking I/O in large blocks, progress at most every 50 ms.
class TravailTransfert : public QThread {
    Q_OBJECT
public:
    static constexpr qint64 TailleBloc = 256 * 1024;
    static constexpr qint64 IntervalleProgressionMs = 50;

    using QThread::QThread;

    // GUI thread: the worker stops at once, removes what it wrote (unless garder: a resumable
    // file is kept for the next try) and reports Annule.
    void Arreter(bool garder = false) {
        m_garder.store(garder, std::memory_order_release);
        m_arret.Demander();
    }

signals:
    void progression(qint64 fait, qint64 total);
    // Resuming: the receiver already held the first depuis bytes.
    void reprise(qint64 depuis);
    void fin(IssueTransfert issue, RaisonEchec raison);
    // A batch: the file whose bytes go now (its path in the batch), told with the progress.
    void fichierCourant(const QString& chemin);
    // A batch received: one of its top entries has its final path.
    void place(const QString& chemin);
    // Receiving and resumable: the hidden file (or a batch's folder) the bytes go to, in the
    // received-files folder.
    void partiel(const QByteArray& nom);

protected:
    // Reports progress when the last report is old enough, or at the end; otherwise keeps it.
    void Avancer(qint64 fait, qint64 total);
    // The file of a batch that the next progress report names.
    void Courant(const QString& chemin) { m_courant = chemin; }
    // Attendre on fd; a kept report goes out when due, so that a stalled stream shows where it is.
    Attente AttendreSocket(int fd, short events, int delaiMs);
    // The same as a transfer's outcome: none once fd is ready, Annule on a cancel, Echec with
    // DelaiDepasse when nothing happened in time.
    std::optional<IssueTransfert> AttendrePret(int fd, short events, int delaiMs, RaisonEchec& raison);
    void Finir(IssueTransfert issue, RaisonEchec raison = RaisonEchec::ConnexionImpossible) {
        emit fin(issue, raison);
    }
    // Exactly taille bytes to or from the non-blocking fd; none once done. A close or reset of the
    // peer fails with peerParti.
    std::optional<IssueTransfert> EnvoyerTout(int fd, const char* donnees, qint64 taille, int delaiMs,
                                              RaisonEchec& raison, RaisonEchec peerParti);
    std::optional<IssueTransfert> RecevoirTout(int fd, char* donnees, qint64 taille, int delaiMs,
                                               RaisonEchec& raison, RaisonEchec peerParti);
    // With tls, the stream on fd runs in TLS 1.3 from here on (client: we made the connection), both
    // keys checked: a refusal fails with CleRefusee, a close with peerParti.
    std::optional<IssueTransfert> Chiffrer(int fd, const std::shared_ptr<const ParametresTls>& tls,
                                           bool client, int delaiMs, RaisonEchec& raison,
                                           RaisonEchec peerParti);
    // One ::send (envoi) or ::recv on fd, through TLS once Chiffrer set it: every byte of a stream
    // goes through here.
    ssize_t Transmettre(int fd, char* donnees, qint64 taille, bool envoi);
    // After an EAGAIN of Transmettre: until fd is ready for what it needs.
    std::optional<IssueTransfert> AttendreFlux(int fd, bool envoi, int delaiMs, RaisonEchec& raison);
    // No more bytes from us: in TLS, close_notify after the last one.
    std::optional<IssueTransfert> FinirEnvoi(int fd, int delaiMs, RaisonEchec& raison, RaisonEchec peerParti);
    // Closes fd and forgets it. In TLS an orderly close sends close_notify and reads the peer's
    // first: left unread, it would turn the close into a reset.
    void FermerFlux(int& fd, bool brutal, int delaiMs);

    ArretTransfert m_arret;
    std::atomic<bool> m_garder{false};

private:
    void Rapporter();
    // The loop of both: send (envoi) or recv until taille bytes have gone.
    std::optional<IssueTransfert> Echanger(int fd, char* donnees, qint64 taille, bool envoi, int delaiMs,
                                           RaisonEchec& raison, RaisonEchec peerParti);

    std::unique_ptr<ContexteTls> m_contexteTls;
    std::unique_ptr<SessionTls> m_tls;
    QElapsedTimer m_horloge;
    bool m_rapportGarde = false;
    qint64 m_fait = 0;
    qint64 m_total = 0;
    QString m_courant;
    QString m_courantDit;
};

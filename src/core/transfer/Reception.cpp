#include "core/transfer/Reception.h"

#include <QDateTime>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

Reception::Reception(int socket, std::unique_ptr<FichierRecu> fichier, qint64 taille, int delaiMs,
                     OptionsFlux options, OrigineFichier origine, QObject* parent)
    : TravailTransfert(parent), m_socket(socket), m_fichier(std::move(fichier)), m_taille(taille),
      m_delaiMs(delaiMs), m_options(options), m_origine(std::move(origine)) {
    // Waits go through poll, which also wakes on the cancel.
    ::fcntl(m_socket, F_SETFL, ::fcntl(m_socket, F_GETFL) | O_NONBLOCK);
}

Reception::~Reception() {
    // Only reached after the thread ended, or when it never started.
    FermerSocket(m_socket, true);
}

void Reception::run() {
    RaisonEchec raison = RaisonEchec::FluxInterrompu;
    const IssueTransfert issue = Recevoir(raison);
    if (issue != IssueTransfert::Termine) {
        // What a broken or interrupted resumable transfer holds waits for the next try; a cancel
        // by either user and a file that came different leave nothing.
        const bool garder = m_partiel && raison != RaisonEchec::Endommage &&
                            (issue == IssueTransfert::Echec || m_garder.load(std::memory_order_acquire));
        garder ? m_fichier->Laisser() : m_fichier->Abandonner();
    }
    // A reset tells a sender built like ours that the file did not arrive; its verdict, when it
    // asked for one, has gone before an orderly close.
    FermerFlux(m_socket, issue != IssueTransfert::Termine && raison != RaisonEchec::Endommage, m_delaiMs);
    Finir(issue, raison);
}

std::optional<IssueTransfert> Reception::Depart(qint64& depuis, RaisonEchec& raison) {
    depuis = 0;
    if (!m_options.reprendre) {
        return std::nullopt;
    }
    char empreinte[FluxVerifie::TailleCondensat];
    if (const auto issue = RecevoirTout(m_socket, empreinte, sizeof empreinte, m_delaiMs, raison,
                                        RaisonEchec::FluxInterrompu)) {
        return issue;
    }
    const QByteArray nom = FluxVerifie::NomPartiel(m_origine.expediteur, m_origine.nomOffert, m_taille,
                                                   QByteArray(empreinte, sizeof empreinte));
    const auto tenu = m_fichier->Reprendre(nom, m_taille);
    if (!tenu) {
        raison = RaisonEchec::CreationImpossible;
        return IssueTransfert::Echec;
    }
    m_partiel = true;
    emit partiel(nom);
    depuis = *tenu;
    FluxVerifie::NettoyerPartiels(m_fichier->Dossier(), nom, QDateTime::currentDateTimeUtc());
    const QByteArray octets = FluxVerifie::VersOctets(depuis);
    if (const auto issue = EnvoyerTout(m_socket, octets.constData(), octets.size(), m_delaiMs, raison,
                                       RaisonEchec::FluxInterrompu)) {
        return issue;
    }
    if (depuis > 0) {
        emit reprise(depuis);
    }
    return std::nullopt;
}

IssueTransfert Reception::Recevoir(RaisonEchec& raison) {
    // Nothing of the file is touched before the contact's key is checked.
    if (const auto issue =
            Chiffrer(m_socket, m_options.tls, false, m_delaiMs, raison, RaisonEchec::FluxInterrompu)) {
        return *issue;
    }
    qint64 recu = 0;
    if (const auto issue = Depart(recu, raison)) {
        return *issue;
    }
    const std::unique_ptr<char[]> tampon(new char[TailleBloc]);
    std::optional<Sha256> condensat;
    if (m_options.verifier) {
        condensat.emplace();
        if (!FluxVerifie::HacherDebut(m_fichier->Descripteur(), recu, *condensat, tampon.get(), TailleBloc,
                                      m_arret)) {
            raison = RaisonEchec::EcritureImpossible;
            return m_arret.Demande() ? IssueTransfert::Annule : IssueTransfert::Echec;
        }
    }
    Avancer(recu, m_taille);
    while (recu < m_taille) {
        if (m_arret.Demande()) {
            return IssueTransfert::Annule;
        }
        // Never more than announced: what follows stays unread.
        const ssize_t n = Transmettre(m_socket, tampon.get(), std::min(TailleBloc, m_taille - recu), false);
        if (n > 0) {
            if (!m_fichier->Ecrire(tampon.get(), n)) {
                raison = RaisonEchec::EcritureImpossible;
                return IssueTransfert::Echec;
            }
            if (condensat) {
                condensat->Ajouter(tampon.get(), n);
            }
            recu += n;
            Avancer(recu, m_taille);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (const auto issue = AttendreFlux(m_socket, false, m_delaiMs, raison)) {
                return *issue;
            }
            continue;
        }
        raison = RaisonEchec::FluxInterrompu;
        return IssueTransfert::Echec;
    }
    if (condensat) {
        if (const auto issue = Comparer(*condensat, raison)) {
            return *issue;
        }
    }
    const IssueTransfert issue = Conclure(raison);
    if (issue == IssueTransfert::Termine && m_options.verifier) {
        // The file has its name: the sender may say it arrived.
        const char verdict = FluxVerifie::Verifie;
        EnvoyerTout(m_socket, &verdict, 1, m_delaiMs, raison, RaisonEchec::FluxInterrompu);
    }
    return issue;
}

std::optional<IssueTransfert> Reception::Comparer(Sha256& condensat, RaisonEchec& raison) {
    char attendu[FluxVerifie::TailleCondensat];
    if (const auto issue =
            RecevoirTout(m_socket, attendu, sizeof attendu, m_delaiMs, raison, RaisonEchec::FluxInterrompu)) {
        return issue;
    }
    if (condensat.Resultat() == QByteArray(attendu, sizeof attendu)) {
        return std::nullopt;
    }
    const char verdict = FluxVerifie::Different;
    RaisonEchec ignoree;
    EnvoyerTout(m_socket, &verdict, 1, m_delaiMs, ignoree, RaisonEchec::FluxInterrompu);
    raison = RaisonEchec::Endommage;
    return IssueTransfert::Echec;
}

IssueTransfert Reception::Conclure(RaisonEchec& raison) {
    // Every byte is here; the flush may take long on a slow disk, and a cancel during it still
    // leaves nothing under the name.
    if (m_arret.Demande()) {
        return IssueTransfert::Annule;
    }
    if (!m_fichier->Vider()) {
        raison = RaisonEchec::EcritureImpossible;
        return IssueTransfert::Echec;
    }
    if (m_arret.Demande()) {
        return IssueTransfert::Annule;
    }
    if (const auto echec = m_fichier->Finaliser()) {
        raison = *echec;
        return IssueTransfert::Echec;
    }
    return IssueTransfert::Termine;
}

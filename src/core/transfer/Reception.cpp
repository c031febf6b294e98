#include "core/transfer/Reception.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

Reception::Reception(int socket, std::unique_ptr<FichierRecu> fichier, qint64 taille, int delaiMs,
                     QObject* parent)
    : TravailTransfert(parent), m_socket(socket), m_fichier(std::move(fichier)), m_taille(taille),
      m_delaiMs(delaiMs) {
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
        m_fichier->Abandonner();
    }
    // A reset tells a sender built like ours that the file did not arrive.
    FermerSocket(m_socket, issue != IssueTransfert::Termine);
    m_socket = -1;
    Finir(issue, raison);
}

IssueTransfert Reception::Recevoir(RaisonEchec& raison) {
    const std::unique_ptr<char[]> tampon(new char[TailleBloc]);
    qint64 recu = 0;
    Avancer(0, m_taille);
    while (recu < m_taille) {
        if (m_arret.Demande()) {
            return IssueTransfert::Annule;
        }
        // Never more than announced: what follows stays unread.
        const ssize_t n = ::recv(m_socket, tampon.get(), size_t(std::min(TailleBloc, m_taille - recu)), 0);
        if (n > 0) {
            if (!m_fichier->Ecrire(tampon.get(), n)) {
                raison = RaisonEchec::EcritureImpossible;
                return IssueTransfert::Echec;
            }
            recu += n;
            Avancer(recu, m_taille);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (const auto issue = AttendrePret(m_socket, POLLIN, m_delaiMs, raison)) {
                return *issue;
            }
            continue;
        }
        raison = RaisonEchec::FluxInterrompu;
        return IssueTransfert::Echec;
    }
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

#include "core/transfer/TravailTransfert.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

ArretTransfert::ArretTransfert() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ArretTransfert::~ArretTransfert() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void ArretTransfert::Demander() {
    m_demande.store(true, std::memory_order_release);
    if (m_fd >= 0) {
        const quint64 un = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_fd, &un, sizeof un);
    }
}

Attente Attendre(int fd, short events, const ArretTransfert& arret, int delaiMs) {
    const QDeadlineTimer echeance =
        delaiMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(delaiMs);
    for (;;) {
        if (arret.Demande()) {
            return Attente::Arret;
        }
        pollfd attentes[2] = {{fd, events, 0}, {arret.Descripteur(), POLLIN, 0}};
        int reste = echeance.isForever() ? -1 : int(echeance.remainingTime());
        // Without an eventfd the flag is looked at every 100 ms instead.
        if (arret.Descripteur() < 0 && (reste < 0 || reste > 100)) {
            reste = 100;
        }
        const int n = ::poll(attentes, arret.Descripteur() < 0 ? 1 : 2, reste);
        if (n < 0 && errno != EINTR) {
            return Attente::Pret; // the operation that follows reports the error
        }
        if (attentes[0].revents != 0) {
            return Attente::Pret;
        }
        if (n == 0 && echeance.hasExpired()) {
            return Attente::Delai;
        }
    }
}

void FermerSocket(int fd, bool brutal) {
    if (fd < 0) {
        return;
    }
    if (brutal) {
        const linger l{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
    ::close(fd);
}

QHostAddress AdresseDistante(int fd) {
    sockaddr_storage adresse{};
    socklen_t taille = sizeof adresse;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&adresse), &taille) != 0) {
        return {};
    }
    return QHostAddress(reinterpret_cast<const sockaddr*>(&adresse));
}

bool AdresseLiee(const QHostAddress& adresse) {
    return !adresse.isNull() && adresse != QHostAddress::Any && adresse != QHostAddress::AnyIPv4;
}

socklen_t VersSockaddr(const QHostAddress& ip, quint16 port, sockaddr_storage& adresse) {
    std::memset(&adresse, 0, sizeof adresse);
    bool ok = false;
    const quint32 v4 = ip.toIPv4Address(&ok);
    if (ok) {
        auto* a = reinterpret_cast<sockaddr_in*>(&adresse);
        a->sin_family = AF_INET;
        a->sin_port = htons(port);
        a->sin_addr.s_addr = htonl(v4);
        return sizeof(sockaddr_in);
    }
    if (ip.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&adresse);
        a->sin6_family = AF_INET6;
        a->sin6_port = htons(port);
        const Q_IPV6ADDR v6 = ip.toIPv6Address();
        std::memcpy(&a->sin6_addr, &v6, sizeof v6);
        return sizeof(sockaddr_in6);
    }
    return 0;
}

void TravailTransfert::Avancer(qint64 fait, qint64 total) {
    m_fait = fait;
    m_total = total;
    m_rapportGarde = true;
    if (!m_horloge.isValid() || fait >= total || m_horloge.elapsed() >= IntervalleProgressionMs) {
        Rapporter();
    }
}

void TravailTransfert::Rapporter() {
    m_horloge.start();
    m_rapportGarde = false;
    if (m_courant != m_courantDit) {
        m_courantDit = m_courant;
        emit fichierCourant(m_courant);
    }
    emit progression(m_fait, m_total);
}

Attente TravailTransfert::AttendreSocket(int fd, short events, int delaiMs) {
    if (m_rapportGarde) {
        const int du = int(std::max<qint64>(0, IntervalleProgressionMs - m_horloge.elapsed()));
        if (delaiMs < 0 || du < delaiMs) {
            const Attente a = Attendre(fd, events, m_arret, du);
            if (a != Attente::Delai) {
                return a;
            }
            Rapporter();
            delaiMs = delaiMs < 0 ? delaiMs : delaiMs - du;
        }
    }
    return Attendre(fd, events, m_arret, delaiMs);
}

std::optional<IssueTransfert> TravailTransfert::AttendrePret(int fd, short events, int delaiMs,
                                                             RaisonEchec& raison) {
    switch (AttendreSocket(fd, events, delaiMs)) {
    case Attente::Pret: return std::nullopt;
    case Attente::Arret: return IssueTransfert::Annule;
    case Attente::Delai: break;
    }
    raison = RaisonEchec::DelaiDepasse;
    return IssueTransfert::Echec;
}

std::optional<IssueTransfert> TravailTransfert::EnvoyerTout(int fd, const char* donnees, qint64 taille,
                                                            int delaiMs, RaisonEchec& raison,
                                                            RaisonEchec peerParti) {
    return Echanger(fd, const_cast<char*>(donnees), taille, true, delaiMs, raison, peerParti);
}

std::optional<IssueTransfert> TravailTransfert::RecevoirTout(int fd, char* donnees, qint64 taille,
                                                             int delaiMs, RaisonEchec& raison,
                                                             RaisonEchec peerParti) {
    return Echanger(fd, donnees, taille, false, delaiMs, raison, peerParti);
}

std::optional<IssueTransfert> TravailTransfert::Echanger(int fd, char* donnees, qint64 taille, bool envoi,
                                                         int delaiMs, RaisonEchec& raison,
                                                         RaisonEchec peerParti) {
    while (taille > 0) {
        if (m_arret.Demande()) {
            return IssueTransfert::Annule;
        }
        const ssize_t n = Transmettre(fd, donnees, taille, envoi);
        if (n > 0) {
            donnees += n;
            taille -= n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (const auto issue = AttendreFlux(fd, envoi, delaiMs, raison)) {
                return issue;
            }
        } else {
            raison = n < 0 && errno == ETIMEDOUT ? RaisonEchec::DelaiDepasse : peerParti;
            return IssueTransfert::Echec;
        }
    }
    return std::nullopt;
}

std::optional<IssueTransfert> TravailTransfert::Chiffrer(int fd,
                                                         const std::shared_ptr<const ParametresTls>& tls,
                                                         bool client, int delaiMs, RaisonEchec& raison,
                                                         RaisonEchec peerParti) {
    if (!tls) {
        return std::nullopt;
    }
    // libssl writes without MSG_NOSIGNAL: a peer's reset must fail the call, not end the program.
    sigset_t tuyau;
    sigemptyset(&tuyau);
    sigaddset(&tuyau, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &tuyau, nullptr);
    m_contexteTls = ContexteTls::Creer(*tls);
    if (!m_contexteTls) {
        return IssueTransfert::Echec;
    }
    m_tls = std::make_unique<SessionTls>(*m_contexteTls, fd, client);
    for (;;) {
        if (m_arret.Demande()) {
            return IssueTransfert::Annule;
        }
        if (m_tls->Etablir() == 1) {
            return std::nullopt;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN) {
            if (const auto issue = AttendreFlux(fd, false, delaiMs, raison)) {
                return issue;
            }
            continue;
        }
        // A close is not a refusal: a connection that carried nothing fails as in clear.
        raison = errno == EPROTO      ? RaisonEchec::CleRefusee
                 : errno == ETIMEDOUT ? RaisonEchec::DelaiDepasse
                                      : peerParti;
        return IssueTransfert::Echec;
    }
}

ssize_t TravailTransfert::Transmettre(int fd, char* donnees, qint64 taille, bool envoi) {
    if (m_tls) {
        return envoi ? m_tls->Envoyer(donnees, taille) : m_tls->Recevoir(donnees, taille);
    }
    return envoi ? ::send(fd, donnees, size_t(taille), MSG_NOSIGNAL) : ::recv(fd, donnees, size_t(taille), 0);
}

std::optional<IssueTransfert> TravailTransfert::AttendreFlux(int fd, bool envoi, int delaiMs,
                                                             RaisonEchec& raison) {
    if (!m_tls) {
        return AttendrePret(fd, envoi ? POLLOUT : POLLIN, delaiMs, raison);
    }
    // Bytes libssl already took from the socket would never wake poll.
    if (m_tls->Attente() == POLLIN && m_tls->EnReserve()) {
        return std::nullopt;
    }
    return AttendrePret(fd, m_tls->Attente(), delaiMs, raison);
}

std::optional<IssueTransfert> TravailTransfert::FinirEnvoi(int fd, int delaiMs, RaisonEchec& raison,
                                                           RaisonEchec peerParti) {
    while (m_tls && m_tls->Clore() != 1) {
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN) {
            raison = errno == ETIMEDOUT ? RaisonEchec::DelaiDepasse : peerParti;
            return IssueTransfert::Echec;
        }
        if (const auto issue = AttendreFlux(fd, true, delaiMs, raison)) {
            return issue;
        }
    }
    ::shutdown(fd, SHUT_WR);
    return std::nullopt;
}

void TravailTransfert::FermerFlux(int& fd, bool brutal, int delaiMs) {
    if (m_tls && !brutal) {
        RaisonEchec ignoree = RaisonEchec::FluxInterrompu;
        bool fini = FinirEnvoi(fd, delaiMs, ignoree, ignoree).has_value();
        char reste[4096];
        while (!fini) {
            const ssize_t n = Transmettre(fd, reste, sizeof reste, false);
            const bool encore = n > 0 || (n < 0 && errno == EINTR);
            fini = !encore && (n >= 0 || errno != EAGAIN || AttendreFlux(fd, false, delaiMs, ignoree));
        }
    }
    m_tls.reset();
    FermerSocket(fd, brutal);
    fd = -1;
}

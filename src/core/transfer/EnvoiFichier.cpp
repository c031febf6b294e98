#include "core/transfer/EnvoiFichier.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::vector<qint64> Tailles(const Lot::Source& lot) {
    std::vector<qint64> tailles;
    for (const EntreeLot& entree : lot.entrees) {
        if (!entree.dossier) {
            tailles.push_back(entree.taille);
        }
    }
    return tailles;
}

QStringList NomsFichiers(const Lot::Source& lot) {
    QStringList noms;
    for (const EntreeLot& entree : lot.entrees) {
        if (!entree.dossier) {
            noms << entree.chemin;
        }
    }
    return noms;
}

} // namespace

EnvoiFichier::EnvoiFichier(const QString& chemin, qint64 taille, const QHostAddress& adresseLocale,
                           const QHostAddress& contact, quint16 port, int delaiMs, OptionsFlux options,
                           QObject* parent)
    : TravailTransfert(parent), m_chemins{chemin}, m_tailles{taille}, m_taille(taille),
      m_adresseLocale(adresseLocale), m_contact(contact), m_port(port), m_delaiMs(delaiMs),
      m_options(options) {}

EnvoiFichier::EnvoiFichier(const Lot::Source& lot, const QHostAddress& adresseLocale,
                           const QHostAddress& contact, quint16 port, int delaiMs,
                           std::shared_ptr<const ParametresTls> tls, QObject* parent)
    : TravailTransfert(parent), m_chemins(lot.fichiers), m_noms(NomsFichiers(lot)), m_tailles(Tailles(lot)),
      m_manifeste(Lot::Manifeste(lot.entrees)), m_taille(lot.total), m_adresseLocale(adresseLocale),
      m_contact(contact), m_port(port), m_delaiMs(delaiMs), m_options{true, true, std::move(tls)} {}

EnvoiFichier::~EnvoiFichier() {
    FermerSocket(m_socket, true);
    if (m_fichier >= 0) {
        ::close(m_fichier);
    }
}

void EnvoiFichier::run() {
    RaisonEchec raison = RaisonEchec::ConnexionImpossible;
    const IssueTransfert issue = Envoyer(raison);
    FermerFlux(m_socket, issue != IssueTransfert::Termine, m_delaiMs);
    if (m_fichier >= 0) {
        ::close(m_fichier);
        m_fichier = -1;
    }
    Finir(issue, raison);
}

bool EnvoiFichier::Ouvrir(qsizetype rang) {
    if (rang == m_rangOuvert && m_fichier >= 0) {
        return true;
    }
    if (m_fichier >= 0) {
        ::close(m_fichier);
    }
    m_fichier = ::open(QFile::encodeName(m_chemins[rang]).constData(), O_RDONLY | O_CLOEXEC);
    m_rangOuvert = rang;
    return m_fichier >= 0;
}

IssueTransfert EnvoiFichier::Envoyer(RaisonEchec& raison) {
    const bool lot = !m_manifeste.isEmpty();
    if (!m_chemins.isEmpty() && !Ouvrir(0)) {
        raison = RaisonEchec::OuvertureImpossible;
        return IssueTransfert::Echec;
    }
    const IssueTransfert connexion = Connecter(raison);
    if (connexion != IssueTransfert::Termine) {
        // A receiver of an empty file may have finished and closed before we came.
        const bool refuse = connexion == IssueTransfert::Echec && raison == RaisonEchec::ConnexionImpossible;
        const bool simple = !m_options.verifier && !m_options.reprendre;
        return simple && m_taille == 0 && refuse ? IssueTransfert::Termine : connexion;
    }
    if (const auto issue =
            Chiffrer(m_socket, m_options.tls, true, m_delaiMs, raison, RaisonEchec::ConnexionCoupee)) {
        return *issue;
    }
    if (lot) {
        const QByteArray longueur = FluxVerifie::VersOctets(m_manifeste.size());
        for (const QByteArray* morceau : {&longueur, &m_manifeste}) {
            if (const auto issue = EnvoyerTout(m_socket, morceau->constData(), morceau->size(), m_delaiMs,
                                               raison, RaisonEchec::ConnexionCoupee)) {
                return *issue;
            }
        }
    }
    qint64 envoye = 0;
    if (const auto issue = Depart(envoye, raison)) {
        return *issue;
    }
    const std::unique_ptr<char[]> tampon(new char[TailleBloc]);
    // The digest covers the whole file, the bytes the receiver already holds included.
    std::optional<Sha256> condensat;
    if (m_options.verifier) {
        condensat.emplace();
        if (!HacherDebut(envoye, *condensat, tampon.get())) {
            raison = RaisonEchec::LectureImpossible;
            return m_arret.Demande() ? IssueTransfert::Annule : IssueTransfert::Echec;
        }
    }
    Avancer(envoye, m_taille);
    qint64 debut = 0;
    for (qsizetype rang = 0; rang < m_chemins.size(); debut += m_tailles[rang], ++rang) {
        const qint64 taille = m_tailles[rang];
        if (debut + taille < envoye || (debut + taille == envoye && taille > 0)) {
            continue;
        }
        if (lot) {
            Courant(m_noms[rang]);
        }
        const qint64 dedans = envoye - debut;
        if (!Ouvrir(rang) || ::lseek(m_fichier, off_t(dedans), SEEK_SET) != off_t(dedans)) {
            raison = m_fichier < 0 ? RaisonEchec::OuvertureImpossible : RaisonEchec::LectureImpossible;
            return IssueTransfert::Echec;
        }
        for (qint64 fait = dedans; fait < taille;) {
            if (m_arret.Demande()) {
                return IssueTransfert::Annule;
            }
            // The size announced is what travels, even if the file grew since.
            const ssize_t lu = ::read(m_fichier, tampon.get(), size_t(std::min(TailleBloc, taille - fait)));
            if (lu < 0 && errno == EINTR) {
                continue;
            }
            if (lu <= 0) {
                raison = RaisonEchec::LectureImpossible;
                return IssueTransfert::Echec;
            }
            if (condensat) {
                condensat->Ajouter(tampon.get(), lu);
            }
            if (const auto issue = EnvoyerTout(m_socket, tampon.get(), lu, m_delaiMs, raison,
                                               RaisonEchec::ConnexionCoupee)) {
                return *issue;
            }
            fait += lu;
            envoye += lu;
            Avancer(envoye, m_taille);
        }
    }
    if (condensat) {
        const QByteArray fin = condensat->Resultat();
        if (const auto issue = EnvoyerTout(m_socket, fin.constData(), fin.size(), m_delaiMs, raison,
                                           RaisonEchec::ConnexionCoupee)) {
            return *issue;
        }
    }
    return AttendreFermeture(tampon.get(), raison);
}

bool EnvoiFichier::HacherDebut(qint64 taille, Sha256& condensat, char* tampon) {
    condensat.Ajouter(m_manifeste.constData(), m_manifeste.size());
    for (qsizetype rang = 0; rang < m_chemins.size() && taille > 0; ++rang) {
        const qint64 n = std::min(taille, m_tailles[rang]);
        if (n > 0 && (!Ouvrir(rang) ||
                      !FluxVerifie::HacherDebut(m_fichier, n, condensat, tampon, TailleBloc, m_arret))) {
            return false;
        }
        taille -= n;
    }
    return true;
}

std::optional<QByteArray> EnvoiFichier::EmpreinteLot() {
    Sha256 condensat;
    condensat.Ajouter(m_manifeste.constData(), m_manifeste.size());
    for (qsizetype rang = 0; rang < m_chemins.size(); ++rang) {
        if (m_arret.Demande() || !Ouvrir(rang)) {
            return std::nullopt;
        }
        const auto empreinte = FluxVerifie::Empreinte(m_fichier, m_tailles[rang]);
        if (!empreinte) {
            return std::nullopt;
        }
        condensat.Ajouter(empreinte->constData(), empreinte->size());
    }
    return condensat.Resultat();
}

std::optional<IssueTransfert> EnvoiFichier::Depart(qint64& depuis, RaisonEchec& raison) {
    depuis = 0;
    if (!m_options.reprendre) {
        return std::nullopt;
    }
    const auto empreinte =
        m_manifeste.isEmpty() ? FluxVerifie::Empreinte(m_fichier, m_taille) : EmpreinteLot();
    if (!empreinte) {
        raison = RaisonEchec::LectureImpossible;
        return IssueTransfert::Echec;
    }
    if (const auto issue = EnvoyerTout(m_socket, empreinte->constData(), empreinte->size(), m_delaiMs, raison,
                                       RaisonEchec::ConnexionCoupee)) {
        return issue;
    }
    char octets[8];
    if (const auto issue =
            RecevoirTout(m_socket, octets, sizeof octets, m_delaiMs, raison, RaisonEchec::ConnexionCoupee)) {
        return issue;
    }
    depuis = FluxVerifie::DepuisOctets(octets);
    // Only a receiver gone wrong holds more than the file, or less than nothing.
    if (depuis < 0 || depuis > m_taille) {
        raison = RaisonEchec::ConnexionCoupee;
        return IssueTransfert::Echec;
    }
    if (depuis > 0) {
        emit reprise(depuis);
    }
    return std::nullopt;
}

IssueTransfert EnvoiFichier::Connecter(RaisonEchec& raison) {
    raison = RaisonEchec::ConnexionImpossible;
    sockaddr_storage contact{};
    const socklen_t tailleContact = VersSockaddr(m_contact, m_port, contact);
    if (tailleContact == 0) {
        return IssueTransfert::Echec;
    }
    m_socket = ::socket(contact.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_socket < 0) {
        return IssueTransfert::Echec;
    }
    // From our own address, so that the receiver recognises its contact.
    sockaddr_storage locale{};
    const bool lier = m_adresseLocale != QHostAddress::Any && m_adresseLocale != QHostAddress::AnyIPv4 &&
                      !m_adresseLocale.isNull();
    const socklen_t tailleLocale = lier ? VersSockaddr(m_adresseLocale, 0, locale) : 0;
    if (tailleLocale != 0 && ::bind(m_socket, reinterpret_cast<sockaddr*>(&locale), tailleLocale) != 0) {
        return IssueTransfert::Echec;
    }
    if (::connect(m_socket, reinterpret_cast<sockaddr*>(&contact), tailleContact) != 0 &&
        errno != EINPROGRESS) {
        return IssueTransfert::Echec;
    }
    if (const auto issue = AttendrePret(m_socket, POLLOUT, m_delaiMs, raison)) {
        return *issue;
    }
    int erreur = 0;
    socklen_t taille = sizeof erreur;
    if (::getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &erreur, &taille) != 0 || erreur != 0) {
        return IssueTransfert::Echec;
    }
    return IssueTransfert::Termine;
}

IssueTransfert EnvoiFichier::AttendreFermeture(char* tampon, RaisonEchec& raison) {
    // Our end of the stream; the receiver's close then says that it has every byte, and a
    // reset that it failed. It closes once the file is flushed to its disk, which may take
    // longer than any stall limit: while its system still answers (acknowledges our bytes and
    // keep-alive probes), we wait, and only a silence as long as the stall limit fails.
    if (const auto issue = FinirEnvoi(m_socket, m_delaiMs, raison, RaisonEchec::ConnexionCoupee)) {
        return *issue;
    }
    const int un = 1;
    const int sondeS = std::max(1, m_delaiMs / 3000);
    const int sondes = 3;
    const unsigned int silenceMs = unsigned(m_delaiMs);
    ::setsockopt(m_socket, SOL_SOCKET, SO_KEEPALIVE, &un, sizeof un);
    ::setsockopt(m_socket, IPPROTO_TCP, TCP_KEEPIDLE, &sondeS, sizeof sondeS);
    ::setsockopt(m_socket, IPPROTO_TCP, TCP_KEEPINTVL, &sondeS, sizeof sondeS);
    ::setsockopt(m_socket, IPPROTO_TCP, TCP_KEEPCNT, &sondes, sizeof sondes);
    ::setsockopt(m_socket, IPPROTO_TCP, TCP_USER_TIMEOUT, &silenceMs, sizeof silenceMs);
    // Verifying, the receiver's verdict comes before its close.
    std::optional<char> verdict;
    for (;;) {
        const ssize_t n = Transmettre(m_socket, tampon, TailleBloc, false);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (const auto issue = AttendreFlux(m_socket, false, -1, raison)) {
                return *issue;
            }
            continue;
        }
        if (n == 0) {
            if (!m_options.verifier || verdict == FluxVerifie::Verifie) {
                return IssueTransfert::Termine;
            }
            raison =
                verdict == FluxVerifie::Different ? RaisonEchec::Endommage : RaisonEchec::ConnexionCoupee;
            return IssueTransfert::Echec;
        }
        if (n > 0 && !verdict) {
            verdict = tampon[0];
        }
        if (n < 0 && errno != EINTR) {
            raison = errno == ETIMEDOUT ? RaisonEchec::DelaiDepasse : RaisonEchec::ConnexionCoupee;
            return IssueTransfert::Echec;
        }
        // Anything else the receiver sends is dropped.
    }
}

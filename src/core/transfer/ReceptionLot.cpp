#include "core/transfer/ReceptionLot.h"

#include "core/transfer/NomsFichiers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

ReceptionLot::ReceptionLot(int socket, const QString& dossier, int fichiers, qint64 total, int delaiMs,
                           OrigineFichier origine, std::shared_ptr<const ParametresTls> tls, QObject* parent)
    : TravailTransfert(parent), m_socket(socket), m_dossier(dossier), m_nombre(fichiers), m_total(total),
      m_delaiMs(delaiMs), m_origine(std::move(origine)), m_tlsVoulu(std::move(tls)) {
    ::fcntl(m_socket, F_SETFL, ::fcntl(m_socket, F_GETFL) | O_NONBLOCK);
}

ReceptionLot::~ReceptionLot() {
    FermerSocket(m_socket, true);
    for (int fd : {m_cache, m_recus}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void ReceptionLot::run() {
    RaisonEchec raison = RaisonEchec::FluxInterrompu;
    const IssueTransfert issue = Recevoir(raison);
    if (issue != IssueTransfert::Termine && m_cache >= 0) {
        // As a single file: kept for the next try when the stream broke or the copy quits.
        const bool garder = raison != RaisonEchec::Endommage &&
                            (issue == IssueTransfert::Echec || m_garder.load(std::memory_order_acquire));
        if (!garder) {
            Lot::Supprimer(m_recus, m_nomCache);
        }
    }
    if (m_cache >= 0) {
        ::close(m_cache);
        m_cache = -1;
    }
    FermerFlux(m_socket, issue != IssueTransfert::Termine && raison != RaisonEchec::Endommage, m_delaiMs);
    Finir(issue, raison);
}

std::optional<IssueTransfert> ReceptionLot::Preparer(QByteArray& manifeste, RaisonEchec& raison) {
    // Nothing is made before the contact's key is checked.
    if (const auto issue =
            Chiffrer(m_socket, m_tlsVoulu, false, m_delaiMs, raison, RaisonEchec::FluxInterrompu)) {
        return issue;
    }
    char octets[8];
    if (const auto issue =
            RecevoirTout(m_socket, octets, sizeof octets, m_delaiMs, raison, RaisonEchec::FluxInterrompu)) {
        return issue;
    }
    const qint64 longueur = FluxVerifie::DepuisOctets(octets);
    if (longueur < 0 || longueur > Lot::OctetsManifesteMax) {
        raison = RaisonEchec::LotInvalide;
        return IssueTransfert::Echec;
    }
    manifeste.resize(longueur);
    if (const auto issue = RecevoirTout(m_socket, manifeste.data(), longueur, m_delaiMs, raison,
                                        RaisonEchec::FluxInterrompu)) {
        return issue;
    }
    auto entrees = Lot::Lire(manifeste, m_nombre, m_total);
    if (!entrees) {
        raison = RaisonEchec::LotInvalide;
        return IssueTransfert::Echec;
    }
    m_entrees = std::move(*entrees);
    char empreinte[FluxVerifie::TailleCondensat];
    if (const auto issue = RecevoirTout(m_socket, empreinte, sizeof empreinte, m_delaiMs, raison,
                                        RaisonEchec::FluxInterrompu)) {
        return issue;
    }
    raison = RaisonEchec::CreationImpossible;
    m_recus = ::open(QFile::encodeName(m_dossier).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_recus < 0) {
        return IssueTransfert::Echec;
    }
    m_nomCache = FluxVerifie::NomPartiel(m_origine.expediteur, m_origine.nomOffert, m_total,
                                         QByteArray(empreinte, sizeof empreinte));
    ::mkdirat(m_recus, m_nomCache.constData(), 0700);
    m_cache = ::openat(m_recus, m_nomCache.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (m_cache < 0) {
        return IssueTransfert::Echec;
    }
    emit partiel(m_nomCache);
    FluxVerifie::NettoyerPartiels(m_recus, m_nomCache, QDateTime::currentDateTimeUtc());
    for (const EntreeLot& entree : m_entrees) {
        if (!entree.dossier) {
            continue;
        }
        const int fd = Lot::OuvrirDossier(m_cache, entree.chemin, true);
        if (fd < 0) {
            return IssueTransfert::Echec;
        }
        ::close(fd);
    }
    return std::nullopt;
}

int ReceptionLot::OuvrirFichier(const QString& chemin, int drapeaux) const {
    const qsizetype barre = chemin.lastIndexOf(u'/');
    const int parent = Lot::OuvrirDossier(m_cache, barre < 0 ? QString() : chemin.first(barre), false);
    if (parent < 0) {
        return -1;
    }
    const int fd = ::openat(parent, QFile::encodeName(chemin.sliced(barre + 1)).constData(),
                            drapeaux | O_NOFOLLOW | O_CLOEXEC, 0666);
    ::close(parent);
    return fd;
}

qint64 ReceptionLot::Tenu() const {
    qint64 tenu = 0;
    for (const EntreeLot& entree : m_entrees) {
        if (entree.dossier) {
            continue;
        }
        const int fd = OuvrirFichier(entree.chemin, O_RDONLY | O_NONBLOCK);
        struct stat etat {};
        const bool lu = fd >= 0 && ::fstat(fd, &etat) == 0 && S_ISREG(etat.st_mode);
        if (fd >= 0) {
            ::close(fd);
        }
        if (!lu || etat.st_size > entree.taille) {
            break;
        }
        tenu += etat.st_size;
        if (etat.st_size < entree.taille) {
            break;
        }
    }
    return tenu;
}

bool ReceptionLot::HacherDebut(qint64 taille, Sha256& condensat, char* tampon) {
    for (auto it = m_entrees.cbegin(); it != m_entrees.cend() && taille > 0; ++it) {
        const qint64 n = it->dossier ? 0 : std::min(taille, it->taille);
        if (n == 0) {
            continue;
        }
        const int fd = OuvrirFichier(it->chemin, O_RDONLY);
        const bool lu = fd >= 0 && FluxVerifie::HacherDebut(fd, n, condensat, tampon, TailleBloc, m_arret);
        if (fd >= 0) {
            ::close(fd);
        }
        if (!lu) {
            return false;
        }
        taille -= n;
    }
    return true;
}

IssueTransfert ReceptionLot::Recevoir(RaisonEchec& raison) {
    QByteArray manifeste;
    if (const auto issue = Preparer(manifeste, raison)) {
        return *issue;
    }
    qint64 recu = Tenu();
    const QByteArray octets = FluxVerifie::VersOctets(recu);
    if (const auto issue = EnvoyerTout(m_socket, octets.constData(), octets.size(), m_delaiMs, raison,
                                       RaisonEchec::FluxInterrompu)) {
        return *issue;
    }
    if (recu > 0) {
        emit reprise(recu);
    }
    const std::unique_ptr<char[]> tampon(new char[TailleBloc]);
    Sha256 condensat;
    condensat.Ajouter(manifeste.constData(), manifeste.size());
    if (!HacherDebut(recu, condensat, tampon.get())) {
        raison = RaisonEchec::EcritureImpossible;
        return m_arret.Demande() ? IssueTransfert::Annule : IssueTransfert::Echec;
    }
    Avancer(recu, m_total);
    qint64 debut = 0;
    for (const EntreeLot& entree : m_entrees) {
        if (entree.dossier) {
            continue;
        }
        const qint64 taille = entree.taille;
        const qint64 fin = debut + taille;
        const qint64 dedans = recu - debut;
        debut = fin;
        // The same files as the sender's: those wholly held are skipped, an empty one never is.
        if (fin < recu || (fin == recu && taille > 0)) {
            continue;
        }
        Courant(entree.chemin);
        const int fd = OuvrirFichier(entree.chemin, O_WRONLY | O_CREAT);
        if (fd < 0 || ::ftruncate(fd, off_t(dedans)) != 0 || ::lseek(fd, off_t(dedans), SEEK_SET) != dedans) {
            if (fd >= 0) {
                ::close(fd);
            }
            raison = RaisonEchec::CreationImpossible;
            return IssueTransfert::Echec;
        }
        // What comes is written at once: a break loses nothing that arrived.
        std::optional<IssueTransfert> issue;
        for (qint64 reste = taille - dedans; reste > 0 && !issue;) {
            if (m_arret.Demande()) {
                issue = IssueTransfert::Annule;
                break;
            }
            const ssize_t n = Transmettre(m_socket, tampon.get(), std::min(TailleBloc, reste), false);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                issue = AttendreFlux(m_socket, false, m_delaiMs, raison);
                continue;
            }
            if (n <= 0) {
                raison = RaisonEchec::FluxInterrompu;
                issue = IssueTransfert::Echec;
                break;
            }
            if (!FichierRecu::EcrireTout(fd, tampon.get(), n)) {
                raison = RaisonEchec::EcritureImpossible;
                issue = IssueTransfert::Echec;
                break;
            }
            condensat.Ajouter(tampon.get(), n);
            reste -= n;
            recu += n;
            Avancer(recu, m_total);
        }
        ::close(fd);
        if (issue) {
            return *issue;
        }
    }
    char attendu[FluxVerifie::TailleCondensat];
    if (const auto issue =
            RecevoirTout(m_socket, attendu, sizeof attendu, m_delaiMs, raison, RaisonEchec::FluxInterrompu)) {
        return *issue;
    }
    if (condensat.Resultat() != QByteArray(attendu, sizeof attendu)) {
        const char verdict = FluxVerifie::Different;
        RaisonEchec ignoree;
        EnvoyerTout(m_socket, &verdict, 1, m_delaiMs, ignoree, RaisonEchec::FluxInterrompu);
        raison = RaisonEchec::Endommage;
        return IssueTransfert::Echec;
    }
    const IssueTransfert issue = Placer(raison);
    if (issue == IssueTransfert::Termine) {
        const char verdict = FluxVerifie::Verifie;
        EnvoyerTout(m_socket, &verdict, 1, m_delaiMs, raison, RaisonEchec::FluxInterrompu);
    }
    return issue;
}

IssueTransfert ReceptionLot::Placer(RaisonEchec& raison) {
    // Every byte is here; the flush may take long, and a cancel during it still places nothing.
    if (m_arret.Demande()) {
        return IssueTransfert::Annule;
    }
    if (const auto crochet = FichierRecu::AvantVidage.load()) {
        crochet();
    }
    if (::syncfs(m_cache) != 0) {
        raison = RaisonEchec::EcritureImpossible;
        return IssueTransfert::Echec;
    }
    if (m_arret.Demande()) {
        return IssueTransfert::Annule;
    }
    QStringList hauts;
    QSet<QString> vus;
    for (const EntreeLot& entree : m_entrees) {
        const QString haut = entree.chemin.section(u'/', 0, 0);
        if (!vus.contains(haut)) {
            vus.insert(haut);
            hauts << haut;
        }
    }
    const QDir recus(m_dossier);
    for (const QString& haut : hauts) {
        QString cible = recus.filePath(haut);
        // Never over an entry already there: the next free name, as for a single file.
        while (::renameat2(m_cache, QFile::encodeName(haut).constData(), m_recus,
                           QFile::encodeName(QFileInfo(cible).fileName()).constData(),
                           RENAME_NOREPLACE) != 0) {
            if (errno != EEXIST) {
                raison = RaisonEchec::EcritureImpossible;
                return IssueTransfert::Echec;
            }
            cible = NomsFichiers::ChangeNom(cible);
            if (cible.isEmpty()) {
                raison = RaisonEchec::NomPris;
                return IssueTransfert::Echec;
            }
        }
        emit place(cible);
    }
    ::close(m_cache);
    m_cache = -1;
    ::unlinkat(m_recus, m_nomCache.constData(), AT_REMOVEDIR);
    return IssueTransfert::Termine;
}

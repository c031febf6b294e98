#include "core/transfer/FluxVerifie.h"

#include "core/transfer/Lot.h"

#include <QCryptographicHash>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

struct Sha256::Etat {
    EVP_MD_CTX* contexte = EVP_MD_CTX_new();
    ~Etat() { EVP_MD_CTX_free(contexte); }
};

Sha256::Sha256() : m_etat(std::make_unique<Etat>()) {
    EVP_DigestInit_ex(m_etat->contexte, EVP_sha256(), nullptr);
}

Sha256::~Sha256() = default;

void Sha256::Ajouter(const char* donnees, qint64 taille) {
    EVP_DigestUpdate(m_etat->contexte, donnees, size_t(taille));
}

QByteArray Sha256::Resultat() {
    QByteArray condensat(FluxVerifie::TailleCondensat, '\0');
    unsigned int taille = 0;
    EVP_DigestFinal_ex(m_etat->contexte, reinterpret_cast<unsigned char*>(condensat.data()), &taille);
    return condensat;
}

namespace FluxVerifie {

namespace {

constexpr qint64 TailleBout = 64 * 1024;

bool LireA(int fd, char* tampon, qint64 taille, qint64 position) {
    while (taille > 0) {
        const ssize_t n = ::pread(fd, tampon, size_t(taille), off_t(position));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        tampon += n;
        taille -= n;
        position += n;
    }
    return true;
}

QByteArray Hex16(const QByteArray& donnees) {
    return QCryptographicHash::hash(donnees, QCryptographicHash::Sha256).left(8).toHex();
}

} // namespace

std::optional<QByteArray> Empreinte(int fd, qint64 taille) {
    struct stat etat {};
    if (::fstat(fd, &etat) != 0) {
        return std::nullopt;
    }
    Sha256 condensat;
    const qint64 identite[] = {taille,
                               qint64(etat.st_size),
                               qint64(etat.st_mtim.tv_sec),
                               qint64(etat.st_mtim.tv_nsec),
                               qint64(etat.st_ino),
                               qint64(etat.st_dev)};
    condensat.Ajouter(reinterpret_cast<const char*>(identite), sizeof identite);
    QByteArray bout(TailleBout, '\0');
    const qint64 debut = std::min(taille, TailleBout);
    const qint64 fin = std::min(taille - debut, TailleBout);
    if (!LireA(fd, bout.data(), debut, 0)) {
        return std::nullopt;
    }
    condensat.Ajouter(bout.constData(), debut);
    if (!LireA(fd, bout.data(), fin, taille - fin)) {
        return std::nullopt;
    }
    condensat.Ajouter(bout.constData(), fin);
    return condensat.Resultat();
}

QByteArray NomPartiel(const QString& expediteur, const QString& nom, qint64 taille,
                      const QByteArray& empreinte) {
    return PrefixePartiel + Hex16(expediteur.toUtf8() + '\n' + nom.toUtf8()) + '-' +
           Hex16(VersOctets(taille) + empreinte);
}

void NettoyerPartiels(int dossier, const QByteArray& nomGarde, const QDateTime& maintenant) {
    const int fd = ::openat(dossier, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* d = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!d) {
        if (fd >= 0) {
            ::close(fd);
        }
        return;
    }
    const QByteArray famille = nomGarde.left(PrefixePartiel.size() + 16);
    const qint64 limite = maintenant.toSecsSinceEpoch() - qint64(JoursGardes) * 24 * 3600;
    while (const dirent* entree = ::readdir(d)) {
        const QByteArray nom(entree->d_name);
        if (!nom.startsWith(PrefixePartiel) || nom == nomGarde) {
            continue;
        }
        struct stat etat {};
        if (::fstatat(dossier, nom.constData(), &etat, AT_SYMLINK_NOFOLLOW) != 0 ||
            (!S_ISREG(etat.st_mode) && !S_ISDIR(etat.st_mode))) {
            continue;
        }
        // A batch's is a folder, removed whole.
        if (nom.startsWith(famille) || qint64(etat.st_mtim.tv_sec) < limite) {
            Lot::Supprimer(dossier, nom);
        }
    }
    ::closedir(d);
}

bool HacherDebut(int fd, qint64 taille, Sha256& condensat, char* tampon, qint64 tailleTampon,
                 const ArretTransfert& arret) {
    for (qint64 fait = 0; fait < taille;) {
        if (arret.Demande()) {
            return false;
        }
        const qint64 n = std::min(tailleTampon, taille - fait);
        if (!LireA(fd, tampon, n, fait)) {
            return false;
        }
        condensat.Ajouter(tampon, n);
        fait += n;
    }
    return true;
}

QByteArray VersOctets(qint64 valeur) {
    QByteArray octets(8, '\0');
    for (int i = 7; i >= 0; --i) {
        octets[i] = char(valeur & 0xff);
        valeur >>= 8;
    }
    return octets;
}

qint64 DepuisOctets(const char* octets) {
    quint64 valeur = 0;
    for (int i = 0; i < 8; ++i) {
        valeur = (valeur << 8) | quint8(octets[i]);
    }
    return qint64(valeur);
}

} // namespace FluxVerifie

#include "tools/Bzip2Sortie.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

QByteArray NomCache() {
    return ".ovan-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".part";
}

} // namespace

bool Bzip2Sortie::Creer(const QString& chemin) {
    Abandonner();
    QByteArray cible = QFile::encodeName(chemin);
    if (cible.isEmpty() || cible.endsWith('/')) {
        return false;
    }
    struct stat existant {};
    const bool existe = ::stat(cible.constData(), &existant) == 0;
    if (existe) {
        // "wb" could not write a directory, a device or a read-only file either.
        if (!S_ISREG(existant.st_mode) || ::access(cible.constData(), W_OK) != 0) {
            return false;
        }
        char* reel = ::realpath(cible.constData(), nullptr);
        if (!reel) {
            return false;
        }
        cible = reel;
        std::free(reel);
    }
    const qsizetype barre = cible.lastIndexOf('/');
    const QByteArray dossier = barre < 0 ? QByteArray(".") : barre == 0 ? QByteArray("/") : cible.left(barre);
    m_nomFinal = cible.mid(barre + 1);
    m_dossier = ::open(dossier.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dossier < 0) {
        return false;
    }
    // Best an unnamed file: a crash leaves nothing behind. Otherwise a hidden name, fresh each try.
    int fd = ::openat(m_dossier, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
    for (int essai = 0; essai < 16 && fd < 0; ++essai) {
        const QByteArray nom = NomCache();
        fd = ::openat(m_dossier, nom.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_nomTemporaire = nom;
        } else if (errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        Abandonner();
        return false;
    }
    if (existe) {
        // The file replaced keeps its permissions: a private file stays private.
        ::fchmod(fd, existant.st_mode & 0777);
    }
    struct statvfs disque {};
    m_libre = ::fstatvfs(fd, &disque) == 0 ? qint64(disque.f_bavail) * qint64(disque.f_frsize) : LLONG_MAX;
    m_flux = ::fdopen(fd, "wb");
    if (!m_flux) {
        ::close(fd);
        Abandonner();
        return false;
    }
    m_tampon.reset(new char[TailleTampon]);
    std::setvbuf(m_flux, m_tampon.get(), _IOFBF, TailleTampon);
    return true;
}

bool Bzip2Sortie::Nommer(const char* nom) {
    const int fd = ::fileno(m_flux);
    const QByteArray lien = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, lien.constData(), m_dossier, nom, AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    return errno == ENOENT && ::linkat(fd, "", m_dossier, nom, AT_EMPTY_PATH) == 0;
}

bool Bzip2Sortie::Valider() {
    if (!m_flux) {
        return false;
    }
    // A crash after the rename must not leave the name on a file without its bytes.
    bool ok = std::fflush(m_flux) == 0 && !std::ferror(m_flux) && ::fsync(::fileno(m_flux)) == 0;
    // An unnamed file gets a hidden name first: only a rename replaces an existing file.
    for (int essai = 0; ok && m_nomTemporaire.isEmpty() && essai < 16; ++essai) {
        const QByteArray nom = NomCache();
        if (Nommer(nom.constData())) {
            m_nomTemporaire = nom;
        } else if (errno != EEXIST) {
            ok = false;
        }
    }
    ok = ok && !m_nomTemporaire.isEmpty();
    const bool ferme = std::fclose(m_flux) == 0;
    m_flux = nullptr;
    m_tampon.reset();
    if (!ok || !ferme ||
        ::renameat(m_dossier, m_nomTemporaire.constData(), m_dossier, m_nomFinal.constData()) != 0) {
        Abandonner();
        return false;
    }
    m_nomTemporaire.clear();
    ::fsync(m_dossier);
    Abandonner();
    return true;
}

void Bzip2Sortie::Abandonner() {
    if (m_flux) {
        std::fclose(m_flux);
        m_flux = nullptr;
    }
    m_tampon.reset();
    if (m_dossier >= 0) {
        if (!m_nomTemporaire.isEmpty()) {
            ::unlinkat(m_dossier, m_nomTemporaire.constData(), 0);
        }
        ::close(m_dossier);
        m_dossier = -1;
    }
    m_nomTemporaire.clear();
    m_nomFinal.clear();
    m_libre = 0;
}

#include "tools/Bzip2Sortie.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

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
    if (!m_fichier.Creer(dossier)) {
        Abandonner();
        return false;
    }
    const int fd = m_fichier.Descripteur();
    if (existe) {
        // The file replaced keeps its permissions: a private file stays private.
        ::fchmod(fd, existant.st_mode & 0777);
    }
    struct statvfs disque {};
    m_libre = ::fstatvfs(fd, &disque) == 0 ? qint64(disque.f_bavail) * qint64(disque.f_frsize) : LLONG_MAX;
    const int flux = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    m_flux = flux < 0 ? nullptr : ::fdopen(flux, "wb");
    if (!m_flux) {
        if (flux >= 0) {
            ::close(flux);
        }
        Abandonner();
        return false;
    }
    m_tampon.reset(new char[TailleTampon]);
    std::setvbuf(m_flux, m_tampon.get(), _IOFBF, TailleTampon);
    return true;
}

bool Bzip2Sortie::Valider() {
    if (!m_flux) {
        return false;
    }
    const bool ecrit = std::fflush(m_flux) == 0 && !std::ferror(m_flux);
    const bool ferme = std::fclose(m_flux) == 0;
    m_flux = nullptr;
    m_tampon.reset();
    const bool ok = ecrit && ferme && m_fichier.Remplacer(m_nomFinal) && m_fichier.Fermer();
    Abandonner();
    return ok;
}

void Bzip2Sortie::Abandonner() {
    if (m_flux) {
        std::fclose(m_flux);
        m_flux = nullptr;
    }
    m_tampon.reset();
    m_fichier.Abandonner();
    m_nomFinal.clear();
    m_libre = 0;
}

#include "core/tools/Bzip2Sortie.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
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
    if (::fstatvfs(fd, &disque) == 0) {
        m_marge = std::min(qint64(disque.f_blocks) * qint64(disque.f_frsize) / 20, qint64(256) << 20);
    }
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

bool Bzip2Sortie::Reserver(qint64 n) {
    if (!m_flux) {
        return false;
    }
    if (m_ecrits + n > m_limite) {
        struct statvfs disque {};
        if (::fstatvfs(::fileno(m_flux), &disque) != 0) {
            return false;
        }
        // What the stdio buffer still holds is not on the disk yet.
        const qint64 reste =
            qint64(disque.f_bavail) * qint64(disque.f_frsize) - m_marge - qint64(TailleTampon);
        m_limite = m_ecrits + std::min(reste, std::max(n, qint64(1) << 20));
        if (m_ecrits + n > m_limite) {
            return false;
        }
    }
    m_ecrits += n;
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
    m_marge = m_ecrits = m_limite = 0;
}

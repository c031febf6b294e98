#include "core/platform/FichierNouveau.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray NomCache() {
    return ".ovan-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".part";
}

// A link to an unnamed file; linkat never replaces an existing entry.
int Lier(int fd, int dossier, const char* nom) {
    const QByteArray chemin = "/proc/self/fd/" + QByteArray::number(fd);
    const int r = ::linkat(AT_FDCWD, chemin.constData(), dossier, nom, AT_SYMLINK_FOLLOW);
    return r != 0 && errno == ENOENT ? ::linkat(fd, "", dossier, nom, AT_EMPTY_PATH) : r;
}

} // namespace

bool FichierNouveau::Creer(const QByteArray& dossier, bool lecture) {
    Abandonner();
    m_dossier = ::open(dossier.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dossier < 0) {
        return false;
    }
    const int acces = lecture ? O_RDWR : O_WRONLY;
    // Best unnamed: nothing shows in the folder before it is whole, and a crash leaves nothing.
    m_fd = ::openat(m_dossier, ".", acces | O_TMPFILE | O_CLOEXEC, 0666);
    // Otherwise a hidden name, fresh each try: O_EXCL refuses any existing entry, links included.
    for (int essai = 0; essai < 16 && m_fd < 0; ++essai) {
        m_nomTemporaire = NomCache();
        m_fd = ::openat(m_dossier, m_nomTemporaire.constData(),
                        acces | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (m_fd < 0) {
        m_nomTemporaire.clear();
        Abandonner();
        return false;
    }
    return true;
}

bool FichierNouveau::Synchroniser() {
    // A crash after the name is given must not leave a name on a file without its bytes.
    m_synchronise = m_synchronise || (m_fd >= 0 && ::fsync(m_fd) == 0);
    return m_synchronise;
}

bool FichierNouveau::Nommer(const QByteArray& nom) {
    if (!Synchroniser()) {
        return false;
    }
    int r;
    if (m_nomTemporaire.isEmpty()) {
        r = Lier(m_fd, m_dossier, nom.constData());
    } else {
        const char* cache = m_nomTemporaire.constData();
        r = ::renameat2(m_dossier, cache, m_dossier, nom.constData(), RENAME_NOREPLACE);
        if (r != 0 && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
            // A file system without the flag: a hard link fails as well when the name is taken.
            r = ::linkat(m_dossier, cache, m_dossier, nom.constData(), 0);
            if (r == 0) {
                ::unlinkat(m_dossier, cache, 0);
            }
        }
    }
    if (r != 0) {
        return false;
    }
    m_nomTemporaire.clear();
    m_nomDonne = nom;
    ::fsync(m_dossier);
    return true;
}

bool FichierNouveau::NommerCache() {
    for (int essai = 0; m_nomTemporaire.isEmpty() && essai < 16; ++essai) {
        const QByteArray nom = NomCache();
        if (Lier(m_fd, m_dossier, nom.constData()) == 0) {
            m_nomTemporaire = nom;
        } else if (errno != EEXIST) {
            return false;
        }
    }
    return !m_nomTemporaire.isEmpty();
}

bool FichierNouveau::Remplacer(const QByteArray& nom) {
    // Only a rename replaces an existing file: an unnamed file gets a hidden name first.
    if (!Synchroniser() || !NommerCache() ||
        ::renameat(m_dossier, m_nomTemporaire.constData(), m_dossier, nom.constData()) != 0) {
        return false;
    }
    m_nomTemporaire.clear();
    m_nomDonne = nom;
    ::fsync(m_dossier);
    return true;
}

bool FichierNouveau::Fermer() {
    const bool ferme = m_fd < 0 || ::close(m_fd) == 0;
    m_fd = -1;
    if (!ferme && !m_nomDonne.isEmpty() && m_dossier >= 0) {
        ::unlinkat(m_dossier, m_nomDonne.constData(), 0);
    }
    return ferme;
}

bool FichierNouveau::Reprendre(const QByteArray& nom) {
    if (m_dossier < 0) {
        return false;
    }
    const int fd = ::openat(m_dossier, nom.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    struct stat etat {};
    if (fd < 0 || ::fstat(fd, &etat) != 0 || !S_ISREG(etat.st_mode)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        if (!m_nomTemporaire.isEmpty()) {
            ::unlinkat(m_dossier, m_nomTemporaire.constData(), 0);
        }
    }
    m_fd = fd;
    m_nomTemporaire = nom;
    m_synchronise = false;
    return true;
}

void FichierNouveau::Laisser() {
    if (m_fd >= 0) {
        ::fsync(m_fd);
    }
    m_nomTemporaire.clear();
    Abandonner();
}

void FichierNouveau::Abandonner() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_dossier >= 0) {
        if (!m_nomTemporaire.isEmpty()) {
            ::unlinkat(m_dossier, m_nomTemporaire.constData(), 0);
        }
        ::close(m_dossier);
        m_dossier = -1;
    }
    m_nomTemporaire.clear();
    m_nomDonne.clear();
    m_synchronise = false;
}

#include "transfer/FichierRecu.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool NomSimple(const QByteArray& nom) {
    return !nom.isEmpty() && nom != "." && nom != ".." && !nom.contains('/') && !nom.contains('\0');
}

} // namespace

bool FichierRecu::Creer(const QString& dossier, const QString& nomFinal) {
    Abandonner();
    m_nomFinal = QFile::encodeName(nomFinal);
    if (!NomSimple(m_nomFinal)) {
        return false;
    }
    m_dossier = ::open(QFile::encodeName(dossier).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dossier < 0) {
        return false;
    }
    // Best an unnamed file: nothing shows in the folder before it is whole, and a crash leaves
    // nothing behind.
    m_fd = ::openat(m_dossier, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
    // Otherwise a hidden name, fresh each try: O_EXCL refuses an existing entry, a symbolic link
    // included.
    for (int essai = 0; essai < 16 && m_fd < 0; ++essai) {
        m_nomTemporaire =
            ".ovan-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".part";
        m_fd = ::openat(m_dossier, m_nomTemporaire.constData(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
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

bool FichierRecu::Ecrire(const char* donnees, qint64 taille) {
    while (taille > 0) {
        const ssize_t n = ::write(m_fd, donnees, size_t(taille));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        donnees += n;
        taille -= n;
    }
    return true;
}

std::optional<RaisonEchec> FichierRecu::Finaliser() {
    // A crash after the name is given must not leave a named file without its bytes.
    if (::fsync(m_fd) != 0) {
        return RaisonEchec::EcritureImpossible;
    }
    const char* final = m_nomFinal.constData();
    int r;
    if (m_nomTemporaire.isEmpty()) {
        // linkat never replaces an existing entry.
        const QByteArray fd = "/proc/self/fd/" + QByteArray::number(m_fd);
        r = ::linkat(AT_FDCWD, fd.constData(), m_dossier, final, AT_SYMLINK_FOLLOW);
        if (r != 0 && errno == ENOENT) {
            r = ::linkat(m_fd, "", m_dossier, final, AT_EMPTY_PATH);
        }
    } else {
        const char* temporaire = m_nomTemporaire.constData();
        r = ::renameat2(m_dossier, temporaire, m_dossier, final, RENAME_NOREPLACE);
        if (r != 0 && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
            // A file system without the flag: a hard link fails as well when the name is taken.
            r = ::linkat(m_dossier, temporaire, m_dossier, final, 0);
            if (r == 0) {
                ::unlinkat(m_dossier, temporaire, 0);
            }
        }
    }
    if (r != 0) {
        return errno == EEXIST ? RaisonEchec::NomPris : RaisonEchec::EcritureImpossible;
    }
    m_nomTemporaire.clear();
    const bool ferme = ::close(m_fd) == 0;
    m_fd = -1;
    ::fsync(m_dossier);
    if (!ferme) {
        ::unlinkat(m_dossier, final, 0);
        return RaisonEchec::EcritureImpossible;
    }
    return std::nullopt;
}

void FichierRecu::Abandonner() {
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
}

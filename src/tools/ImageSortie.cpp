#include "tools/ImageSortie.h"

#include "transfer/NomsFichiers.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

bool ImageSortie::Creer(const QString& dossier) {
    Abandonner();
    m_dossier = ::open(QFile::encodeName(dossier).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dossier < 0) {
        return false;
    }
    // Best an unnamed file: a killed conversion leaves nothing in the folder.
    m_fd = ::openat(m_dossier, ".", O_RDWR | O_TMPFILE | O_CLOEXEC, 0666);
    // Otherwise a hidden name, fresh each try; O_EXCL refuses any existing entry, links included.
    for (int essai = 0; essai < 16 && m_fd < 0; ++essai) {
        m_nomTemporaire =
            ".ovan-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".part";
        m_fd = ::openat(m_dossier, m_nomTemporaire.constData(),
                        O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
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

QString ImageSortie::Nommer(const QString& chemin) {
    // A crash after naming must not leave a named file without its bytes.
    if (m_fd < 0 || ::fsync(m_fd) != 0) {
        Abandonner();
        return {};
    }
    QString voulu = chemin;
    for (int essai = 0; essai < 100 && !voulu.isEmpty(); ++essai) {
        const QByteArray nom = QFile::encodeName(QFileInfo(voulu).fileName());
        int r;
        if (m_nomTemporaire.isEmpty()) {
            // linkat never replaces an existing entry.
            const QByteArray fd = "/proc/self/fd/" + QByteArray::number(m_fd);
            r = ::linkat(AT_FDCWD, fd.constData(), m_dossier, nom.constData(), AT_SYMLINK_FOLLOW);
            if (r != 0 && errno == ENOENT) {
                r = ::linkat(m_fd, "", m_dossier, nom.constData(), AT_EMPTY_PATH);
            }
        } else {
            r = ::renameat2(m_dossier, m_nomTemporaire.constData(), m_dossier, nom.constData(),
                            RENAME_NOREPLACE);
            if (r != 0 && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                r = ::linkat(m_dossier, m_nomTemporaire.constData(), m_dossier, nom.constData(), 0);
                if (r == 0) {
                    ::unlinkat(m_dossier, m_nomTemporaire.constData(), 0);
                }
            }
        }
        if (r == 0) {
            m_nomTemporaire.clear();
            ::fsync(m_dossier);
            Abandonner();
            return voulu;
        }
        if (errno != EEXIST) {
            break;
        }
        voulu = NomsFichiers::ChangeNom(voulu);
    }
    Abandonner();
    return {};
}

void ImageSortie::Abandonner() {
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

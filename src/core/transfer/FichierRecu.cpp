#include "core/transfer/FichierRecu.h"

#include <QFile>

#include <cerrno>

#include <unistd.h>

namespace {

bool NomSimple(const QByteArray& nom) {
    return !nom.isEmpty() && nom != "." && nom != ".." && !nom.contains('/') && !nom.contains('\0');
}

} // namespace

bool FichierRecu::Creer(const QString& dossier, const QString& nomFinal) {
    Abandonner();
    m_nomFinal = QFile::encodeName(nomFinal);
    return NomSimple(m_nomFinal) && m_fichier.Creer(QFile::encodeName(dossier));
}

std::optional<qint64> FichierRecu::Reprendre(const QByteArray& nomPartiel, qint64 taille) {
    if (!m_fichier.Reprendre(nomPartiel)) {
        return std::nullopt;
    }
    const int fd = m_fichier.Descripteur();
    const off_t tenu = ::lseek(fd, 0, SEEK_END);
    if (tenu < 0) {
        return std::nullopt;
    }
    if (tenu > taille) {
        if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
            return std::nullopt;
        }
        return 0;
    }
    return qint64(tenu);
}

bool FichierRecu::EcrireTout(int fd, const char* donnees, qint64 taille) {
    while (taille > 0) {
        const ssize_t n = ::write(fd, donnees, size_t(taille));
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

bool FichierRecu::Vider() {
    if (const auto crochet = AvantVidage.load()) {
        crochet();
    }
    return m_fichier.Synchroniser();
}

std::optional<RaisonEchec> FichierRecu::Finaliser() {
    if (!m_fichier.Nommer(m_nomFinal)) {
        return errno == EEXIST ? RaisonEchec::NomPris : RaisonEchec::EcritureImpossible;
    }
    if (!m_fichier.Fermer()) {
        return RaisonEchec::EcritureImpossible;
    }
    return std::nullopt;
}

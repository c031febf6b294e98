#include "core/platform/Emplacements.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace {
QString AvecBarre(QString dossier) {
    if (!dossier.endsWith(u'/')) {
        dossier += u'/';
    }
    return dossier;
}

// access() rather than the permission bits: a read-only mount refuses even root.
bool Inscriptible(const QString& dossier) {
    return ::access(QFile::encodeName(dossier).constData(), W_OK | X_OK) == 0;
}
} // namespace

QString Emplacements::DossierUtilisateur() {
    return AvecBarre(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) +
           QStringLiteral("ovan-messenger/");
}

Emplacements Emplacements::Choisir(const QString& dossierExecutable, const QString& donneesInstallees) {
    const QString executable = AvecBarre(dossierExecutable);
    // A build keeps its smileys beside the program.
    const bool installe =
        !QFileInfo::exists(executable + QStringLiteral("Smileys")) && !donneesInstallees.isEmpty();
    Emplacements e;
    e.donnees = installe ? AvecBarre(QDir::cleanPath(executable + donneesInstallees)) : executable;
    e.ecriture = e.donnees;
    if (!Inscriptible(e.donnees)) {
        e.ecriture = DossierUtilisateur();
        QDir().mkpath(e.ecriture);
    }
    return e;
}

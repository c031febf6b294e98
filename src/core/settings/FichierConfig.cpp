#include "core/settings/FichierConfig.h"

#include "core/platform/Ansi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QStandardPaths>
#include <climits>

#include <fcntl.h>
#include <unistd.h>

LignesConfig LireConfig(const QByteArray& contenu) {
    LignesConfig lignes;
    qsizetype debut = 0;
    while (debut < contenu.size()) {
        qsizetype fin = contenu.indexOf('\n', debut);
        const qsizetype suivante = fin < 0 ? contenu.size() : fin + 1;
        if (fin < 0) {
            fin = contenu.size();
        }
        if (fin > debut && contenu[fin - 1] == '\r') {
            --fin;
        }
        const QByteArrayView ligne(contenu.constData() + debut, fin - debut);
        const qsizetype deuxPoints = ligne.indexOf(':');
        if (deuxPoints >= 0) {
            lignes.append(
                {ligne.first(deuxPoints).toByteArray(), ligne.sliced(deuxPoints + 1).toByteArray()});
        }
        debut = suivante;
    }
    return lignes;
}

QByteArray EcrireConfig(const LignesConfig& lignes) {
    QByteArray contenu;
    for (const auto& [cle, valeur] : lignes) {
        contenu += cle + ':' + valeur + "\r\n";
    }
    return contenu;
}

int Atoi(const QByteArray& texte) {
    qsizetype i = 0;
    while (i < texte.size() && (texte[i] == ' ' || (texte[i] >= '\t' && texte[i] <= '\r'))) {
        ++i;
    }
    bool negatif = false;
    if (i < texte.size() && (texte[i] == '+' || texte[i] == '-')) {
        negatif = texte[i] == '-';
        ++i;
    }
    long long valeur = 0;
    for (; i < texte.size() && texte[i] >= '0' && texte[i] <= '9'; ++i) {
        valeur = std::min<long long>(valeur * 10 + (texte[i] - '0'), 1LL + INT_MAX);
    }
    valeur = negatif ? -valeur : valeur;
    return int(std::clamp<long long>(valeur, INT_MIN, INT_MAX));
}

Reglages LireReglages(const QByteArray& contenu) {
    Reglages r;
    for (const auto& [cle, valeur] : LireConfig(contenu)) {
        if (cle == "PSEUDO") {
            r.Pseudo = Ansi::DepuisAnsi(valeur);
        } else if (cle == "DOSSIER") {
            r.Dossier = Ansi::DepuisAnsi(valeur);
        } else if (cle == "POLICE" || cle == "COULEUR" || cle == "FORMAT" || cle == "QUALITE") {
            const int index = Atoi(valeur);
            if (index < 0) {
                continue;
            }
            (cle == "POLICE"    ? r.Police
             : cle == "COULEUR" ? r.Couleur
             : cle == "FORMAT"  ? r.Format
                                : r.Qualite) = index;
        } else if (cle == "GRAS" || cle == "ITALIQUE" || cle == "SOULIGNE" || cle == "ENVOICAPT") {
            std::optional<bool>& drapeau = cle == "GRAS"       ? r.Gras
                                           : cle == "ITALIQUE" ? r.Italique
                                           : cle == "SOULIGNE" ? r.Souligne
                                                               : r.EnvoiCapture;
            // A later 0 never clears a 1: loading only ever ticks a box.
            drapeau = drapeau.value_or(false) || Atoi(valeur) == 1;
        }
    }
    return r;
}

QByteArray EcrireReglages(const Reglages& r) {
    LignesConfig lignes;
    auto texte = [&](const char* cle, const std::optional<QString>& v) {
        if (v) {
            lignes.append({cle, Ansi::VersAnsi(*v)});
        }
    };
    auto index = [&](const char* cle, std::optional<int> v) {
        if (v) {
            lignes.append({cle, QByteArray::number(*v)});
        }
    };
    auto drapeau = [&](const char* cle, std::optional<bool> v) {
        if (v) {
            lignes.append({cle, QByteArray(*v ? "1" : "0")});
        }
    };
    texte("PSEUDO", r.Pseudo);
    texte("DOSSIER", r.Dossier);
    index("POLICE", r.Police);
    index("COULEUR", r.Couleur);
    drapeau("GRAS", r.Gras);
    drapeau("ITALIQUE", r.Italique);
    drapeau("SOULIGNE", r.Souligne);
    index("FORMAT", r.Format);
    index("QUALITE", r.Qualite);
    drapeau("ENVOICAPT", r.EnvoiCapture);
    return EcrireConfig(lignes);
}

namespace {

bool SynchroniserDossier(const QString& dossier) {
    const int fd = ::open(QFile::encodeName(dossier).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

bool SauverFichierConfig(const QString& dossier, const QByteArray& contenu) {
    const QString temporaire = dossier + QStringLiteral("config_tmp.ini");
    const QString final_ = dossier + QStringLiteral("config.ini");
    QFile fichier(temporaire);
    bool ok = fichier.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
              fichier.write(contenu) == contenu.size() && fichier.flush() && ::fsync(fichier.handle()) == 0;
    fichier.close();
    ok =
        ok && ::rename(QFile::encodeName(temporaire).constData(), QFile::encodeName(final_).constData()) == 0;
    if (!ok) {
        QFile::remove(temporaire);
        return false;
    }
    // The rename itself must reach the disk.
    SynchroniserDossier(dossier);
    return true;
}

QString ChercheNomPC() {
    return QHostInfo::localHostName();
}

QString DossierParDefaut() {
    const QString telechargements = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    QString dossier =
        !telechargements.isEmpty() && QDir(telechargements).exists() ? telechargements : QDir::homePath();
    if (!dossier.endsWith(u'/')) {
        dossier += u'/';
    }
    return dossier;
}

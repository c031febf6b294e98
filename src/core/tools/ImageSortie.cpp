#include "core/tools/ImageSortie.h"

#include "core/transfer/NomsFichiers.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

bool ImageSortie::Creer(const QString& dossier) {
    return m_fichier.Creer(QFile::encodeName(dossier), true);
}

QString ImageSortie::Nommer(const QString& chemin) {
    QString voulu = chemin;
    for (int essai = 0; essai < 100 && !voulu.isEmpty(); ++essai) {
        if (m_fichier.Nommer(QFile::encodeName(QFileInfo(voulu).fileName()))) {
            return m_fichier.Fermer() ? voulu : QString();
        }
        if (errno != EEXIST) {
            break;
        }
        voulu = NomsFichiers::ChangeNom(voulu);
    }
    Abandonner();
    return {};
}

#include "ui/platform/Traductions.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace Traductions {

bool InstallerFrancais(QCoreApplication& application) {
    const QString dossier = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool chargee = false;
    // qtbase holds the stock dialogs; qtmultimedia the few texts the sound layer may show.
    for (const char* catalogue : {"qtbase_fr", "qtmultimedia_fr"}) {
        auto* traducteur = new QTranslator(&application);
        if (traducteur->load(QString::fromLatin1(catalogue), dossier) &&
            QCoreApplication::installTranslator(traducteur)) {
            chargee = true;
        } else {
            delete traducteur;
        }
    }
    return chargee;
}

} // namespace Traductions

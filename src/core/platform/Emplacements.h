// Where the program reads its own files and where it writes the user's: beside the executable in a
// build, the shared data folder and the user's data folder once installed.
#pragma once

#include <QString>

struct Emplacements {
    // Sounds, smileys, the icon and the guide; ends in "/".
    QString donnees;
    // config.ini, historique.db and the captures; ends in "/".
    QString ecriture;

    // dossierExecutable: the folder of the running program. Its own files lie there (a build) or at
    // donneesInstallees relative to it (installed). What the program writes goes where its data lies
    // when that folder may be written, else to the user's data folder, made if needed.
    static Emplacements Choisir(const QString& dossierExecutable, const QString& donneesInstallees);
    // $XDG_DATA_HOME/ovan-messenger/ (by default ~/.local/share/ovan-messenger/).
    static QString DossierUtilisateur();
};

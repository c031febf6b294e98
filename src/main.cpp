// OVAN Messenger: one running copy in one event loop.
#include "ui/app/Images.h"
#include "ui/app/Ovan.h"
#include "ui/platform/Dialogues.h"
#include "ui/platform/Shell.h"
#include "ui/platform/Sons.h"
#include "ui/platform/Traductions.h"

#include <QApplication>
#include <csignal>

int main(int argc, char* argv[]) {
    // A file-size limit must be an error we report, not a silent death.
    std::signal(SIGXFSZ, SIG_IGN);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OVAN Messenger"));
    // The desktop matches the windows to the menu entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.ovan.Messenger"));
    // The program speaks French: so do Qt's stock boxes and dialogs.
    Traductions::InstallerFrancais(application);
    QApplication::setWindowIcon(Images::IconeProgramme());
    // The program lives in the notification area too: a hidden main window does not quit.
    QApplication::setQuitOnLastWindowClosed(false);

    DialoguesReels dialogues;
    ShellReel shell;
    SonsReels sons;
    Ovan::Parametres parametres;
    const Emplacements emplacements = Ovan::EmplacementsProgramme();
    parametres.DossExec = emplacements.donnees;
    parametres.DossEcriture = emplacements.ecriture;
    parametres.dialogues = &dialogues;
    parametres.shell = &shell;
    parametres.sons = &sons;

    Ovan ovan(parametres);
    // exit(), not quit(): quit() first asks every window to close, and ours only hide.
    QObject::connect(&ovan, &Ovan::arrete, &application, [] { QCoreApplication::exit(0); });
    ovan.Demarrer();
    return application.exec();
}

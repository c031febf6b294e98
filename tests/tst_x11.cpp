// On a real X display under a window manager (run through x11/sous_x11.sh): real keys and a real
// notification area.
#include "CopieOvan.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/app/SysTray.h"
#include "ui/history/FenetreHistorique.h"

#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextEdit>

#include <optional>

namespace {

bool Xdotool(const QStringList& arguments) {
    return QProcess::execute("xdotool", arguments) == 0;
}

// The box holds the keyboard focus of the active window; asks again while the window manager is
// still busy with a window that was just shown or hidden.
bool Focaliser(QWidget* zone) {
    return QTest::qWaitFor(
        [zone] {
            if (!zone->window()->isActiveWindow()) {
                zone->window()->raise();
                zone->window()->activateWindow();
            }
            zone->setFocus();
            return zone->hasFocus() && QGuiApplication::focusWindow() == zone->window()->windowHandle();
        },
        5000);
}

} // namespace

class TestX11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), "xcb"); }

    // Each shortcut typed on the keyboard, from each box that has key bindings of its own, runs its
    // menu item and its command.
    void raccourcisDepuisChaqueZone() {
        CopieOvan a("127.0.0.156", "PSEUDO:Paul", true);
        Interface& ui = a.interface();
        FenetrePrincipale* principale = ui.FenetrehWnd;
        QVERIFY(QTest::qWaitForWindowExposed(principale));
        QSignalSpy menus(principale, &FenetrePrincipale::commandeMenu);
        QSignalSpy commandes(&a.ovan(), &Ovan::commande);
        // No command: the menu item runs no numbered command.
        const std::tuple<const char*, Menu, std::optional<Commande>> raccourcis[] = {
            {"ctrl+e", Menu::EnvoyerFichier, Commande::EnvoyerFichier},
            {"ctrl+s", Menu::Connecter, Commande::Connecter},
            {"ctrl+d", Menu::Deconnecter, Commande::Deconnecter},
            {"ctrl+r", Menu::FichiersRecus, Commande::OuvrirFichiersRecus},
            {"ctrl+q", Menu::Quitter, {}},
            {"ctrl+m", Menu::Avis, {}},
            {"ctrl+f", Menu::Compression, {}},
            {"ctrl+i", Menu::ConversionImages, {}},
            {"ctrl+o", Menu::Options, {}},
            {"ctrl+h", Menu::Historique, {}},
        };
        // The nickname window last: it calls itself back when the others open.
        for (QWidget* zone : QList<QWidget*>{ui.TextBoxhWnd[ZoneAdresse], ui.TextBoxhWnd[ZonePseudo],
                                             ui.RichEdithWnd[ZoneSaisie], ui.TextBoxhWnd[ZoneOptionsPseudo],
                                             ui.TextBoxhWnd[ZoneChoixPseudo]}) {
            for (const auto& [touches, menu, commande] : raccourcis) {
                const QString cas = zone->property("id").toString() + u' ' + touches;
                // From a fresh state each time: the previous shortcut may have opened a window.
                for (QWidget* f : ui.Fenetres()) {
                    f->setVisible(f == principale || f == zone->window());
                }
                a.ovan().fenetreHistorique()->Fenetre()->hide();
                principale->Activer(true);
                QVERIFY2(Focaliser(zone), qPrintable(cas));
                a.dialogues().Repondre(Dialogues::Reponse::Non); // asked whether to quit: no
                menus.clear();
                commandes.clear();
                Xdotool({"key", "--window", QString::number(zone->window()->winId()), touches});
                QTRY_VERIFY2(menus.count() == 1, qPrintable(cas));
                QCOMPARE(menus[0][0].toInt(), int(menu));
                QVERIFY2(!commande || (commandes.count() == 1 && commandes[0][0].toInt() == int(*commande)),
                         qPrintable(cas));
            }
        }
    }

    // The icon comes without a word; a double click brings the closed window back with its sound;
    // the right button's "Quitter" asks nothing.
    void iconeDansLaZoneDeNotification() {
        QProcess hote;
        hote.start("trayer",
                   {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32"});
        if (!hote.waitForStarted(5000) || !QTest::qWaitFor(&QSystemTrayIcon::isSystemTrayAvailable, 10000)) {
            QSKIP("the tray host (trayer) cannot be started");
        }
        CopieOvan c("127.0.0.180", [](const QString& dossier) {
            QFile::copy(QCoreApplication::applicationDirPath() + "/../OVAN_Messenger/OVAN_Messenger.ico",
                        dossier + "OVAN_Messenger.ico");
        });
        FenetrePrincipale* f = c.interface().FenetrehWnd;
        QTRY_COMPARE(f->fondu().Sens(), 0);
        c.ovan().AjouterIconeNotification();
        QVERIFY(c.dialogues().Appels().isEmpty() && c.ovan().IconeNotification());
        // The icon's X window, once the tray host has taken it in.
        const auto trouver = [] {
            const QWidgetList l = QApplication::topLevelWidgets();
            const auto w = std::find_if(l.begin(), l.end(),
                                        [](QWidget* w) { return w->inherits("QSystemTrayIconSys"); });
            return w != l.end() && (*w)->isVisible() && (*w)->width() > 0 ? *w : nullptr;
        };
        QWidget* icone = nullptr;
        QTRY_VERIFY((icone = trouver()));
        const auto cliquer = [](QWidget* w, QPoint p, const QStringList& clic) {
            return Xdotool(QStringList{"mousemove", "--window", QString::number(w->winId()),
                                       QString::number(p.x()), QString::number(p.y()), "click"} +
                           clic);
        };
        f->close();
        QTRY_VERIFY(!f->isVisible());
        QVERIFY(cliquer(icone, {4, 4}, {"--repeat", "2", "--delay", "80", "1"}));
        QTRY_VERIFY(f->isVisible());
        QTRY_COMPARE(c.sons().Joues().count(c.Dossier() + "Sons/open.wav"), 1);
        QTRY_COMPARE(f->fondu().Sens(), 0);

        QSignalSpy arret(&c.ovan(), &Ovan::arrete);
        QMenu* menu = c.ovan().sysTray().Menu();
        QVERIFY(cliquer(icone, {4, 4}, {"3"}));
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QVERIFY(cliquer(menu, menu->actionGeometry(c.ovan().sysTray().ActionQuitter()).center(), {"1"}));
        QTRY_COMPARE(arret.count(), 1);
        QVERIFY(c.dialogues().Appels().isEmpty() && !c.ovan().sysTray().Presente());
    }
};

QTEST_MAIN(TestX11)
#include "tst_x11.moc"

// On a real X display under a window manager (run through x11/sous_x11.sh): owned windows stay
// above the main window, and the accelerators win over the boxes' own X11 key bindings.
#include "CopieOvan.h"
#include "app/FenetreOvan.h"
#include "app/FenetrePrincipale.h"
#include "app/Fondu.h"
#include "app/Interface.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <optional>

namespace {

// An X tool's answer; window ids are what follows "#" ("WM_TRANSIENT_FOR(WINDOW): window id # 0x4006").
QList<WId> Outil(const QString& programme, const QStringList& arguments) {
    QProcess p;
    p.start(programme, arguments);
    p.waitForFinished(10000);
    const QString sortie = QString::fromLatin1(p.readAllStandardOutput());
    QList<WId> ids;
    for (const QString& id : sortie.mid(sortie.indexOf(u'#') + 1).split(u',', Qt::SkipEmptyParts)) {
        ids << id.trimmed().toULongLong(nullptr, 16);
    }
    return sortie.contains(u'#') ? ids : QList<WId>();
}

// The window the window manager keeps this one above, 0 for none.
WId Proprietaire(QWidget* f) {
    return Outil(QStringLiteral("xprop"),
                 {QStringLiteral("-id"), QString::number(f->winId()), QStringLiteral("WM_TRANSIENT_FOR")})
        .value(0);
}

bool Dessus(QWidget* haut, QWidget* bas) {
    const QList<WId> pile = Outil(QStringLiteral("xprop"),
                                  {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    return pile.contains(bas->winId()) && pile.indexOf(haut->winId()) > pile.indexOf(bas->winId());
}

// The box holds the keyboard focus of the active window; asks again while the window manager is
// still busy with a window that was just shown or hidden.
bool Focaliser(QWidget* zone) {
    return QTest::qWaitFor(
        [zone] {
            QWidget* fenetre = zone->window();
            if (!fenetre->isActiveWindow()) {
                fenetre->raise();
                fenetre->activateWindow();
            }
            zone->setFocus();
            return zone->hasFocus() && QGuiApplication::focusWindow() == fenetre->windowHandle();
        },
        5000);
}

} // namespace

class TestX11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb")); }
    void fenetresPossedeesAuDessus();
    void raccourcisDepuisChaqueZone();
};

void TestX11::fenetresPossedeesAuDessus() {
    // A missing received-files folder forces the Options window open over the disabled main window:
    // after it, so in front and with the focus; a click on the main window does not bury it.
    CopieOvan a(QStringLiteral("127.0.0.155"), "PSEUDO:Paul");
    Interface& ui = a.interface();
    FenetrePrincipale* principale = ui.FenetrehWnd;
    QVERIFY(QTest::qWaitForWindowExposed(principale));
    QVERIFY(!principale->Active());
    QTRY_COMPARE(QApplication::activeWindow(), ui.OptionshWnd);
    QTRY_VERIFY(Dessus(ui.OptionshWnd, principale));

    for (FenetreOvan* f :
         {ui.OptionshWnd, ui.ApposhWnd, ui.ReseauhWnd, ui.PseudohWnd, ui.SmileyhWnd, ui.StyleTextehWnd}) {
        f->fondu().Entrer();
        QVERIFY(QTest::qWaitForWindowExposed(f));
        QVERIFY2(Proprietaire(f) == principale->winId(), qPrintable(f->windowTitle()));
        principale->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(principale));
        QTRY_VERIFY2(Dessus(f, principale), qPrintable(f->windowTitle()));
        QTRY_COMPARE(f->fondu().Sens(), 0);
        if (f != ui.OptionshWnd) {
            f->hide();
        }
    }
    // Windows without an owner still come to the front and take the focus.
    for (FenetreOvan* f : {ui.ImageshWnd, ui.CompressionhWnd, ui.TransferthWnd}) {
        f->fondu().Entrer();
        QVERIFY(QTest::qWaitForWindowActive(f));
        QCOMPARE(Proprietaire(f), WId(0));
        QTRY_VERIFY(Dessus(f, principale));
    }
}

void TestX11::raccourcisDepuisChaqueZone() {
    CopieOvan a(QStringLiteral("127.0.0.156"), "PSEUDO:Paul", true);
    Interface& ui = a.interface();
    FenetrePrincipale* principale = ui.FenetrehWnd;
    QVERIFY(QTest::qWaitForWindowExposed(principale));
    QSignalSpy menus(principale, &FenetrePrincipale::commandeMenu);
    QSignalSpy commandes(&a.ovan(), &Ovan::commande);

    const struct {
        const char* touches;
        Menu menu;
        std::optional<Commande> commande; // none: the menu item runs no numbered command
    } raccourcis[] = {
        {"ctrl+e", Menu::EnvoyerFichier, Commande::EnvoyerFichier},
        {"ctrl+s", Menu::Connecter, Commande::Connecter},
        {"ctrl+d", Menu::Deconnecter, Commande::Deconnecter},
        {"ctrl+r", Menu::FichiersRecus, Commande::OuvrirFichiersRecus},
        {"ctrl+q", Menu::Quitter, {}},
        {"ctrl+m", Menu::Avis, {}},
        {"ctrl+f", Menu::Compression, {}},
        {"ctrl+i", Menu::ConversionImages, {}},
        {"ctrl+o", Menu::Options, {}},
    };
    // The main window's one-line boxes and input box, the Options and nickname windows' boxes (the
    // nickname window last: it calls itself back when the others open).
    const QList<QWidget*> zones = {ui.TextBoxhWnd[ZoneAdresse], ui.TextBoxhWnd[ZonePseudo],
                                   ui.RichEdithWnd[ZoneSaisie], ui.TextBoxhWnd[ZoneOptionsPseudo],
                                   ui.TextBoxhWnd[ZoneChoixPseudo]};
    for (QWidget* zone : zones) {
        for (const auto& r : raccourcis) {
            const QString cas = zone->property("id").toString() + u' ' + QLatin1String(r.touches);
            // From a fresh state each time: the previous shortcut may have opened a window.
            for (QWidget* f : ui.Fenetres()) {
                f->setVisible(f == principale || f == zone->window());
            }
            principale->Activer(true);
            QVERIFY2(Focaliser(zone), qPrintable(cas));
            if (r.menu == Menu::Quitter) {
                a.dialogues().Repondre(Dialogues::Reponse::Non); // asked whether to quit: no
            }
            menus.clear();
            commandes.clear();

            // A real X key event, as the X server delivers a key typed on the keyboard.
            QProcess::execute(QStringLiteral("xdotool"),
                              {QStringLiteral("key"), QStringLiteral("--window"),
                               QString::number(zone->window()->winId()), QLatin1String(r.touches)});
            QTRY_VERIFY2(menus.count() == 1, qPrintable(cas));
            QCOMPARE(menus[0][0].toInt(), int(r.menu));
            if (r.commande) {
                QCOMPARE(commandes.count(), 1);
                QCOMPARE(commandes[0][0].toInt(), int(*r.commande));
            }
        }
    }
}

QTEST_MAIN(TestX11)
#include "tst_x11.moc"

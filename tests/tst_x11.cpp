// On a real X display under a window manager (x11/sous_x11.sh): owned windows stay above the main
// one, shortcuts win over the boxes' keys, a file dragged from another client, a real tray.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "Fichiers.h"
#include "core/chat/Trame.h"
#include "ui/app/SysTray.h"
#include "ui/conversation/Smileys.h"
#include "ui/conversation/VueConversation.h"
#include "ui/history/FenetreHistorique.h"

#include <QCursor>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>

namespace {

bool Xdotool(const QStringList& arguments) {
    return QProcess::execute("xdotool", arguments) == 0;
}

// xprop's window ids, what follows "#" ("WM_TRANSIENT_FOR(WINDOW): window id # 0x4006").
QList<WId> Xprop(const QStringList& arguments) {
    QProcess p;
    p.start("xprop", arguments);
    p.waitForFinished(10000);
    QList<WId> ids;
    for (const QString& id :
         QString(p.readAllStandardOutput()).section(u'#', 1).split(u',', Qt::SkipEmptyParts)) {
        ids << id.trimmed().toULongLong(nullptr, 16);
    }
    return ids;
}

// The window the window manager keeps this one above, 0 for none.
WId Proprietaire(QWidget* f) {
    return Xprop({"-id", QString::number(f->winId()), "WM_TRANSIENT_FOR"}).value(0);
}

bool Dessus(QWidget* haut, QWidget* bas) {
    const QList<WId> pile = Xprop({"-root", "_NET_CLIENT_LIST_STACKING"});
    return pile.contains(bas->winId()) && pile.indexOf(haut->winId()) > pile.indexOf(bas->winId());
}

// The box holds the focus of the active window, asked again while the window manager is busy.
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

// The X window of the icon, once the tray host has taken it in.
QWidget* WidgetIcone() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (QByteArray(w->metaObject()->className()) == "QSystemTrayIconSys" && w->isVisible())
            return w;
    return nullptr;
}

// The drag source (x11/source_glisser) beside a window, as a file manager, and its lines on stdout.
// It stays until destroyed: the target reads the dragged names only once dropped.
struct SourceGlisser {
    SourceGlisser(QWidget* voisine, const QStringList& fichiers) {
        QObject::connect(&m, &QProcess::readyReadStandardOutput, &m, [this] {
            while (m.canReadLine())
                lignes << QString::fromUtf8(m.readLine()).trimmed();
        });
        m.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QPoint ici = voisine->window()->frameGeometry().topRight() + QPoint(20, 0);
        m.start(QCoreApplication::applicationDirPath() + "/source_glisser",
                QStringList{QString::number(ici.x()), QString::number(ici.y())} + fichiers);
    }
    ~SourceGlisser() {
        m.kill();
        m.waitForFinished();
    }
    // What follows debut in the latest line that starts with it; null after 10 s.
    QString Attendre(const QString& debut) {
        QString suite;
        (void)QTest::qWaitFor(
            [&] {
                for (qsizetype i = lignes.size() - 1; i >= 0 && suite.isNull(); --i)
                    suite = lignes[i].startsWith(debut) ? lignes[i].mid(debut.size()) : QString();
                return !suite.isNull();
            },
            10000);
        return suite;
    }
    static bool Aller(const QPoint& p) {
        return Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y())});
    }
    // Drags with the real pointer onto cible: the source's final drop action, -1 for no drag.
    int Glisser(QWidget* cible) {
        const QStringList depart = Attendre("prete ").split(u' ');
        const QPoint de(depart.value(0).toInt(), depart.value(1).toInt());
        const QPoint vers = cible->mapToGlobal(cible->rect().center());
        const QPoint desert = cible->window()->frameGeometry().topLeft() - QPoint(20, 20); // no window there
        if (depart.size() != 2 || desert.x() < 0 || desert.y() < 0 || !Aller(de) ||
            !Xdotool({"mousedown", "1"}) || Attendre("glisse").isNull()) {
            return -1;
        }
        // The source sends a position once the previous one is answered, and the drop goes where the
        // last one went: round the window in steps, then onto cible in one motion.
        for (const QPoint& coin : {QPoint(de.x(), desert.y()), desert, QPoint(desert.x(), vers.y())}) {
            const QPoint ici = QCursor::pos();
            for (int i = 1; i <= 5; ++i)
                Aller(ici + (coin - ici) * i / 5);
        }
        const qsizetype avant = lignes.size();
        Aller(vers);
        if (!QTest::qWaitFor([&] { return lignes.mid(avant).contains("action 1"); }, 5000))
            qWarning("the target did not accept the files");
        Xdotool({"mouseup", "1"});
        const QString fin = Attendre("fin ");
        return fin.isNull() ? -1 : fin.toInt();
    }
    QProcess m;
    QStringList lignes;
};

} // namespace

class TestX11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), "xcb"); }

    // A click on the main window buries none of its owned windows, the forced Options first.
    void fenetresPossedeesAuDessus() {
        CopieOvan a("127.0.0.155", "PSEUDO:Paul");
        Interface& ui = a.interface();
        FenetrePrincipale* principale = ui.FenetrehWnd;
        QVERIFY(QTest::qWaitForWindowExposed(principale));
        QVERIFY(!principale->Active());
        QTRY_COMPARE(QApplication::activeWindow(), ui.OptionshWnd);
        QTRY_VERIFY(Dessus(ui.OptionshWnd, principale));
        for (FenetreOvan* f : {ui.OptionshWnd, ui.ApposhWnd, ui.ReseauhWnd, ui.PseudohWnd, ui.SmileyhWnd,
                               ui.StyleTextehWnd, a.ovan().fenetreHistorique()->Fenetre()}) {
            f->fondu().Entrer();
            QVERIFY(QTest::qWaitForWindowExposed(f));
            QVERIFY2(Proprietaire(f) == principale->winId(), qPrintable(f->windowTitle()));
            principale->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(principale));
            QTRY_VERIFY2(Dessus(f, principale), qPrintable(f->windowTitle()));
            QTRY_COMPARE(f->fondu().Sens(), 0);
            if (f != ui.OptionshWnd)
                f->hide();
        }
        for (FenetreOvan* f : {ui.ImageshWnd, ui.CompressionhWnd, ui.TransferthWnd}) {
            f->fondu().Entrer();
            QVERIFY(QTest::qWaitForWindowActive(f));
            QCOMPARE(Proprietaire(f), WId(0));
            QTRY_VERIFY(Dessus(f, principale));
        }
    }

    // Run under several themes and scales: windows fit the screen, text stays dark on light.
    void fenetresDansLEcranEtLisibles() {
        if (qEnvironmentVariable("GTK_THEME").contains("dark")) {
            QVERIFY2(QApplication::palette().color(QPalette::Window).lightness() < 128,
                     "the theme is not dark");
        }
        CopieOvan a("127.0.0.159", [](const QString& dossier) { CopierSmileys(dossier); });
        Interface& ui = a.interface();
        FenetrePrincipale* principale = ui.FenetrehWnd;
        QVERIFY(QTest::qWaitForWindowExposed(principale));
        QTRY_COMPARE(principale->fondu().Sens(), 0);
        const QRect zone = principale->screen()->availableGeometry();
        const auto dansLEcran = [&zone](QWidget* f) {
            const QRect cadre = f->frameGeometry();
            return (cadre.width() > zone.width()
                        ? cadre.left() == zone.left()
                        : cadre.left() >= zone.left() && cadre.right() <= zone.right()) &&
                   (cadre.height() > zone.height()
                        ? cadre.top() == zone.top()
                        : cadre.top() >= zone.top() && cadre.bottom() <= zone.bottom());
        };
        QTRY_VERIFY2(dansLEcran(principale), qPrintable(QDebug::toString(principale->frameGeometry())));
        QVERIFY(principale->geometry().top() > principale->frameGeometry().top() ||
                principale->frameGeometry().top() >= zone.top());
        for (FenetreOvan* f :
             {ui.ApposhWnd, ui.ReseauhWnd, ui.OptionshWnd, ui.PseudohWnd, ui.ImageshWnd, ui.CompressionhWnd,
              ui.TransferthWnd, ui.SmileyhWnd, ui.StyleTextehWnd, a.ovan().fenetreHistorique()->Fenetre()}) {
            f->show();
            QVERIFY(QTest::qWaitForWindowExposed(f));
            QTRY_VERIFY2(dansLEcran(f), qPrintable(f->windowTitle() + QDebug::toString(f->frameGeometry())));
            f->hide();
        }
        // Beside the main window, wherever it was moved; closed, the message goes on.
        FauxContact bob("127.0.0.160");
        QVERIFY(bob.Appeler(a.Adresse()));
        bob.Envoyer(Trame::Log("Bob"));
        QTRY_COMPARE(a.ovan().Etat(), EtatConnexion::Connecte);
        principale->move(zone.topLeft() + QPoint(40, 30));
        QTRY_COMPARE(principale->frameGeometry().topLeft(), zone.topLeft() + QPoint(40, 30));
        a.ovan().ClicBouton(Commande::OuvrirSmileys);
        QTRY_COMPARE(ui.SmileyhWnd->pos(), principale->frameGeometry().topLeft() + QPoint(10, 10));
        QVERIFY(QTest::qWaitForWindowActive(ui.SmileyhWnd));
        a.ovan().ClicBouton(Commande::FermerSmileys);
        QTRY_VERIFY(ui.RichEdithWnd[ZoneSaisie]->hasFocus());

        // Dark text on a light ground, read back from what is drawn.
        const auto clair = [](const QImage& image, const QPoint& p) {
            return image.pixelColor(p).lightness() > 200;
        };
        const auto sombre = [](const QImage& image) {
            for (int i = 0; i < image.width() * image.height(); ++i)
                if (image.pixelColor(i % image.width(), i / image.width()).lightness() < 90)
                    return true;
            return false;
        };
        a.ovan().vueConversation().Message(QStringLiteral("Bonjour ") + CodesSmileys[1], true);
        const QImage vue = a.Conversation()->viewport()->grab().toImage();
        QVERIFY(clair(vue, {vue.width() - 3, vue.height() - 3}) && sombre(vue));
        const QImage etiquette = ui.LabelhWnd[LabelPseudo]->grab().toImage();
        QVERIFY(clair(etiquette, {etiquette.width() - 1, etiquette.height() / 2}) && sombre(etiquette));
        const QImage smiley = a.Conversation()
                                  ->document()
                                  ->resource(QTextDocument::ImageResource, QUrl(Smileys::NomImage(1)))
                                  .value<QImage>();
        QCOMPARE(smiley.devicePixelRatio(), principale->devicePixelRatioF());
    }

    // Each shortcut, typed in each box with key bindings of its own, runs its menu item.
    void raccourcisDepuisChaqueZone() {
        CopieOvan a("127.0.0.156", "PSEUDO:Paul", true);
        Interface& ui = a.interface();
        FenetrePrincipale* principale = ui.FenetrehWnd;
        QVERIFY(QTest::qWaitForWindowExposed(principale));
        QSignalSpy menus(principale, &FenetrePrincipale::commandeMenu);
        const std::pair<const char*, Menu> raccourcis[] = {
            {"ctrl+e", Menu::EnvoyerFichier}, {"ctrl+s", Menu::Connecter},
            {"ctrl+d", Menu::Deconnecter},    {"ctrl+r", Menu::FichiersRecus},
            {"ctrl+q", Menu::Quitter},        {"ctrl+m", Menu::Avis},
            {"ctrl+f", Menu::Compression},    {"ctrl+i", Menu::ConversionImages},
            {"ctrl+o", Menu::Options},        {"ctrl+h", Menu::Historique}};
        // The nickname window last: it calls itself back when the others open.
        for (QWidget* zone : QList<QWidget*>{ui.TextBoxhWnd[ZoneAdresse], ui.TextBoxhWnd[ZonePseudo],
                                             ui.RichEdithWnd[ZoneSaisie], ui.TextBoxhWnd[ZoneOptionsPseudo],
                                             ui.TextBoxhWnd[ZoneChoixPseudo]}) {
            for (const auto& [touches, menu] : raccourcis) {
                const QString cas = zone->property("id").toString() + u' ' + touches;
                // From a fresh state each time: the previous shortcut may have opened a window.
                for (QWidget* f : ui.Fenetres())
                    f->setVisible(f == principale || f == zone->window());
                a.ovan().fenetreHistorique()->Fenetre()->hide();
                principale->Activer(true);
                QVERIFY2(Focaliser(zone), qPrintable(cas));
                a.dialogues().Repondre(Dialogues::Reponse::Non); // asked whether to quit: no
                menus.clear();
                Xdotool({"key", "--window", QString::number(zone->window()->winId()), touches});
                QTRY_VERIFY2(menus.count() == 1 && menus[0][0].toInt() == int(menu), qPrintable(cas));
            }
        }
    }

    // A file dragged from another program onto the conversation is offered.
    void fichiersGlissesDepuisUnAutreProgramme() {
        CopieOvan a("127.0.0.157", QByteArray(), true);
        CopieOvan b("127.0.0.158", QByteArray(), true);
        QVERIFY(ConnecterCopies(a, "Alice", b, "Bob"));
        QTRY_COMPARE(a.ovan().conversation().SonPseudo(), "Bob");
        // Alice's window over Bob's, which opened at the same place.
        FenetrePrincipale* principale = a.interface().FenetrehWnd;
        QVERIFY(QTest::qWaitForWindowExposed(principale));
        principale->raise();
        principale->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(principale));
        QTRY_VERIFY(Dessus(principale, b.interface().FenetrehWnd));
        QTemporaryDir dossier;
        const QString fichier = EcrireMotif(dossier.path() + "/relevé été.bin", 300 * 1024);
        SourceGlisser un(principale, {fichier});
        QCOMPARE(un.Glisser(a.Conversation()->viewport()), int(Qt::CopyAction));
        QTRY_VERIFY(a.TexteConversation().contains("Vous désirez envoyer 'relevé été.bin' à Bob."));
        QTRY_VERIFY(b.dialogues().Textes().value(0).startsWith("Alice veut vous envoyer 'relevé été.bin'."));
        QVERIFY(a.dialogues().Appels().isEmpty());
    }

    // With a tray host the icon is there without a word; closed, the window goes to it and a double
    // click brings it back with the opening sound; the right button opens the menu.
    void iconeDansLaZoneDeNotification() {
        QProcess hote;
        hote.start("trayer",
                   {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32"});
        if (!hote.waitForStarted(5000) || !QTest::qWaitFor(&QSystemTrayIcon::isSystemTrayAvailable, 10000))
            QSKIP("the tray host (trayer) cannot be started");
        CopieOvan c("127.0.0.180", [](const QString& dossier) {
            QFile::copy(DossierProgramme() + "OVAN_Messenger.ico", dossier + "OVAN_Messenger.ico");
        });
        FenetrePrincipale* f = c.interface().FenetrehWnd;
        QTRY_COMPARE(f->fondu().Sens(), 0);
        c.ovan().AjouterIconeNotification();
        QVERIFY(c.dialogues().Appels().isEmpty() && c.ovan().IconeNotification());
        QWidget* icone = nullptr;
        QTRY_VERIFY((icone = WidgetIcone()) && icone->width() > 0);
        const auto cliquer = [](QWidget* w, QPoint p, const QStringList& clic) {
            return Xdotool(QStringList{"mousemove", "--window", QString::number(w->winId()),
                                       QString::number(p.x()), QString::number(p.y()), "click"} +
                           clic);
        };
        f->close();
        QTRY_VERIFY(!f->isVisible());
        // Said once where the window went.
        QVERIFY(QFile::exists(c.Dossier() + ".zone-notification-expliquee"));
        QVERIFY(cliquer(icone, {4, 4}, {"--repeat", "2", "--delay", "80", "1"}));
        QTRY_VERIFY(f->isVisible());
        QTRY_COMPARE(c.sons().Joues.count(c.Dossier() + "Sons/open.wav"), 1);
        // One click hides and shows, as other Linux desktops do.
        QTRY_COMPARE(f->fondu().Sens(), 0);
        QVERIFY(cliquer(icone, {4, 4}, {"1"}));
        QTRY_VERIFY(!f->isVisible());
        QVERIFY(cliquer(icone, {4, 4}, {"1"}));
        QTRY_VERIFY(f->isVisible());
        QVERIFY(cliquer(icone, {4, 4}, {"3"}));
        QTRY_VERIFY(c.ovan().sysTray().Menu()->isVisible());
        QVERIFY(c.dialogues().Appels().isEmpty());
    }
};

QTEST_MAIN(TestX11)
#include "tst_x11.moc"

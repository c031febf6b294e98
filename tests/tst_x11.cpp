// On a real X display under a window manager (run through x11/sous_x11.sh): owned windows stay
// above the main window, the accelerators win over the boxes' own X11 key bindings, and files
// dragged from another X client with the real pointer are offered.
#include "Fichiers.h"
#include "CopieOvan.h"
#include "ui/history/FenetreHistorique.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QCursor>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
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

bool Xdotool(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// Counts the events of one type that reach a widget.
struct Espion : QObject {
    Espion(QObject* cible, QEvent::Type type) : type(type) { cible->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        vus += event->type() == type;
        return false;
    }
    QEvent::Type type;
    int vus = 0;
};

// The drag source (x11/source_glisser) in a process of its own, beside a window, and what it says
// on stdout. It stays until destroyed, as a file manager does: the target reads the dragged names
// from it only once they are dropped.
class SourceGlisser {
public:
    SourceGlisser(QWidget* voisine, const QStringList& fichiers) {
        QObject::connect(&m_processus, &QProcess::readyReadStandardOutput, &m_processus, [this] {
            while (m_processus.canReadLine()) {
                m_lignes << QString::fromUtf8(m_processus.readLine()).trimmed();
            }
        });
        m_processus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QPoint position = voisine->window()->frameGeometry().topRight() + QPoint(20, 0);
        m_processus.start(QCoreApplication::applicationDirPath() + QStringLiteral("/source_glisser"),
                          QStringList{QString::number(position.x()), QString::number(position.y())} +
                              fichiers);
    }
    ~SourceGlisser() {
        m_processus.kill();
        m_processus.waitForFinished();
    }

    // Drags the files with the real pointer, as a hand does, from the source's window onto the
    // middle of cible. Returns the drop action the source ends with (Qt::IgnoreAction when the
    // target refused), -1 when the drag could not be made.
    int Glisser(QWidget* cible) {
        const QStringList depart = Attendre(QStringLiteral("prete ")).split(u' ');
        if (depart.size() != 2) {
            qWarning("the drag source did not show");
            return -1;
        }
        const QPoint de(depart[0].toInt(), depart[1].toInt());
        const QPoint vers = cible->mapToGlobal(cible->rect().center());
        const QRect fenetre = cible->window()->frameGeometry();
        // Above the window and left of it: the bare desktop, where no window answers.
        const int haut = fenetre.top() - 20;
        const int gauche = fenetre.left() - 20;
        if (haut < 0 || gauche < 0 || !Aller(de) ||
            !Xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}) ||
            Attendre(QStringLiteral("glisse")).isNull()) {
            qWarning("the drag did not start");
            return -1;
        }
        // The source sends a position only once the window under the pointer has answered the
        // previous one, and the drop goes where the last one was sent: a straight way across the
        // window would leave it on whatever zone the pointer crossed while an answer was awaited.
        // So round the window in steps, then onto cible in one motion, whose answer the source
        // reports as its action.
        for (const QPoint& coin : {QPoint(de.x(), haut), QPoint(gauche, haut), QPoint(gauche, vers.y())}) {
            const QPoint ici = QCursor::pos();
            for (int i = 1; i <= 5; ++i) {
                Aller(ici + (coin - ici) * i / 5);
            }
        }
        const qsizetype avant = m_lignes.size();
        const auto acceptee = [&] { return m_lignes.mid(avant).contains(QStringLiteral("action 1")); };
        Aller(vers);
        if (!QTest::qWaitFor(acceptee, 5000)) {
            qWarning("the target did not accept the files");
        }
        Espion depots(cible, QEvent::Drop);
        Xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
        const QString fin = Attendre(QStringLiteral("fin "));
        if (fin.toInt() == Qt::CopyAction && !QTest::qWaitFor([&] { return depots.vus > 0; })) {
            qWarning("the files were dropped elsewhere");
            return -1;
        }
        return fin.isNull() ? -1 : fin.toInt();
    }

private:
    static bool Aller(const QPoint& p) {
        return Xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
    }
    // What follows debut in the last line that starts with it; null while there is none.
    QString Derniere(const QString& debut) const {
        for (qsizetype i = m_lignes.size() - 1; i >= 0; --i) {
            if (m_lignes[i].startsWith(debut)) {
                return m_lignes[i].mid(debut.size());
            }
        }
        return {};
    }
    QString Attendre(const QString& debut) {
        if (!QTest::qWaitFor([&] { return !Derniere(debut).isNull(); }, 10000)) {
            return {};
        }
        return Derniere(debut);
    }

    QProcess m_processus;
    QStringList m_lignes;
};

} // namespace

class TestX11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb")); }
    void fenetresPossedeesAuDessus();
    void raccourcisDepuisChaqueZone();
    void fichiersGlissesDepuisUnAutreProgramme();
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

    for (FenetreOvan* f : {ui.OptionshWnd, ui.ApposhWnd, ui.ReseauhWnd, ui.PseudohWnd, ui.SmileyhWnd,
                           ui.StyleTextehWnd, a.ovan().fenetreHistorique()->Fenetre()}) {
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
        {"ctrl+h", Menu::Historique, {}},
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
            a.ovan().fenetreHistorique()->Fenetre()->hide();
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

// Files dragged from another X client, as from the desktop's file manager, with the real pointer:
// two at once on the input box are explained and nothing goes out; one on the conversation is
// offered and arrives whole.
void TestX11::fichiersGlissesDepuisUnAutreProgramme() {
    CopieOvan a(QStringLiteral("127.0.0.157"), QByteArray(), true);
    CopieOvan b(QStringLiteral("127.0.0.158"), QByteArray(), true);
    QVERIFY(ConnecterCopies(a, QStringLiteral("Alice"), b, QStringLiteral("Bob")));
    QTRY_COMPARE(a.ovan().conversation().SonPseudo(), QStringLiteral("Bob"));
    // Alice's window over Bob's, which opened at the same place.
    FenetrePrincipale* principale = a.interface().FenetrehWnd;
    QVERIFY(QTest::qWaitForWindowExposed(principale));
    principale->raise();
    principale->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(principale));
    QTRY_VERIFY(Dessus(principale, b.interface().FenetrehWnd));

    QTemporaryDir dossier;
    const QString fichier = EcrireMotif(dossier.path() + QStringLiteral("/relevé été.bin"), 300 * 1024);
    const QString autre = EcrireMotif(dossier.path() + QStringLiteral("/autre.txt"), 10);

    {
        SourceGlisser deux(principale, {fichier, autre});
        QCOMPARE(deux.Glisser(a.interface().RichEdithWnd[ZoneSaisie]->viewport()), int(Qt::CopyAction));
        QTRY_COMPARE(a.dialogues().Textes(),
                     QStringList{QStringLiteral(
                         "Vous ne pouvez envoyer qu'un seul fichier à la fois, et pas un dossier.")});
        QVERIFY(!a.TexteConversation().contains(QStringLiteral("Vous désirez envoyer")));
    }
    SourceGlisser un(principale, {fichier});
    QCOMPARE(un.Glisser(a.Conversation()->viewport()), int(Qt::CopyAction));
    QTRY_VERIFY(
        a.TexteConversation().contains(QStringLiteral("Vous désirez envoyer 'relevé été.bin' à Bob.")));
    QTRY_VERIFY_WITH_TIMEOUT(
        b.TexteConversation().contains(QStringLiteral("Vous avez reçu 'relevé été.bin' avec succès !")),
        30000);
    QCOMPARE(Empreinte(b.Dossier() + QStringLiteral("relevé été.bin")), Empreinte(fichier));
    // Bob was asked once: the two files were never offered.
    QCOMPARE(b.dialogues().Appels().size(), 1);
    QCOMPARE(a.dialogues().Appels().size(), 1);
}

QTEST_MAIN(TestX11)
#include "tst_x11.moc"

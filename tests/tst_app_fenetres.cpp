// The running copy's windows: what buttons run and their grey faces, the About window, the stock
// dialogs, the main window's size and the fades, the windows that hold the main one, the
// notification area, the pop-up, the artwork and the fonts.
#include "CopieOvan.h"
#include "core/chat/SocketsChat.h"
#include "ui/app/APropos.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Images.h"
#include "ui/app/Interface.h"
#include "ui/app/SysTray.h"
#include "ui/conversation/AjouteTexte.h"
#include "ui/notify/Popup.h"
#include "ui/platform/Traductions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

using Icone = Dialogues::Icone;

namespace {

void Souris(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton bouton = Qt::NoButton) {
    QMouseEvent e(type, p, w->mapToGlobal(p), bouton,
                  type == QEvent::MouseButtonPress ? bouton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Share of the opaque pixels that show a colour rather than a grey; -1 when none is opaque.
double PartColoree(const QImage& image) {
    int opaques = 0, colores = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            opaques += c.alpha() > 0;
            colores += c.alpha() > 128 && c.hsvSaturation() > 60;
        }
    }
    return opaques ? double(colores) / opaques : -1;
}

// Runs lire on the next modal box once it is open, then rejects it.
void LireProchaineBoite(const std::function<void(QWidget*)>& lire) {
    auto* minuterie = new QTimer(qApp);
    QObject::connect(minuterie, &QTimer::timeout, minuterie, [=] {
        if (auto* boite = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            boite && boite->isVisible()) {
            lire(boite);
            boite->reject();
            minuterie->deleteLater();
        }
    });
    minuterie->start(20);
}

// A pop-up window made as the program makes it, with its two labels.
struct BancPopup {
    BancPopup()
        : fenetre(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint, QString(),
                  {Popup::Largeur, Popup::Hauteur}),
          titre(new QLabel(&fenetre)), corps(new QLabel(&fenetre)),
          popup(&fenetre, titre, corps, [this] { ++restaurations; }) {}
    void Notifier(const QString& t = "Alice", const QString& c = "Bonjour") {
        popup.Notifier(t, c, {0, 50, 183, 20}, {0, 70, 183, 50});
    }
    // At rest: whole, in the work area's bottom-right corner.
    static QRect AuRepos() {
        const QRect zone = QGuiApplication::primaryScreen()->availableGeometry();
        return QRect(QPoint(), QSize(Popup::Largeur, Popup::Hauteur))
            .translated(zone.bottomRight() + QPoint(1, 1) - QPoint(Popup::Largeur, Popup::Hauteur));
    }
    FenetreOvan fenetre;
    QLabel *titre, *corps;
    int restaurations = 0;
    Popup popup;
};

} // namespace

class TestAppFenetres : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Interface::InstallerPolices(); }

    // A control's slot is its command (check boxes from 451); the menu's folder and opinion; picture
    // buttons turn grey while disabled, alone or with their window.
    void boutonsEtFaces() {
        CopieOvan a("127.0.0.30");
        Interface& ui = a.interface();
        QSignalSpy commandes(&a.ovan(), &Ovan::commande);
        QSignalSpy arret(&a.ovan(), &Ovan::arrete);
        const auto cliquer = [&](QAbstractButton* b) {
            a.dialogues().Repondre(Dialogues::Reponse::Non); // the quit button asks first
            commandes.clear();
            b->click();
            ui.FenetrehWnd->Activer(true); // pickers and windows disable it
            return commandes.value(0).value(0).toInt();
        };
        for (int s = 1; s < int(ui.BoutonhWnd.size()); ++s) {
            QVERIFY2(!ui.BoutonhWnd[s] || cliquer(ui.BoutonhWnd[s]) == s, qPrintable(QString::number(s)));
        }
        for (int s = 1; s < int(ui.CheckBoxhWnd.size()); ++s) {
            QCOMPARE(cliquer(ui.CheckBoxhWnd[s]), 450 + s);
        }
        QCOMPARE(arret.count(), 0);
        ui.FenetrehWnd->ElementMenu(Menu::FichiersRecus)->trigger();
        ui.FenetrehWnd->ElementMenu(Menu::Avis)->trigger();
        QCOMPARE(a.shell().Ouverts().last(2), (QStringList{a.ovan().conversation().DossierReception(), AdresseAvis}));
        QVERIFY(a.ovan().conversation().DossierReception().endsWith(u'/'));

        int faces = 0;
        for (BoutonImage* b : ui.BoutonhWnd) {
            if (b && b->window() == ui.FenetrehWnd && !b->Face().isEmpty() && b->FaceActive()) {
                for (bool fenetre : {true, false}) {
                    fenetre ? ui.FenetrehWnd->Activer(false) : b->setEnabled(false);
                    QVERIFY2(PartColoree(b->grab().toImage()) < 0.01, qPrintable(b->Face()));
                    fenetre ? ui.FenetrehWnd->Activer(true) : b->setEnabled(true);
                    QVERIFY2(PartColoree(b->grab().toImage()) > 0.15, qPrintable(b->Face()));
                }
                ++faces;
            }
        }
        QVERIFY(faces >= 8);
    }

    // A tab changes the page, the guide's button only on page 3, the columns between tabs nothing;
    // the links open a mail on page 2 only, under a hand that shows a little wider than a click
    // reaches; the page stays for the next opening; the guide opens, or its absence is told.
    void aPropos() {
        CopieOvan c("127.0.0.162");
        Interface& ui = c.interface();
        QLabel* label = ui.LabelApposhWnd;
        BoutonImage* notice = ui.BoutonhWnd[BoutonNotice];
        const auto cliquer = [&](int x, int y) {
            QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(x, y));
        };
        const auto curseur = [&](int x, int y) {
            Souris(label, QEvent::MouseMove, {x, y});
            return label->cursor().shape();
        };
        c.ovan().ClicBouton(Commande::OuvrirAPropos);
        QVERIFY(!ui.FenetrehWnd->Active());
        QTRY_COMPARE(ui.ApposhWnd->fondu().Alpha(), 255);
        QCOMPARE(Interface::Image(label), "img_fenappos1");
        QVERIFY(!notice->isVisibleTo(ui.ApposhWnd));
        cliquer(130, 195);
        QCOMPARE(curseur(130, 195), Qt::ArrowCursor);
        cliquer(220, 139);
        QCOMPARE(Interface::Image(label), "img_fenappos3");
        QVERIFY(notice->isVisibleTo(ui.ApposhWnd) && notice->Face() == "img_notice");
        cliquer(103, 130);
        cliquer(195, 130);
        QCOMPARE(Interface::Image(label), "img_fenappos3");
        cliquer(150, 125);
        QCOMPARE(Interface::Image(label), "img_fenappos2");
        QVERIFY(!notice->isVisibleTo(ui.ApposhWnd));
        QCOMPARE(curseur(173, 195), Qt::PointingHandCursor);
        QCOMPARE(curseur(300, 250), Qt::ArrowCursor);
        QCOMPARE(curseur(60, 130), Qt::PointingHandCursor);
        cliquer(173, 195);
        QVERIFY(c.shell().Ouverts().isEmpty());
        cliquer(100, 195);
        cliquer(100, 225);
        QCOMPARE(c.shell().Ouverts(), (QStringList{APropos::AdresseAuteur, APropos::AdresseProbleme}));

        cliquer(200, 130);
        emit ui.ApposhWnd->fermetureDemandee();
        QTRY_VERIFY(!ui.ApposhWnd->isVisible());
        QVERIFY(ui.FenetrehWnd->Active());
        c.ovan().ClicBouton(Commande::OuvrirAPropos);
        QCOMPARE(Interface::Image(label), "img_fenappos3");
        QFile::remove(c.Dossier() + "notice.pdf");
        notice->click();
        QVERIFY(c.dialogues().Boite(0, "Pas de fichier 'notice.pdf' !", "OVAN Messenger", Icone::Information,
                                    ui.ApposhWnd));
        QFile pdf(c.Dossier() + "notice.pdf");
        QVERIFY(pdf.open(QIODevice::WriteOnly) && pdf.write("%PDF-1.4\n") > 0);
        pdf.close();
        notice->click();
        QCOMPARE(c.shell().Ouverts().value(2), pdf.fileName());
    }

    // Windows filters: the text shown stays, the patterns work, "*.*" lists files without a dot. A
    // long name is cut so that a box fits the screen. The stock buttons speak French.
    void dialogues() {
        const QStringList qt = FiltresQt(
            "Tous les fichiers (*.*);;Fichiers JPEG (*.jpg;*.jpeg) (*.jpg *jpeg);;Fichier BZ2 (*.bz2)");
        QFileDialog choix;
        choix.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
        choix.setNameFilters(qt);
        auto* types = choix.findChild<QComboBox*>("fileTypeCombo");
        const QList<std::pair<QString, QStringList>> attendus = {
            {"Tous les fichiers (*.*)", {"*"}},
            {"Fichiers JPEG (*.jpg;*.jpeg)", {"*.jpg", "*jpeg"}},
            {"Fichier BZ2 (*.bz2)", {"*.bz2"}}};
        for (int i = 0; i < attendus.size(); ++i) {
            QCOMPARE(types->itemText(i), attendus[i].first);
            choix.selectNameFilter(qt[i]);
            QCOMPARE(choix.findChild<QFileSystemModel*>()->nameFilters(), attendus[i].second);
        }

        const QString nom = QString(300, u'a') + QString(300, u'b');
        QCOMPARE(TexteDeBoite("Bob veut vous envoyer '" + nom + "'.\r\nOui ?"),
                 "Bob veut vous envoyer '" + QString(28, u'a') + u'…' + QString(28, u'b') + "'.\r\nOui ?");
        const QString emoji = TexteDeBoite(QStringLiteral("\U0001F600").repeated(100));
        QVERIFY(emoji.size() < 70 && QString::fromUtf8(emoji.toUtf8()) == emoji); // none cut in two

        QVERIFY(Traductions::InstallerFrancais(*qApp));
        DialoguesReels reels;
        QStringList textes;
        int largeur = 0;
        LireProchaineBoite([&](QWidget* w) {
            auto* boite = qobject_cast<QMessageBox*>(w);
            largeur = w->frameGeometry().width();
            textes << boite->button(QMessageBox::Yes)->text() << boite->button(QMessageBox::No)->text();
        });
        reels.Message(nullptr, "Bob veut vous envoyer '" + nom + "'.", nom, Icone::Question,
                      Dialogues::Boutons::OuiNon);
        QVERIFY2(largeur > 0 &&
                     largeur < std::min(600, QGuiApplication::primaryScreen()->availableSize().width()),
                 qPrintable(QString::number(largeur)));
        LireProchaineBoite([&](QWidget* w) {
            auto* boutons = w->findChild<QDialogButtonBox*>();
            textes << w->findChild<QLabel*>("lookInLabel")->text()
                   << boutons->button(QDialogButtonBox::Open)->text()
                   << boutons->button(QDialogButtonBox::Cancel)->text();
        });
        QCOMPARE(reels.ChoisirDossier(nullptr, "Le dossier", QDir::tempPath()), QString());
        QCOMPARE(textes, (QStringList{"&Oui", "&Non", "Voir dans :", "&Choisir", "Annuler"}));
    }

    // The main window: never under 720 x 500, its parts follow its size, restored at its place one
    // pixel shorter. A fade: 51 steps of 5 on its timer; a fade-out asked during a fade-in dropped.
    void tailleEtFondu() {
        CopieOvan a("127.0.0.34");
        Interface& ui = a.interface();
        FenetrePrincipale* f = ui.FenetrehWnd;
        QTRY_COMPARE(f->fondu().Sens(), 0); // the start-up fade-in
        QCOMPARE(f->windowOpacity(), 1.0);
        f->resize(400, 300);
        QCOMPARE(f->size(), QSize(720, 500));
        const QRect conversation = ui.RichEdithWnd[ZoneConversation]->geometry();
        f->resize(1100, 800);
        QCOMPARE(ui.RichEdithWnd[ZoneConversation]->geometry(), conversation.adjusted(0, 0, 380, 300));
        QCOMPARE(ui.BarreStatuthWnd[1]->geometry().bottomRight(), f->Zone()->rect().bottomRight());
        QCOMPARE(ui.TextBoxhWnd[ZonePseudo]->geometry(), QRect(20, 25, 115, 20));
        f->setGeometry(40, 50, 800, 600);
        f->showMinimized();
        f->Restaurer();
        QVERIFY(!f->isMinimized());
        QCOMPARE(f->geometry(), QRect(40, 50, 800, 599));
        QCOMPARE(f->GeometrieRetenue(), QRect(40, 50, 800, 600));

        QWidget fenetre;
        Fondu fondu(&fenetre);
        QSignalSpy entre(&fondu, &Fondu::entre), masquee(&fondu, &Fondu::masquee);
        fondu.Entrer();
        for (int pas = 1; pas <= 50; ++pas) {
            fondu.Etape();
        }
        QCOMPARE(fondu.Alpha(), 250);
        fondu.Sortir();
        fondu.Etape();
        QCOMPARE(fondu.Alpha() + fondu.Sens() + entre.count(), 255 + 0 + 1);
        fondu.Sortir();
        for (int pas = 1; pas <= 51; ++pas) {
            QVERIFY(fenetre.isVisible());
            fondu.Etape();
        }
        QVERIFY(!fenetre.isVisible() && fondu.Sens() == 0 && masquee.count() == 1);
        fondu.Entrer();
        QVERIFY(entre.wait(3000));
        QCOMPARE(fenetre.windowOpacity(), 1.0);
    }

    // Pickers show at once and give the main window back when closed; About and Options fade in, a
    // second opening only brings them forward, and the main window comes back once they are gone.
    void fenetresQuiTiennentLaPrincipale() {
        CopieOvan a("127.0.0.35");
        Interface& ui = a.interface();
        FenetrePrincipale* f = ui.FenetrehWnd;
        for (auto [ouvrir, fermer, selecteur] :
             {std::tuple{Commande::OuvrirSmileys, Commande::FermerSmileys, ui.SmileyhWnd},
              std::tuple{Commande::OuvrirPolice, Commande::FermerPolice, ui.StyleTextehWnd}}) {
            a.ovan().ClicBouton(ouvrir);
            QVERIFY(selecteur->isVisible() && selecteur->windowOpacity() == 1.0 && !f->Active());
            a.ovan().ClicBouton(fermer);
            QVERIFY(!selecteur->isVisible() && f->Active());
        }
        for (auto [fenetre, ouvrir] :
             {std::pair<FenetreOvan*, std::function<void()>>{
                  ui.ApposhWnd, [&] { a.ovan().ClicBouton(Commande::OuvrirAPropos); }},
              {ui.OptionshWnd, [&] { f->ElementMenu(Menu::Options)->trigger(); }}}) {
            ouvrir();
            ouvrir();
            QVERIFY(fenetre->fondu().Sens() == 1 && !f->Active());
            QTRY_COMPARE(fenetre->fondu().Sens(), 0);
            fenetre->close(); // Options: runs Cancel
            QTRY_VERIFY(!fenetre->isVisible());
            QVERIFY(f->Active());
        }
    }

    // A callee without a nickname says it is waiting and asks its user. The window keeps the
    // program's focus but not another application's. Blank: the main box emptied, the window stays,
    // its close box does nothing; then the answer is announced and the main window is back.
    void fenetrePseudo() {
        CopieOvan a("127.0.0.36");
        CopieOvan b("127.0.0.37");
        Interface& ui = b.interface();
        QVERIFY(ConnecterCopies(a, "Alice", b, "   "));
        QTRY_VERIFY(a.TexteConversation().endsWith(">>> Attente du pseudo de votre contact... <<<\n"));
        QVERIFY(ui.PseudohWnd->isVisible() && !ui.FenetrehWnd->Active());
        QTRY_COMPARE(ui.PseudohWnd->fondu().Sens(), 0);
        ui.PseudohWnd->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(ui.PseudohWnd));
        QWindow etrangere;
        etrangere.show();
        etrangere.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&etrangere));
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents(); // what the nickname window queued on losing the focus
        }
        QCOMPARE(QGuiApplication::focusWindow(), &etrangere);
        for (QWidget* autre : {static_cast<QWidget*>(ui.FenetrehWnd), static_cast<QWidget*>(ui.ImageshWnd)}) {
            autre->show();
            autre->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), ui.PseudohWnd);
        }
        ui.ImageshWnd->hide();

        b.Pseudo()->setText("ancien");
        ui.TextBoxhWnd[ZoneChoixPseudo]->setText("   ");
        b.ovan().ClicBouton(Commande::ValiderPseudo);
        ui.PseudohWnd->close();
        QVERIFY(b.Pseudo()->text().isEmpty() && ui.PseudohWnd->isVisible() &&
                !ui.PseudohWnd->fondu().EnCours());
        ui.TextBoxhWnd[ZoneChoixPseudo]->setText(" Bob ");
        b.ovan().ClicBouton(Commande::ValiderPseudo);
        QCOMPARE(b.Pseudo()->text(), "Bob");
        QTRY_VERIFY(a.TexteConversation().endsWith(">>> Bob s'est connecté(e). <<<\n"));
        QTRY_VERIFY(!ui.PseudohWnd->isVisible() && ui.FenetrehWnd->Active());
    }

    // Without a notification area the close box minimises (start-up said the icon failed); with one
    // it hides. Neither ends the conversation; quitting asks first, and yes hides every window.
    void fermerEtQuitter() {
        CopieOvan a("127.0.0.31");
        CopieOvan b("127.0.0.32");
        FenetrePrincipale* f = a.interface().FenetrehWnd;
        a.ovan().AjouterIconeNotification();
        QVERIFY(a.dialogues().Boite(0, "Erreur lors de la création de l'icône dans le SysTray", "Erreur",
                                    Icone::Erreur, f));
        QVERIFY(ConnecterCopies(a, "Alice", b, "Bob"));
        QSignalSpy arret(&a.ovan(), &Ovan::arrete);
        QTRY_COMPARE(f->fondu().Sens(), 0);
        f->close();
        QVERIFY(f->isMinimized() && f->isVisible());
        f->showNormal();
        a.ovan().ReglerIconeNotification(true);
        f->close();
        QCOMPARE(f->fondu().Sens(), -1);
        QTRY_VERIFY(!f->isVisible());

        a.dialogues().Repondre(Dialogues::Reponse::Non);
        a.ovan().ClicBouton(Commande::Quitter);
        QVERIFY(
            a.dialogues().Boite(1, "Voulez-vous réellement quitter ?", "OVAN Messenger", Icone::Question, f));
        QCOMPARE(a.dialogues().Appels()[1].boutons, Dialogues::Boutons::OuiNon);
        QVERIFY(arret.isEmpty() && a.ovan().Etat() == EtatConnexion::Connecte);
        a.ovan().ClicBouton(Commande::Quitter);
        QCOMPARE(arret.count(), 1);
        const auto fenetres = a.interface().Fenetres();
        QVERIFY(std::none_of(fenetres.begin(), fenetres.end(), [](QWidget* w) { return w->isVisible(); }));
    }

    // The icon's tip (63 characters at most) and menu. "Ouvrir" acts only on a hidden window that is
    // not fading; a double click also brings a shown one forward; both fade it in where it was, with
    // the opening sound. The menu's "Quitter" ends at once without a question.
    void zoneDeNotification() {
        CopieOvan c("127.0.0.171");
        SysTray& t = c.ovan().sysTray();
        t.Tip(QString(100, u'x'));
        QCOMPARE(t.Icone()->toolTip(), QString(63, u'x'));
        QStringList menu;
        for (QAction* action : t.Menu()->actions()) {
            menu << action->text();
        }
        QCOMPARE(menu, (QStringList{"&Ouvrir", "", "&Quitter"}));

        c.ovan().ReglerIconeNotification(true);
        FenetrePrincipale* f = c.interface().FenetrehWnd;
        QTRY_COMPARE(f->fondu().Sens(), 0);
        f->move(120, 80);
        const QPoint place = f->pos();
        const QString ouverture = c.Dossier() + "Sons/open.wav";
        t.ActionOuvrir()->trigger();
        f->close();
        t.ActionOuvrir()->trigger();
        QCOMPARE(f->fondu().Sens(), -1);
        QTRY_VERIFY(!f->isVisible());
        t.ActionOuvrir()->trigger();
        QCOMPARE(f->fondu().Sens(), 1);
        QCOMPARE(c.sons().Joues().count(ouverture), 1);
        QTRY_COMPARE(f->fondu().Sens(), 0);
        QCOMPARE(f->pos(), place);
        f->close();
        QTRY_VERIFY(!f->isVisible());
        emit t.Icone()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(f->isVisible());
        emit t.Icone()->activated(QSystemTrayIcon::DoubleClick);
        emit t.Icone()->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(c.sons().Joues().count(ouverture), 2);

        QSignalSpy arret(&c.ovan(), &Ovan::arrete);
        t.ActionQuitter()->trigger();
        QVERIFY(arret.count() == 1 && c.dialogues().Appels().isEmpty());
        QVERIFY(!c.ovan().IconeNotification() && !t.Presente());
    }

    // A flash stops when the main window is active again, and the address box takes the focus.
    void focusEtClignotement() {
        CopieOvan a("127.0.0.38");
        Interface& ui = a.interface();
        QTRY_COMPARE(ui.FenetrehWnd->fondu().Sens(), 0);
        ui.CompressionhWnd->show();
        ui.CompressionhWnd->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), ui.CompressionhWnd);
        a.ovan().Clignoter();
        QVERIFY(a.ovan().Clignote());
        ui.TextBoxhWnd[ZonePseudo]->setFocus();
        ui.CompressionhWnd->hide();
        ui.FenetrehWnd->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(ui.FenetrehWnd));
        QVERIFY(!a.ovan().Clignote());
        QTRY_COMPARE(QApplication::focusWidget(), ui.TextBoxhWnd[ZoneAdresse]);
    }

    void popupClics_data() {
        QTest::addColumn<bool>("surTitre"); // the point is in the title's label, else the window's
        QTest::addColumn<QPoint>("p");
        QTest::addColumn<int>("zone"); // 0 nothing, 1 the close box, 2 the message
        QTest::newRow("croix") << false << QPoint(169, 13) << 1;
        QTest::newRow("message") << false << QPoint(3, 112) << 2;
        QTest::newRow("entre les deux") << false << QPoint(90, 24) << 0;
        QTest::newRow("titre") << true << QPoint(170, 10) << 2;
    }

    // Over a label the window's coordinates decide. The close box shows the hand and only fades; the
    // message fades and brings the main window back, once; elsewhere or the right button, nothing.
    void popupClics() {
        QFETCH(bool, surTitre);
        QFETCH(QPoint, p);
        QFETCH(int, zone);
        BancPopup b;
        QSignalSpy finie(&b.popup, &Popup::monteeFinie), masquee(&b.popup, &Popup::masquee);
        b.Notifier();
        QWidget* w = surTitre ? b.titre : static_cast<QWidget*>(&b.fenetre);
        // Moving and releasing both set the cursor, from the other shape each time.
        const Qt::CursorShape forme = zone == 1 ? Qt::PointingHandCursor : Qt::ArrowCursor;
        for (const QEvent::Type type : {QEvent::MouseMove, QEvent::MouseButtonRelease}) {
            Souris(&b.fenetre, QEvent::MouseMove, zone == 1 ? QPoint(90, 60) : QPoint(169, 13));
            QVERIFY(b.fenetre.cursor().shape() != forme);
            Souris(w, type, p, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton);
            QCOMPARE(b.fenetre.cursor().shape(), forme);
        }
        QVERIFY(!zone || finie.wait(5000));
        for (const Qt::MouseButton bouton : {Qt::RightButton, Qt::LeftButton}) {
            Souris(w, QEvent::MouseButtonPress, p, bouton);
            Souris(w, QEvent::MouseButtonRelease, p, bouton);
        }
        QCOMPARE(b.popup.Sens(), zone ? -1 : 0);
        QVERIFY(!zone || masquee.wait(5000));
        QCOMPARE(b.restaurations, zone == 2 ? 1 : 0);
    }

    // From the foot of the work area it rises for a second; a new message meanwhile goes on from
    // where it is, one at rest rises again from the bottom. It holds five seconds, then fades; a
    // message during the fade shows but the fade carries on; hidden, it is opaque for next time. A
    // close fades it, once.
    void popupMonteeAttenteFondu() {
        BancPopup b;
        QSignalSpy finie(&b.popup, &Popup::monteeFinie), masquee(&b.popup, &Popup::masquee);
        QElapsedTimer chrono;
        chrono.start();
        b.fenetre.setWindowOpacity(0.3);
        b.Notifier("Alice", "un");
        QVERIFY(b.corps->geometry() == QRect(0, 70, 183, 50) && b.fenetre.windowOpacity() == 1.0);
        QTRY_VERIFY(b.popup.Montee() >= 30);
        QVERIFY(b.fenetre.geometry().bottom() > BancPopup::AuRepos().bottom());
        const int avant = b.popup.Montee();
        b.Notifier("Bob", "deux");
        QVERIFY(b.popup.Montee() >= avant);
        QCOMPARE(b.titre->text() + u'|' + b.corps->text(), "Bob|deux");
        QVERIFY(finie.wait(5000));
        QVERIFY(chrono.elapsed() >= 900 && b.fenetre.geometry() == BancPopup::AuRepos());
        b.Notifier("Alice", "trois");
        QVERIFY(b.popup.Monte() && b.popup.EnAttente());
        QTRY_VERIFY(b.popup.Montee() >= 1);
        QVERIFY(b.fenetre.geometry().top() > BancPopup::AuRepos().top());
        QVERIFY(finie.wait(5000));
        chrono.restart();
        QTRY_COMPARE_WITH_TIMEOUT(b.popup.Sens(), -1, 8000);
        QVERIFY(chrono.elapsed() >= 4900);
        QTRY_VERIFY(b.popup.Alpha() <= 200);
        b.Notifier();
        QCOMPARE(b.popup.Sens(), -1);
        QVERIFY(masquee.wait(5000));
        QVERIFY(!b.fenetre.isVisible() && b.fenetre.windowOpacity() == 1.0 && b.restaurations == 0);

        b.popup.DemanderFermeture(); // hidden: nothing to fade
        QCOMPARE(b.popup.Sens(), 0);
        b.Notifier();
        QVERIFY(!b.fenetre.close()); // Alt+F4
        QCOMPARE(b.popup.Sens(), -1);
        QTRY_VERIFY(b.popup.Alpha() <= 200);
        const int alpha = b.popup.Alpha();
        b.fenetre.close();
        b.popup.DemanderFermeture();
        QVERIFY(b.popup.Alpha() <= alpha);
        QVERIFY(masquee.wait(5000));
        QCOMPARE(masquee.count(), 2);
    }

    void imagesDessinees_data() {
        QTest::addColumn<QString>("nom");
        for (const QString& nom : Images::Noms()) {
            QTest::newRow(qPrintable(nom)) << nom;
        }
        const QList<QSize> tailles = Images::IconeProgramme().availableSizes(); // the program's icon
        QVERIFY(tailles.contains(QSize(16, 16)) && tailles.contains(QSize(256, 256)));
    }

    // Every picture at its size and at 200 % (twice the pixels), never blank; an enabled face has a
    // disabled twin of the same shape, grey and lighter.
    void imagesDessinees() {
        QFETCH(QString, nom);
        const QSize taille = Images::TailleNaturelle(nom);
        const QPixmap double_ = Images::Pixmap(nom, 2.0);
        QVERIFY(!taille.isEmpty() && Images::Pixmap(nom).size() == taille && double_.size() == taille * 2);
        QCOMPARE(double_.deviceIndependentSize().toSize(), taille);
        QVERIFY(PartColoree(Images::Pixmap(nom).toImage()) >= 0 && PartColoree(double_.toImage()) >= 0);
        if (!nom.endsWith("_e")) {
            return;
        }
        const QImage e = Images::Image(nom, taille * 2).convertToFormat(QImage::Format_ARGB32);
        const QImage d =
            Images::Image(nom.chopped(2) + "_d", taille * 2).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(d.size(), e.size());
        double lumE = 0, lumD = 0;
        for (int y = 0; y < e.height(); ++y) {
            for (int x = 0; x < e.width(); ++x) {
                const QRgb pe = e.pixel(x, y), pd = d.pixel(x, y);
                QVERIFY(std::abs(qAlpha(pe) - qAlpha(pd)) <= 1);
                QVERIFY(qAlpha(pd) < 255 ||
                        (std::abs(qRed(pd) - qGreen(pd)) <= 1 && std::abs(qGreen(pd) - qBlue(pd)) <= 1));
                lumE += qAlpha(pd) == 255 ? qGray(pe) : 0;
                lumD += qAlpha(pd) == 255 ? qGray(pd) : 0;
            }
        }
        QVERIFY(lumD > lumE);
    }

    void policesDroitesAvecGras_data() {
        QTest::addColumn<QString>("nom");
        for (int i = 0; i < 6; ++i) {
            QTest::newRow(qPrintable(Police(i))) << Police(i);
        }
    }

    // Every face a message can name shows upright, and bold as a face of its own. QFontInfo echoes
    // the slant and weight asked for even when the face lacks them: ask the face that was picked.
    void policesDroitesAvecGras() {
        QFETCH(QString, nom);
        QFont police;
        police.setFamilies({nom});
        police.setPointSizeF(8.5);
        const QFontInfo droite(police);
        QVERIFY2(!QFontDatabase::italic(droite.family(), droite.styleName()), qPrintable(droite.styleName()));
        police.setBold(true);
        const QFontInfo gras(police);
        QVERIFY2(QFontDatabase::weight(gras.family(), gras.styleName()) >= QFont::Bold &&
                     !QFontDatabase::italic(gras.family(), gras.styleName()),
                 qPrintable(gras.family() + u' ' + gras.styleName()));
    }
};

QTEST_MAIN(TestAppFenetres)
#include "tst_app_fenetres.moc"

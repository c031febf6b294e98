// The running copy's windows: commands and grey faces, About, stock dialogs, size and fades, the
// windows that hold the main one, closing and the tray, focus, the pop-up, artwork and sounds.
#include "CopieOvan.h"
#include "Fichiers.h"
#include "ui/app/APropos.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Images.h"
#include "ui/app/Interface.h"
#include "ui/app/SysTray.h"
#include "ui/history/FenetreHistorique.h"
#include "ui/notify/Popup.h"
#include "ui/platform/Traductions.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSoundEffect>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextEdit>
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

QString DossierProgramme() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../OVAN_Messenger") + u'/';
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
        return QRect(zone.bottomRight() + QPoint(1 - Popup::Largeur, 1 - Popup::Hauteur),
                     QSize(Popup::Largeur, Popup::Hauteur));
    }
    FenetreOvan fenetre;
    QLabel *titre, *corps;
    int restaurations = 0;
    Popup popup;
    QSignalSpy finie{&popup, &Popup::monteeFinie}, masquee{&popup, &Popup::masquee};
};

} // namespace

class TestAppFenetres : public QObject {
    Q_OBJECT
private slots:
    // About: tabs, the guide's button on page 3 and the mail links on page 2 only; the page stays.
    // A control's slot is its command (check boxes from 451); faces turn grey with their window.
    void aProposBoutonsEtFaces() {
        CopieOvan a("127.0.0.30");
        Interface& ui = a.interface();
        QLabel* page = ui.LabelApposhWnd;
        BoutonImage* notice = ui.BoutonhWnd[BoutonNotice];
        a.ovan().ClicBouton(Commande::OuvrirAPropos);
        QTRY_VERIFY(ui.ApposhWnd->fondu().Alpha() == 255 && !ui.FenetrehWnd->Active());
        // x, y, the page then shown, the links opened by then.
        const int clics[][4] = {{100, 195, 1, 0}, {220, 139, 3, 0}, {195, 130, 3, 0}, {100, 195, 3, 0},
                                {150, 125, 2, 0}, {100, 195, 2, 1}, {100, 225, 2, 2}, {200, 130, 3, 2}};
        for (const auto& [x, y, image, ouverts] : clics) {
            QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(x, y));
            QCOMPARE(Interface::Image(page), "img_fenappos" + QString::number(image));
            QVERIFY(notice->isVisibleTo(ui.ApposhWnd) == (image == 3) &&
                    a.shell().Ouverts().size() == ouverts);
        }
        QCOMPARE(a.shell().Ouverts(), (QStringList{APropos::AdresseAuteur, APropos::AdresseProbleme}));
        Souris(page, QEvent::MouseMove, {60, 130});
        QVERIFY(notice->Face() == "img_notice" && page->cursor().shape() == Qt::PointingHandCursor);
        emit ui.ApposhWnd->fermetureDemandee();
        QTRY_VERIFY(!ui.ApposhWnd->isVisible() && ui.FenetrehWnd->Active());
        a.ovan().ClicBouton(Commande::OuvrirAPropos);
        QCOMPARE(Interface::Image(page), "img_fenappos3"); // the page stays
        QFile::remove(a.Dossier() + "notice.pdf");
        notice->click();
        QVERIFY(a.dialogues().Boite(0, "Pas de fichier 'notice.pdf' !", "OVAN Messenger", Icone::Information,
                                    ui.ApposhWnd));

        QSignalSpy commandes(&a.ovan(), &Ovan::commande), arret(&a.ovan(), &Ovan::arrete);
        const auto cliquer = [&](QAbstractButton* b) {
            a.dialogues().Repondre(Dialogues::Reponse::Non); // the quit button asks first
            commandes.clear();
            ui.FenetrehWnd->Activer(true); // windows and pickers turn it off
            b->click();
            return commandes.value(0).value(0).toInt();
        };
        for (int s = 1; s < int(ui.BoutonhWnd.size()); ++s) {
            QVERIFY2(!ui.BoutonhWnd[s] || cliquer(ui.BoutonhWnd[s]) == s, qPrintable(QString::number(s)));
        }
        for (int s = 1; s < int(ui.CheckBoxhWnd.size()); ++s) {
            QCOMPARE(cliquer(ui.CheckBoxhWnd[s]), 450 + s);
        }
        QCOMPARE(arret.count(), 0);

        int faces = 0;
        for (BoutonImage* b : ui.BoutonhWnd) {
            if (b && b->window() == ui.FenetrehWnd && !b->Face().isEmpty() && b->FaceActive()) {
                ui.FenetrehWnd->Activer(false);
                QVERIFY2(PartColoree(b->grab().toImage()) < 0.01, qPrintable(b->Face()));
                ui.FenetrehWnd->Activer(true);
                QVERIFY2(PartColoree(b->grab().toImage()) > 0.15, qPrintable(b->Face()));
                ++faces;
            }
        }
        QVERIFY(faces >= 8);
    }

    // The dialog hides a filter's last group, so the Windows text stays shown; "*.*" takes files
    // without a dot. Long names are cut so that a box fits the screen, whose buttons speak French.
    void dialogues() {
        QCOMPARE(
            FiltresQt("Tous les fichiers (*.*);;Fichiers JPEG (*.jpg;*.jpeg) (*.jpg *jpeg);;Fichier (*.bz2)"),
            (QStringList{"Tous les fichiers (*.*) (*)", "Fichiers JPEG (*.jpg;*.jpeg) (*.jpg *jpeg)",
                         "Fichier (*.bz2) (*.bz2)"}));
        const QString nom = QString(300, u'a') + QString(300, u'b');
        QCOMPARE(TexteDeBoite("Bob veut vous envoyer '" + nom + "'.\r\nOui ?"),
                 "Bob veut vous envoyer '" + QString(28, u'a') + u'…' + QString(28, u'b') + "'.\r\nOui ?");
        const QString emoji = TexteDeBoite(QStringLiteral("\U0001F600").repeated(100));
        QVERIFY(emoji.size() < 70 && QString::fromUtf8(emoji.toUtf8()) == emoji); // none cut in two

        QVERIFY(Traductions::InstallerFrancais(*qApp));
        QStringList textes;
        QTimer::singleShot(0, this, [&] {
            if (auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                textes << boite->button(QMessageBox::Yes)->text() << boite->button(QMessageBox::No)->text()
                       << QString::number(boite->frameGeometry().width() < 600);
                boite->reject();
            }
        });
        DialoguesReels().Message(nullptr, "Bob veut vous envoyer '" + nom + "'.", nom, Icone::Question,
                                 Dialogues::Boutons::OuiNon);
        QCOMPARE(textes, (QStringList{"&Oui", "&Non", "1"}));
    }

    // Size, restore, the focus and a flash; the windows that hold it and their owner; drag moves
    // taken on both views, as a real drag sends them before the drop.
    void fenetrePrincipale() {
        CopieOvan a("127.0.0.35");
        Interface& ui = a.interface();
        FenetrePrincipale* f = ui.FenetrehWnd;
        QTRY_VERIFY(f->fondu().Sens() == 0 && f->windowOpacity() == 1.0); // the start-up fade-in
        f->resize(400, 300);
        QCOMPARE(f->size(), QSize(720, 500));
        f->setGeometry(40, 50, 800, 600);
        f->showMinimized();
        f->Restaurer();
        QVERIFY(!f->isMinimized() && f->GeometrieRetenue() == QRect(40, 50, 800, 600));

        ui.CompressionhWnd->show();
        ui.CompressionhWnd->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), ui.CompressionhWnd);
        a.ovan().Clignoter();
        ui.TextBoxhWnd[ZonePseudo]->setFocus();
        ui.CompressionhWnd->hide();
        f->activateWindow();
        QVERIFY(a.ovan().Clignote() && QTest::qWaitForWindowActive(f) && !a.ovan().Clignote());
        QTRY_COMPARE(QApplication::focusWidget(), ui.TextBoxhWnd[ZoneAdresse]);

        for (QWidget* w : ui.Fenetres()) {
            const bool outil = w == ui.ImageshWnd || w == ui.CompressionhWnd || w == ui.TransferthWnd;
            QVERIFY2(w == f || w == ui.PopuphWnd || outil != (w->parentWidget() == f),
                     qPrintable(w->windowTitle()));
        }
        QCOMPARE(a.ovan().fenetreHistorique()->Fenetre()->parentWidget(), f);
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
            fenetre->fondu().Sortir(); // dropped during a fade-in
            QVERIFY(fenetre->fondu().Sens() == 1 && !f->Active());
            QTRY_COMPARE(fenetre->fondu().Sens(), 0);
            fenetre->close(); // Options: runs Cancel
            QTRY_VERIFY(!fenetre->isVisible() && f->Active());
        }

        QMimeData donnees;
        donnees.setUrls({QUrl::fromLocalFile(QCoreApplication::applicationFilePath())});
        for (QTextEdit* vue : {a.Conversation(), ui.RichEdithWnd[ZoneSaisie]}) {
            QDragEnterEvent entree(QPoint(20, 20), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
            QDragMoveEvent glisse(QPoint(30, 30), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
            glisse.ignore();
            QApplication::sendEvent(vue->viewport(), &entree);
            QApplication::sendEvent(vue->viewport(), &glisse);
            QVERIFY(entree.isAccepted() && glisse.isAccepted());
        }
    }

    // The nickname window keeps our focus, not another program's, and a blank answer keeps it. Without
    // a tray closing minimises; "Ouvrir" acts on a hidden window only; only the button's Quitter asks.
    void pseudoFermerEtZoneDeNotification() {
        CopieOvan a("127.0.0.36");
        CopieOvan b("127.0.0.37");
        FenetrePrincipale* f = a.interface().FenetrehWnd;
        SysTray& t = a.ovan().sysTray();
        a.ovan().AjouterIconeNotification();
        QVERIFY(a.dialogues().Boite(0, "Erreur lors de la création de l'icône dans le SysTray", "Erreur",
                                    Icone::Erreur, f));
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
        QVERIFY(b.Pseudo()->text().isEmpty() && ui.PseudohWnd->isVisible());
        ui.TextBoxhWnd[ZoneChoixPseudo]->setText(" Bob ");
        b.ovan().ClicBouton(Commande::ValiderPseudo);
        QCOMPARE(b.Pseudo()->text(), "Bob");
        QTRY_VERIFY(a.TexteConversation().endsWith(">>> Bob s'est connecté(e). <<<\n"));
        QTRY_VERIFY(!ui.PseudohWnd->isVisible() && ui.FenetrehWnd->Active());

        QTRY_COMPARE(f->fondu().Sens(), 0);
        f->close();
        QVERIFY(f->isMinimized() && f->isVisible());
        f->showNormal();
        t.Tip(QString(100, u'x'));
        QCOMPARE(t.Icone()->toolTip(), QString(63, u'x'));
        a.ovan().ReglerIconeNotification(true);
        const QString ouverture = a.Dossier() + "Sons/open.wav";
        t.ActionOuvrir()->trigger();
        f->close();
        t.ActionOuvrir()->trigger();
        QCOMPARE(f->fondu().Sens(), -1);
        QTRY_VERIFY(!f->isVisible());
        t.ActionOuvrir()->trigger();
        QVERIFY(f->fondu().Sens() == 1 && a.sons().Joues().count(ouverture) == 1);
        QTRY_COMPARE(f->fondu().Sens(), 0);
        f->close();
        QTRY_VERIFY(!f->isVisible());
        for (auto clic :
             {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Trigger}) {
            emit t.Icone()->activated(clic);
            QVERIFY(f->isVisible());
        }
        QCOMPARE(a.sons().Joues().count(ouverture), 2);

        QSignalSpy arret(&a.ovan(), &Ovan::arrete);
        a.dialogues().Repondre(Dialogues::Reponse::Non);
        a.ovan().ClicBouton(Commande::Quitter);
        QVERIFY(
            a.dialogues().Boite(1, "Voulez-vous réellement quitter ?", "OVAN Messenger", Icone::Question, f));
        QVERIFY(a.dialogues().Appels()[1].boutons == Dialogues::Boutons::OuiNon && arret.isEmpty());
        t.ActionQuitter()->trigger();
        QVERIFY(arret.count() == 1 && a.dialogues().Appels().size() == 2);
        const auto fenetres = a.interface().Fenetres();
        QVERIFY(std::none_of(fenetres.begin(), fenetres.end(), [](QWidget* w) { return w->isVisible(); }));
        QVERIFY(!a.ovan().IconeNotification() && !t.Presente());
    }

    // It rises for a second from the work area's foot (a new message goes on from where it is),
    // holds five seconds and fades; a close fades it once.
    void popup() {
        BancPopup b;
        QElapsedTimer chrono;
        chrono.start();
        b.fenetre.setWindowOpacity(0.3);
        b.Notifier("Alice", "un");
        QVERIFY(b.corps->geometry() == QRect(0, 70, 183, 50) && b.fenetre.windowOpacity() == 1.0);
        QTRY_VERIFY(b.popup.Montee() >= 30);
        QVERIFY(b.fenetre.geometry().bottom() > BancPopup::AuRepos().bottom());
        b.Notifier("Bob", "deux");
        QVERIFY(b.popup.Montee() >= 30 && b.titre->text() + u'|' + b.corps->text() == "Bob|deux");
        QVERIFY(b.finie.wait(5000));
        QVERIFY(chrono.elapsed() >= 900 && b.fenetre.geometry() == BancPopup::AuRepos());
        b.Notifier("Alice", "trois");
        QVERIFY(b.popup.Monte() && b.popup.EnAttente());
        QTRY_VERIFY(b.popup.Montee() >= 1);
        QVERIFY(b.fenetre.geometry().top() > BancPopup::AuRepos().top());
        QVERIFY(b.finie.wait(5000));
        chrono.restart();
        QTRY_COMPARE_WITH_TIMEOUT(b.popup.Sens(), -1, 8000);
        QVERIFY(chrono.elapsed() >= 4900);
        QVERIFY(b.masquee.wait(5000));
        QVERIFY(!b.fenetre.isVisible() && b.fenetre.windowOpacity() == 1.0 && b.restaurations == 0);

        b.Notifier();
        QVERIFY(!b.fenetre.close()); // Alt+F4
        QCOMPARE(b.popup.Sens(), -1);
        b.fenetre.close();
        QVERIFY(b.masquee.wait(5000));
        QCOMPARE(b.masquee.count(), 2);

        // Over a label the window's coordinates decide: the close box (a hand) fades, the message
        // fades and brings the main window back, elsewhere or the right button nothing.
        for (auto [surTitre, p, zone] : {std::tuple{false, QPoint(169, 13), 1},
                                         {false, QPoint(3, 112), 2},
                                         {false, QPoint(90, 24), 0},
                                         {true, QPoint(170, 10), 2}}) {
            BancPopup b;
            b.Notifier();
            QWidget* w = surTitre ? b.titre : static_cast<QWidget*>(&b.fenetre);
            const Qt::CursorShape forme = zone == 1 ? Qt::PointingHandCursor : Qt::ArrowCursor;
            for (const QEvent::Type type : {QEvent::MouseMove, QEvent::MouseButtonRelease}) {
                Souris(&b.fenetre, QEvent::MouseMove, zone == 1 ? QPoint(90, 60) : QPoint(169, 13));
                QVERIFY(b.fenetre.cursor().shape() != forme);
                Souris(w, type, p, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton);
                QCOMPARE(b.fenetre.cursor().shape(), forme);
            }
            QVERIFY(!zone || b.finie.wait(5000));
            for (const Qt::MouseButton bouton : {Qt::RightButton, Qt::LeftButton}) {
                Souris(w, QEvent::MouseButtonPress, p, bouton);
                Souris(w, QEvent::MouseButtonRelease, p, bouton);
            }
            QCOMPARE(b.popup.Sens(), zone ? -1 : 0);
            QVERIFY(!zone || b.masquee.wait(5000));
            QCOMPARE(b.restaurations, zone == 2 ? 1 : 0);
        }
    }

    void imagesDessinees_data() {
        QTest::addColumn<QString>("nom");
        for (const QString& nom : Images::Noms()) {
            QTest::newRow(qPrintable(nom)) << nom;
        }
        const QList<QSize> tailles = Images::IconeProgramme().availableSizes(); // the program's icon
        QVERIFY(tailles.contains(QSize(16, 16)) && tailles.contains(QSize(256, 256)));
    }

    // Every picture at its size and at 200 %, never blank; a smiley's bitmap at its size; an enabled
    // face has a grey disabled twin of its shape.
    void imagesDessinees() {
        QFETCH(QString, nom);
        const QSize taille = Images::TailleNaturelle(nom);
        const QPixmap double_ = Images::Pixmap(nom, 2.0);
        QVERIFY(!taille.isEmpty() && Images::Pixmap(nom).size() == taille && double_.size() == taille * 2);
        QCOMPARE(double_.deviceIndependentSize().toSize(), taille);
        QVERIFY(PartColoree(Images::Pixmap(nom).toImage()) >= 0 && PartColoree(double_.toImage()) >= 0);
        if (nom.startsWith("img_smy")) {
            QCOMPARE(QImage(DossierProgramme() + "Smileys/smiley" + nom.mid(7) + ".bmp").size(), taille);
        }
        if (!nom.endsWith("_e")) {
            return;
        }
        const QImage e = Images::Image(nom, taille), d = Images::Image(nom.chopped(2) + "_d", taille);
        QVERIFY(e.size() == d.size() && PartColoree(d) < 0.01);
        QCOMPARE(e.convertToFormat(QImage::Format_Alpha8), d.convertToFormat(QImage::Format_Alpha8));
    }

    // Nothing to play does not start the audio layer; without a device playing still returns at once
    // and the latest sound is the one loaded.
    void sonsReels() {
        SonsReels sons;
        const QString d = DossierProgramme();
        sons.Jouer(d + "notice.pdf");
        QVERIFY(!sons.Effet());
        QElapsedTimer chrono;
        chrono.start();
        for (const char* nom : {"msg", "coucou", "msg"}) {
            sons.Jouer(d + "Sons/" + nom + ".wav");
            QCOMPARE(sons.Effet()->source(), QUrl::fromLocalFile(d + "Sons/" + nom + ".wav"));
        }
        QVERIFY(chrono.elapsed() < 2000);
        // Qt's loader thread must be done before the program ends, or what it holds is reported lost.
        QTRY_VERIFY_WITH_TIMEOUT(sons.Effet()->status() != QSoundEffect::Loading, 5000);
    }
};

QTEST_MAIN(TestAppFenetres)
#include "tst_app_fenetres.moc"

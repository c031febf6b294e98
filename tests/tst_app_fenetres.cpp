// The running copy's windows: About, faces, dialogs, the main window, the tray, the pop-up, the
// history, the network window, the tool windows, artwork and sounds.
#include "CopieOvan.h"
#include "Fichiers.h"
#include "core/history/Historique.h"
#include "core/network/Dnssd.h"
#include "core/security/Identite.h"
#include "ui/app/APropos.h"
#include "ui/app/Images.h"
#include "ui/app/SysTray.h"
#include "ui/conversation/AjouteTexte.h"
#include "ui/history/FenetreHistorique.h"
#include "ui/network/Reseau.h"
#include "ui/notify/Popup.h"
#include "ui/platform/Traductions.h"
#include "ui/tools/Capture.h"
#include "ui/tools/ConversionImages.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHostInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSemaphore>
#include <QSoundEffect>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
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
    for (int i = 0; i < image.width() * image.height(); ++i) {
        const QColor c = image.pixelColor(i % image.width(), i / image.width());
        opaques += c.alpha() > 0;
        colores += c.alpha() > 128 && c.hsvSaturation() > 60;
    }
    return opaques ? double(colores) / opaques : -1;
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
    FenetreOvan fenetre;
    QLabel *titre, *corps;
    int restaurations = 0;
    Popup popup;
    QSignalSpy finie{&popup, &Popup::monteeFinie}, masquee{&popup, &Popup::masquee};
};

// A view's runs after its first line (a heading, the welcome), with what shows of their format.
QStringList VueEtFormats(QTextEdit* vue) {
    QStringList morceaux;
    for (const auto& [texte, f] : Morceaux(vue->document(), vue->document()->begin().length()))
        morceaux << QString("%1|%2|%3|%4")
                        .arg(texte, f.fontFamilies().toStringList().join(u','), f.foreground().color().name(),
                             QString::asprintf("%d%d%d%d", f.fontWeight(), f.fontItalic(), f.fontUnderline(),
                                               f.isImageFormat()));
    return morceaux;
}

// A network whose answers wait for a permit unless stopped; a stopped call returns what it has.
struct SourceTenue : SourceReseau {
    QStringList Domaines(const Dnssd::Arret& arret) override {
        return Attendre(arret, appelsDomaines), domaines;
    }
    QList<Dnssd::Poste> Postes(const QString& domaine, const Dnssd::Arret& arret) override {
        return Attendre(arret, appelsPostes), postes.value(domaine);
    }
    void Attendre(const Dnssd::Arret& arret, std::atomic<int>& appels) {
        ++appels;
        while (!permis.tryAcquire(1, 10)) {
            if (arret) {
                ++arretes;
                return;
            }
        }
    }
    QStringList domaines; // set while no listing runs
    QHash<QString, QList<Dnssd::Poste>> postes;
    QSemaphore permis;
    std::atomic<int> appelsDomaines{0}, appelsPostes{0}, arretes{0};
};

Dnssd::Poste Ordinateur(const QString& nom, const QString& adresse = {}, const QString& pseudo = {}) {
    return {nom, adresse, !pseudo.isEmpty(), pseudo};
}

// The boxes shown since the depuis-th, as "caption|text|icon|owned".
QStringList Boites(const DialoguesEnregistres& dialogues, qsizetype depuis = 0) {
    QStringList boites;
    for (const auto& a : dialogues.Appels().mid(depuis))
        boites << a.titre + u'|' + a.texte + u'|' + QString::number(int(a.icone)) +
                      (a.proprietaire ? "|1" : "|0");
    return boites;
}

const QString Compressee = "Bravo !|La compression s'est déroulée avec succès !|1|0",
              Decompressee = "Bravo !|La décompression s'est déroulée avec succès !|1|0",
              Inutile = "Attention !|Compression inutile !\r\n(taille de sortie >= taille d'entrée)|3|0",
              Lecture = "Erreur !|Problème de lecture !|4|0", Ratee = "Echec !|La compression a échoué !|3|0",
              DRatee = "Echec !|La décompression a échoué !|3|0",
              Meme = "Erreur !|Le fichier de sortie ne peut pas être le fichier d'entrée !|4|0",
              Occupe = "Attention !|Une compression ou une décompression est déjà en cours !|3|0",
              Convertie = "Bravo !|La conversion de format s'est terminée avec succès !|1|1",
              AChoisir = "Attention !|Vous devez d'abord choisir un fichier à convertir !|1|1";

// The faces of the convert and open-folder buttons, and the path box.
QString Etat(Interface& ui) {
    return ui.BoutonhWnd[BoutonConvertir]->Face() + u' ' + ui.BoutonhWnd[BoutonOuvrirDossier]->Face() + u' ' +
           ui.TextBoxhWnd[ZoneImage]->text();
}

// Chooses the picture (none: cancels) and converts it to format.
void Convertir(CopieOvan& c, const QString& chemin, int format) {
    c.dialogues().RepondreFichier(chemin);
    c.ovan().ClicBouton(Commande::ChoisirImage);
    c.interface().ComboBoxhWnd[ListeFormat]->setCurrentIndex(format);
    c.ovan().ClicBouton(Commande::ConvertirImage);
}

} // namespace

// The desktop's notification service, on a private session bus of the test's own.
class FauxNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList recues;
public slots:
    QStringList GetCapabilities() { return {"body", "body-markup", "actions"}; }
    uint Notify(const QString&, uint, const QString&, const QString& titre, const QString& corps,
                const QStringList& actions, const QVariantMap&, int) {
        recues << titre + " | " + corps + " | " + actions.join(',');
        return uint(recues.size() + 40);
    }
};

class TestAppFenetres : public QObject {
    Q_OBJECT
private slots:
    // A private session bus for the whole program: the tray check reads the bus address once, at the
    // first test that makes a copy.
    void initTestCase() {
        m_bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        if (m_bus.waitForReadyRead(5000))
            qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());
    }
    void cleanupTestCase() {
        m_bus.kill();
        m_bus.waitForFinished();
    }
    // Restore, the focus and a flash; the pickers hold it while shown and take the keyboard, Escape
    // runs their Quitter. About's pages (also by Ctrl+Tab), its guide button and mail links, the page
    // kept, Escape; faces grey with their window. The nickname window keeps our focus, not another
    // program's, and a blank answer keeps it. Without a tray closing minimises; "Ouvrir" acts on a
    // hidden window only; only the button's Quitter asks.
    void fenetrePrincipaleAProposEtZoneDeNotification() {
        CopieOvan a("127.0.0.35");
        Interface& ui = a.interface();
        FenetrePrincipale* f = ui.FenetrehWnd;
        QTRY_VERIFY(f->fondu().Sens() == 0 && f->windowOpacity() == 1.0); // the start-up fade-in
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
        for (auto [ouvrir, fermer, selecteur] :
             {std::tuple{Commande::OuvrirSmileys, Commande::FermerSmileys, ui.SmileyhWnd},
              std::tuple{Commande::OuvrirPolice, Commande::FermerPolice, ui.StyleTextehWnd}}) {
            a.ovan().ClicBouton(ouvrir);
            QVERIFY(selecteur->isVisible() && selecteur->windowOpacity() == 1.0 && !f->Active());
            QTRY_COMPARE(QApplication::activeWindow(), selecteur); // the keyboard goes to it
            QSignalSpy commandes(&a.ovan(), &Ovan::commande);
            QTest::keyClick(selecteur, Qt::Key_Escape);
            QVERIFY(!selecteur->isVisible() && f->Active() && commandes.value(0).value(0) == int(fermer));
        }
        QLabel* page = ui.LabelApposhWnd;
        BoutonImage* notice = ui.BoutonhWnd[BoutonNotice];
        a.ovan().ClicBouton(Commande::OuvrirAPropos);
        QTRY_VERIFY(ui.ApposhWnd->fondu().Alpha() == 255 && !f->Active());
        // x, y, the page then shown, the links opened by then.
        const int clics[][4] = {{100, 195, 1, 0}, {220, 139, 3, 0}, {150, 125, 2, 0},
                                {100, 195, 2, 1}, {100, 225, 2, 2}, {200, 130, 3, 2}};
        for (const auto& [x, y, image, ouverts] : clics) {
            QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(x, y));
            QCOMPARE(Interface::Image(page), "img_fenappos" + QString::number(image));
            QVERIFY(notice->isVisibleTo(ui.ApposhWnd) == (image == 3) && a.shell().Ouverts.size() == ouverts);
        }
        QCOMPARE(a.shell().Ouverts, (QStringList{APropos::AdresseAuteur, APropos::AdresseProbleme}));
        emit ui.ApposhWnd->fermetureDemandee();
        QTRY_VERIFY(!ui.ApposhWnd->isVisible() && f->Active());
        a.ovan().ClicBouton(Commande::OuvrirAPropos);
        QCOMPARE(Interface::Image(page), "img_fenappos3"); // the page stays
        QVERIFY(QTest::qWaitForWindowActive(ui.ApposhWnd));
        QTest::keyClick(ui.ApposhWnd, Qt::Key_Tab, Qt::ControlModifier); // the drawn tabs by keyboard
        QCOMPARE(Interface::Image(page), "img_fenappos1");
        QTest::keyClick(ui.ApposhWnd, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Interface::Image(page), "img_fenappos3");
        QFile::remove(a.Dossier() + "notice.pdf");
        notice->click();
        QVERIFY(a.dialogues().Boite(0, "Pas de fichier 'notice.pdf' !", "OVAN Messenger", Icone::Information,
                                    ui.ApposhWnd));
        QTRY_COMPARE(ui.ApposhWnd->fondu().Alpha(), 255);
        QTest::keyClick(notice, Qt::Key_Escape); // left by the button to its window, which closes
        QTRY_VERIFY(!ui.ApposhWnd->isVisible() && f->Active());
        for (BoutonImage* b : ui.BoutonhWnd) {
            if (b && b->window() == f && !b->Face().isEmpty() && b->FaceActive()) {
                f->Activer(false);
                QVERIFY2(PartColoree(b->grab().toImage()) < 0.01, qPrintable(b->Face()));
                f->Activer(true);
                QVERIFY2(PartColoree(b->grab().toImage()) > 0.15, qPrintable(b->Face()));
            }
        }
        CopieOvan b("127.0.0.37");
        SysTray& t = a.ovan().sysTray();
        a.dialogues().Effacer();
        Interface& ub = b.interface();
        a.ovan().AjouterIconeNotification();
        QVERIFY(a.dialogues().Appels().isEmpty() && !a.ovan().IconeNotification());
        QVERIFY(ConnecterCopies(a, "Alice", b, "   "));
        QTRY_VERIFY(a.TexteConversation().contains(">>> Attente du pseudo de votre contact... <<<\n"));
        QVERIFY(ub.PseudohWnd->isVisible() && !ub.FenetrehWnd->Active());
        QTRY_COMPARE(ub.PseudohWnd->fondu().Sens(), 0);
        ub.PseudohWnd->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(ub.PseudohWnd));
        QWindow etrangere;
        etrangere.show();
        etrangere.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&etrangere));
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents(); // what the nickname window queued on losing the focus
        QCOMPARE(QGuiApplication::focusWindow(), &etrangere);
        ub.FenetrehWnd->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), ub.PseudohWnd);
        b.Pseudo()->setText("ancien");
        ub.TextBoxhWnd[ZoneChoixPseudo]->setText("   ");
        b.ovan().ClicBouton(Commande::ValiderPseudo);
        ub.PseudohWnd->close();
        QVERIFY(b.Pseudo()->text().isEmpty() && ub.PseudohWnd->isVisible());
        ub.TextBoxhWnd[ZoneChoixPseudo]->setText(" Bob ");
        b.ovan().ClicBouton(Commande::ValiderPseudo);
        QCOMPARE(b.Pseudo()->text(), "Bob");
        QTRY_VERIFY(a.TexteConversation().endsWith(">>> Bob s'est connecté(e). <<<\n"));
        // Two copies of ours: the lock and the same safety code on both screens, compared once.
        QPushButton* verrou = a.interface().VerrouhWnd;
        QTRY_COMPARE(verrou->text(), "Chiffrée");
        const QString code = a.ovan().conversation().CodeDeSurete();
        QVERIFY(verrou->isVisible() && verrou->toolTip().endsWith(code) && code.size() == 35);
        QVERIFY(a.TexteConversation().contains("La conversation est chiffrée. Code de sûreté : " + code));
        QTRY_COMPARE(ub.VerrouhWnd->text(), "Chiffrée");
        QCOMPARE(b.ovan().conversation().CodeDeSurete(), code);
        a.dialogues().Effacer();
        verrou->click();
        QVERIFY(a.dialogues().Appels()[0].texte.contains(code) && a.ovan().conversation().ContactVerifie());
        a.ovan().CommandeMenu(Menu::CodeSurete);
        QVERIFY(a.dialogues().Appels()[1].texte.endsWith("la clé est vérifiée."));
        a.dialogues().Effacer();
        QTRY_VERIFY(!ub.PseudohWnd->isVisible() && ub.FenetrehWnd->Active());
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
        QVERIFY(f->fondu().Sens() == 1 && a.sons().Joues.count(ouverture) == 1);
        QSignalSpy arret(&a.ovan(), &Ovan::arrete);
        a.dialogues().Repondre(Dialogues::Reponse::Non);
        a.ovan().ClicBouton(Commande::Quitter);
        QVERIFY(
            a.dialogues().Boite(0, "Voulez-vous réellement quitter ?", "OVAN Messenger", Icone::Question, f));
        QVERIFY(a.dialogues().Appels()[0].boutons == Dialogues::Boutons::OuiNon && arret.isEmpty());
        t.ActionQuitter()->trigger();
        QVERIFY(arret.count() == 1 && a.dialogues().Appels().size() == 1);
        const auto fenetres = ui.Fenetres();
        QVERIFY(std::none_of(fenetres.begin(), fenetres.end(), [](QWidget* w) { return w->isVisible(); }));
        QVERIFY(!a.ovan().IconeNotification() && !t.Presente());
        QTRY_VERIFY(b.TexteConversation().endsWith(">>> Alice s'est déconnecté(e). <<<\n"));
        QVERIFY(b.dialogues().Appels().isEmpty());
    }

    // Filters keep their Windows text, "*.*" takes any file; long names cut; the buttons in French.
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

    // It rises for a second from the work area's foot to its corner (a new message goes on from
    // where it is), holds five seconds and fades; a close fades it once.
    void popup() {
        BancPopup b;
        QElapsedTimer chrono;
        chrono.start();
        b.fenetre.setWindowOpacity(0.3);
        b.Notifier("Alice", "un");
        QVERIFY(b.fenetre.windowOpacity() == 1.0);
        QTRY_VERIFY(b.popup.Montee() >= 30);
        const int y = b.fenetre.y();
        b.Notifier("Bob", "deux");
        QVERIFY(b.popup.Montee() >= 30 && b.titre->text() + u'|' + b.corps->text() == "Bob|deux");
        QVERIFY(b.finie.wait(5000));
        const QRect repos = b.fenetre.geometry();
        QVERIFY(chrono.elapsed() >= 900 && repos.y() < y &&
                repos.bottomRight() == QGuiApplication::primaryScreen()->availableGeometry().bottomRight());
        b.Notifier("Alice", "trois");
        QTRY_VERIFY(b.popup.Montee() >= 1 && b.fenetre.y() > repos.y());
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
        // The close box (a hand) fades it, the message too and restores; the right button does nothing.
        for (const bool message : {false, true}) {
            BancPopup b;
            b.Notifier();
            QVERIFY(b.finie.wait(5000));
            QWidget* w = message ? b.titre : static_cast<QWidget*>(&b.fenetre);
            const QPoint p = message ? QPoint(170, 10) : QPoint(169, 13);
            Souris(w, QEvent::MouseMove, p);
            QCOMPARE(b.fenetre.cursor().shape(), message ? Qt::ArrowCursor : Qt::PointingHandCursor);
            for (const Qt::MouseButton bouton : {Qt::RightButton, Qt::LeftButton}) {
                Souris(w, QEvent::MouseButtonPress, p, bouton);
                Souris(w, QEvent::MouseButtonRelease, p, bouton);
                QCOMPARE(b.popup.Sens(), bouton == Qt::LeftButton ? -1 : 0);
            }
            QVERIFY(b.masquee.wait(5000));
            QCOMPARE(b.restaurations, int(message));
        }
    }

    // A history that cannot be opened: said once, in the status bar and its window; chat goes on.
    // After a restart the history shows the conversation as the view did; a search keeps its marks.
    // Entries take the contact's nickname once it is read, never that of a contact who has left.
    void historique() {
        CopieOvan a("127.0.0.190", [](const QString& dossier) {
            Ecrire(dossier + "config.ini", "PSEUDO:Alice\r\nDOSSIER:" + dossier.toUtf8() + "\r\n");
            CopierSmileys(dossier);
            Ecrire(dossier + "historique.db", QByteArray("ceci n'est pas une base").repeated(200));
            Ecrire(dossier + Identites::NomCle, "ceci n'est pas une clé");
        });
        QCOMPARE(a.dialogues().Textes(),
                 QStringList{"Attention : une partie de la clé de ce poste manquait. Une "
                             "nouvelle clé a été créée ; vos contacts seront avertis "
                             "qu'elle a changé."});
        a.dialogues().Effacer();
        QSignalSpy hors(a.ovan().historique(), &BaseHistorique::horsService);
        QTRY_COMPARE(hors.count(), 1);
        QVERIFY(a.Statut(0).startsWith("L'historique est désactivé : "));
        FauxContact eve("127.0.0.197");
        QVERIFY(eve.Appeler(a.Adresse()));
        eve.Envoyer(Trame::Log("Eve") + Trame::Message(0, 0, 0, "toujours là"));
        QTRY_VERIFY(a.TexteConversation().endsWith("   toujours là\n"));
        a.ovan().CommandeMenu(Menu::Historique);
        QVERIFY(a.ovan().fenetreHistorique()->Etat()->text().startsWith("L'historique est désactivé : "));
        QVERIFY(QFile::remove(a.Dossier() + "historique.db"));
        a.Redemarrer();
        FauxContact bob("127.0.0.191");
        QVERIFY(bob.Appeler(a.Adresse()));
        bob.Envoyer(Trame::Log("Bob") + Trame::Message(1, 6, 5, "Salut (:-)) <b>gras</b>") +
                    Trame::Message(9, 99, 7, "Deux\r\nlignes"));
        QTRY_VERIFY(a.TexteConversation().endsWith("   Deux\nlignes\n"));
        ChoisirFormat(a.interface(), 5, 8, 2);
        a.interface().RichEdithWnd[ZoneSaisie]->setPlainText("Très bien, et toi ?");
        a.ovan().ClicBouton(Commande::EnvoyerMessage);
        QTRY_VERIFY(a.TexteConversation().endsWith("   Très bien, et toi ?\n"));
        a.ovan().historique()->Vider();
        a.ovan().CommandeMenu(Menu::Historique);
        FenetreHistorique* h = a.ovan().fenetreHistorique();
        bob.Envoyer(Trame::Message(0, 0, 0, "encore"));
        QTRY_VERIFY(h->Vue()->toPlainText().endsWith("   encore\n"));
        const QStringList montre = VueEtFormats(a.Conversation());
        QVERIFY(std::any_of(montre.begin(), montre.end(), [](const QString& m) { return m.endsWith("1"); }));
        a.ovan().historique()->Vider();
        h->CaseEnregistrer()->click();
        QVERIFY(!a.ovan().historique()->Enregistrer());
        a.Redemarrer();
        a.ovan().CommandeMenu(Menu::Historique);
        h = a.ovan().fenetreHistorique();
        QVERIFY(!h->CaseEnregistrer()->isChecked() && !h->Etat()->text().isEmpty());
        QVERIFY(h->Fenetre()->isVisible() && h->Liste()->topLevelItemCount() == 1);
        QCOMPARE(h->Liste()->topLevelItem(0)->text(0), "Bob (127.0.0.191)");
        QCOMPARE(h->Liste()->topLevelItem(0)->text(1), QDate::currentDate().toString("dd/MM/yyyy"));
        QCOMPARE(VueEtFormats(h->Vue()), montre);
        QVERIFY(FormatDe(h->Vue()->document(), "   Très bien, et toi ?").toolTip().contains(u':'));
        QSignalSpy affiche(h, &FenetreHistorique::affiche);
        QTest::keyClicks(h->Recherche(), "TRES bien");
        QVERIFY(affiche.wait(5000));
        QVERIFY(h->Surlignes() == (QStringList{"Très", "bien"}) && !h->Vue()->toPlainText().contains("Deux"));
        const QTextBlock ligne = h->Vue()->document()->findBlockByNumber(2);
        QVERIFY(ligne.text().contains("Très"));
        QTest::mouseClick(h->Vue()->viewport(), Qt::LeftButton, {},
                          h->Vue()->cursorRect(QTextCursor(ligne)).center());
        QVERIFY(h->Vue()->toPlainText().contains("Deux") && h->Surlignes() == (QStringList{"Très", "bien"}));
        a.dialogues().Repondre(Dialogues::Reponse::Non);
        h->BoutonEffacer()->click();
        QVERIFY(a.dialogues().Boite(0,
                                    "Voulez-vous effacer tout l'historique des conversations ?\r\n"
                                    "Ce qui est effacé ne peut pas être retrouvé.",
                                    "OVAN Messenger", Icone::Question, h->Fenetre()));
        QCOMPARE(a.ovan().historique()->Conversations().size(), 1);
        h->BoutonEffacer()->click();
        QVERIFY(a.ovan().historique()->Conversations().isEmpty() && h->Liste()->topLevelItemCount() == 0);
        h->CaseEnregistrer()->click();
        {
            FauxContact carole("127.0.0.193");
            QVERIFY(carole.Appeler(a.Adresse()));
            carole.Envoyer(Trame::Log("Carole"));
            QTRY_VERIFY(a.TexteConversation().endsWith("Carole s'est connecté(e). <<<\n"));
        }
        QTRY_VERIFY(a.TexteConversation().endsWith("Carole s'est déconnecté(e). <<<\n"));
        FauxContact bob2("127.0.0.195");
        QVERIFY(bob2.Appeler(a.Adresse()));
        bob2.Envoyer(Trame::Message(0, 0, 0, "avant"));
        QTRY_VERIFY(a.TexteConversation().endsWith("   avant\n"));
        bob2.Envoyer(Trame::Log("Bob") + Trame::Message(0, 0, 0, "gardé"));
        QTRY_VERIFY(a.TexteConversation().endsWith("   gardé\n"));
        a.ovan().historique()->Vider();
        QStringList pseudos;
        for (const EntreeHistorique& e : a.ovan().historique()->Entrees("127.0.0.195", QDate::currentDate()))
            pseudos << e.PseudoContact;
        QCOMPARE(pseudos, (QStringList{"", "", "", "Bob", "Bob"}));
    }

    // The network window: a later listing stops the one waiting; no daemon is said; a double click
    // fills the address box (not while connected) with what can be called.
    void reseau() {
        SourceTenue source;
        CopieOvan c("127.0.0.186", nullptr, &source);
        Interface& ui = c.interface();
        QTreeWidget* liste = ui.ListViewhWnd[1];
        const auto lignes = [&] {
            QStringList l;
            for (QTreeWidgetItem* i : liste->findItems("*", Qt::MatchWildcard))
                l.append(i->text(0) + u'|' + i->text(1) + (i->font(0).bold() ? "|gras" : ""));
            return l;
        };
        source.domaines = {"local", "bureau.example"};
        source.postes = {
            {"local", {Ordinateur("bob.local", "10.0.0.2", "Bob"), Ordinateur("imprimante.local")}},
            {"bureau.example", {Ordinateur("poste.bureau.example")}}};
        FenetreOvan* fenetre = ui.ReseauhWnd;
        QComboBox* domaines = ui.ComboBoxhWnd[ListeDomaines];
        QSignalSpy fini(&c.ovan().reseau(), &Reseau::listageFini);
        QVERIFY(ui.TextBoxhWnd[ZoneNomPoste]->text() == QHostInfo::localHostName() &&
                liste->headerItem()->text(0) == "Nom PC");
        c.ovan().ClicBouton(Commande::OuvrirReseau);
        QVERIFY(fenetre->fondu().Sens() == 1 && !ui.FenetrehWnd->menuBar()->isEnabled());
        QTRY_COMPARE(source.appelsDomaines.load(), 1);
        c.ovan().reseau().VoirReseau(1);
        QTRY_COMPARE(source.arretes.load(), 1);
        source.permis.release();
        QTRY_COMPARE(source.appelsPostes.load(), 1);
        QVERIFY(domaines->count() == 2 && domaines->currentIndex() == 1 && !domaines->isEnabled());
        source.permis.release();
        QVERIFY(fini.wait(5000));
        QVERIFY(fini.count() == 1 && lignes() == QStringList{"poste.bureau.example|"} &&
                domaines->isEnabled());
        source.permis.release(1000);
        domaines->setCurrentIndex(0);
        emit domaines->activated(0);
        QVERIFY(fini.wait(5000));
        QCOMPARE(lignes(), (QStringList{"bob.local|Bob|gras", "imprimante.local|"}));
        // Opened again while shown, it lists the first domain.
        QTRY_COMPARE(fenetre->fondu().Sens(), 0);
        c.ovan().reseau().VoirReseau(1);
        QVERIFY(fini.wait(5000));
        c.ovan().ClicBouton(Commande::OuvrirReseau);
        QVERIFY(fenetre->fondu().Sens() == 0 && fini.wait(5000));
        QVERIFY(domaines->currentIndex() == 0 && lignes().size() == 2);
        const QLabel* avis = fenetre->findChild<QLabel*>("sansDemon");
        for (const QStringList& trouves : {QStringList(), QStringList{"local"}}) {
            source.domaines = trouves;
            c.ovan().reseau().VoirReseau(0);
            QVERIFY(fini.wait(5000));
            QCOMPARE(avis->isVisibleTo(fenetre), trouves.isEmpty());
            QVERIFY(domaines->count() == trouves.size() && lignes().size() == 2);
        }
        QVERIFY(avis->text().contains("avahi-daemon"));
        QLabel* lien = ui.LabelhWnd[LabelIpInternet];
        QCOMPARE(lien->text(), "Connaître mon IP internet");
        const QPoint dedans = lien->mapFrom(fenetre, QPoint(300, 272));
        Souris(lien, QEvent::MouseMove, dedans);
        QCOMPARE(lien->cursor().shape(), Qt::PointingHandCursor);
        Souris(lien, QEvent::MouseButtonPress, dedans, Qt::LeftButton);
        QCOMPARE(c.shell().Ouverts, QStringList{"https://www.ovan-messenger.example.org/ip.php"});
        source.postes = {
            {"local",
             {Ordinateur("bob.local", "10.0.0.2", "Bob"), Ordinateur("Poste de Zoé.local", "10.0.0.4")}}};
        const auto choisir = [&](int ligne) {
            c.ovan().ClicBouton(Commande::OuvrirReseau);
            QVERIFY(fini.wait(5000));
            QTRY_COMPARE(fenetre->fondu().Sens(), 0);
            // A real double click's events, as the window system delivers them.
            const QPoint p = liste->visualItemRect(liste->topLevelItem(ligne)).center();
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                      QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
                Souris(liste->viewport(), type, p, Qt::LeftButton);
        };
        for (auto [ligne, adresse] : {std::pair{0, "bob.local"}, {1, "10.0.0.4"}}) {
            choisir(ligne);
            QVERIFY(c.AdresseContact()->text() == adresse && fenetre->fondu().Sens() == -1);
            QTRY_VERIFY(fenetre->isHidden() && ui.FenetrehWnd->menuBar()->isEnabled());
            QTRY_COMPARE(QApplication::focusWidget(), c.AdresseContact());
        }
        c.AdresseContact()->setText("10.9.9.9");
        c.AdresseContact()->setEnabled(false);
        choisir(0);
        QVERIFY(c.AdresseContact()->text() == "10.9.9.9" && fenetre->isVisible() &&
                !fenetre->fondu().EnCours());
        QVERIFY(c.dialogues().Appels().isEmpty());
    }

    // The "..." dialogs fill their boxes; each outcome's boxes; the window stays live and refuses a
    // second job; quitting leaves no output.
    void compression() {
        auto c = std::make_unique<CopieOvan>("127.0.0.187");
        Interface& ui = c->interface();
        const QString tous = "Tous les fichiers (*.*)";
        for (auto [bouton, zone, titre, filtre] :
             {std::tuple{BoutonChoixACompresser, ZoneACompresser, "Ouvrir le fichier", tous},
              {BoutonChoixArchive, ZoneArchiveCreee, "Sauvegarder le fichier", "Fichier BZ2 (*.bz2)|bz2"},
              {BoutonChoixADecompresser, ZoneADecompresser, "Ouvrir le fichier", "Fichiers BZ2 (*.bz2)"},
              {BoutonChoixFichierCree, ZoneFichierCree, "Sauvegarder le fichier", tous + "|"}}) {
            const QString chemin = QStringLiteral("/tmp/dossier à espaces/fichier %1 é.bz2").arg(bouton);
            c->dialogues().RepondreFichier(chemin);
            ui.BoutonhWnd[bouton]->click();
            QCOMPARE(ui.TextBoxhWnd[zone]->text(), chemin);
            QCOMPARE(c->dialogues().Navigations().last(), (QPair<QString, QString>{titre, filtre}));
        }
        c->ovan().CommandeMenu(Menu::Compression);
        QVERIFY(ui.CompressionhWnd->isVisible() && c->dialogues().Appels().isEmpty());
        QTemporaryDir d;
        const QString s = d.path() + "/Mes données de l'été/";
        QVERIFY(QDir().mkpath(s) && !EcrireMotif(s + "texte ü.txt", 8 << 20).isEmpty() &&
                Ecrire(s + "vide", {}));
        QVERIFY(Ecrire(s + "faux.bz2", "Ceci n'est pas une archive.\n") &&
                QFile::link(s + "vide", s + "lien"));
        auto* barre = ui.CompressionhWnd->findChild<QProgressBar*>();
        QVERIFY(barre->isHidden());
        QElapsedTimer horloge;
        qint64 ecartMax = 0;
        QTimer battement;
        connect(&battement, &QTimer::timeout, this,
                [&] { ecartMax = std::max(ecartMax, horloge.restart()); });
        for (auto [compresser, source, sortie, boites] :
             {std::tuple{true, "texte ü.txt", "archive créée.bz2", QStringList{Occupe, Occupe, Compressee}},
              {false, "archive créée.bz2", "texte retrouvé ü.txt", {Decompressee}},
              {true, "vide", "vide.bz2", {Inutile, Ratee}},
              {false, "faux.bz2", "sortie", {Lecture, DRatee}},
              {false, "absent.bz2", "sortie", {DRatee}},
              {true, "vide", "lien", {Meme}}}) {
            ui.TextBoxhWnd[compresser ? ZoneACompresser : ZoneADecompresser]->setText(s + source);
            ui.TextBoxhWnd[compresser ? ZoneArchiveCreee : ZoneFichierCree]->setText(s + sortie);
            const qsizetype avant = c->dialogues().Appels().size();
            ui.BoutonhWnd[compresser ? BoutonCompresser : BoutonDecompresser]->click();
            if (boites.size() == 3) {
                horloge.start();
                battement.start(5);
                QTRY_VERIFY(!barre->isHidden() && barre->value() > 0);
                ui.BoutonhWnd[BoutonDecompresser]->click();
                ui.BoutonhWnd[BoutonCompresser]->click();
            }
            QTRY_VERIFY_WITH_TIMEOUT(barre->isHidden() && c->dialogues().Appels().size() > avant, 60000);
            battement.stop();
            QCOMPARE(Boites(c->dialogues(), avant), boites);
        }
        QVERIFY2(ecartMax < 1000, qPrintable(QString::number(ecartMax)));
        QCOMPARE(Lire(s + "texte retrouvé ü.txt"), Lire(s + "texte ü.txt"));
        const QStringList avant = QDir(s).entryList(QDir::AllEntries | QDir::Hidden);
        ui.TextBoxhWnd[ZoneACompresser]->setText(s + "texte ü.txt");
        ui.TextBoxhWnd[ZoneArchiveCreee]->setText(s + "encore.bz2");
        c->ovan().ClicBouton(Commande::Compresser);
        QTRY_VERIFY(barre->value() > 0);
        c.reset();
        QCOMPARE(QDir(s).entryList(QDir::AllEntries | QDir::Hidden), avant);
    }

    // The main window is off while converting; a cancel, a failure; the capture command.
    void imagesEtCapture() {
        auto c = std::make_unique<CopieOvan>("127.0.0.241");
        Interface& ui = c->interface();
        c->ovan().ClicBouton(Commande::ConvertirImage);
        c->ovan().ClicBouton(Commande::OuvrirDossierImage);
        QCOMPARE(Boites(c->dialogues()),
                 (QStringList{AChoisir, "Attention !|Vous devez d'abord convertir un fichier !|1|1"}));
        QTemporaryDir d;
        const QString s = d.path() + u'/', grande = s + "grande photo.png";
        QImage photo(4000, 3000, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        QVERIFY(photo.save(grande));
        Convertir(*c, grande, 3);
        // "*jpeg" without a dot, as designed.
        QCOMPARE(c->dialogues().Navigations().last().second,
                 "Fichiers Bitmap (*.bmp);;Fichiers JPEG (*.jpg;*.jpeg) (*.jpg *jpeg);;"
                 "Fichiers PNG (*.png);;Fichiers TIFF (*.tif;*.tiff) (*.tif *.tiff)");
        QVERIFY(!ui.FenetrehWnd->Active() && c->dialogues().Appels().size() == 2);
        QCOMPARE(Etat(ui), "img_conv_d img_ouvdoss_d " + grande);
        QTRY_COMPARE_WITH_TIMEOUT(Boites(c->dialogues(), 2), QStringList{Convertie}, 30000);
        QVERIFY(Etat(ui) == "img_conv_d img_ouvdoss_e " && ui.FenetrehWnd->Active());
        c->ovan().ClicBouton(Commande::OuvrirDossierImage);
        QCOMPARE(c->shell().Ouverts, QStringList{s});
        Convertir(*c, QString(), 0);
        QVERIFY(Etat(ui).startsWith("img_conv_d ") && Boites(c->dialogues()).last() == AChoisir);
        QVERIFY(Ecrire(s + "x.bmp", "pas une image\n"));
        Convertir(*c, s + "x.bmp", 2);
        QTRY_COMPARE(Boites(c->dialogues()).last(), "Erreur|La conversion de format a échouée !|4|1");
        QVERIFY(ui.TextBoxhWnd[ZoneImage]->text().isEmpty() && ui.FenetrehWnd->Active());
        // The capture: not while alone; then asked, and offered to the contact with its size.
        FauxContact f("127.0.0.199");
        c->dialogues().Effacer();
        c->ovan().ClicBouton(Commande::CaptureEcran);
        QVERIFY(c->dialogues().Boite(0, "Vous devez d'abord vous connecter !", "OVAN Messenger",
                                     Dialogues::Icone::Attention, ui.FenetrehWnd));
        QVERIFY(c->AppelePar(f));
        if (Capture::Ecran().isNull())
            QSKIP("this platform gives no picture of the screen");
        ui.ComboBoxhWnd[ListeOptionsFormat]->setCurrentIndex(2);
        ui.CheckBoxhWnd[CaseEnvoyerCapture]->setChecked(true);
        f.Oublier();
        c->ovan().ClicBouton(Commande::CaptureEcran);
        QCOMPARE(c->dialogues().Textes().last(), "Voulez-vous envoyer la capture d'écran ?");
        QVERIFY(f.AttendreTrames(1));
        const qint64 taille = QFileInfo(c->Dossier() + "CaptEcran_1.png").size();
        QCOMPARE(f.Octets(), "[DEM]CaptEcran_1.png\\" + QByteArray::number(taille) + '\x03');
        QVERIFY(c->TexteConversation().contains("Vous désirez envoyer 'CaptEcran_1.png' à Eve."));
    }

    // Every picture at its size and at 200 %, never blank; a smiley's bitmap at its size; an enabled
    // face has a grey disabled twin of its shape. The program's icon at 16 and 256 pixels.
    void imagesDessinees() {
        const QList<QSize> tailles = Images::IconeProgramme().availableSizes();
        QVERIFY(tailles.contains(QSize(16, 16)) && tailles.contains(QSize(256, 256)));
        for (const QString& nom : Images::Noms()) {
            const QSize taille = Images::TailleNaturelle(nom);
            const QPixmap double_ = Images::Pixmap(nom, 2.0);
            QVERIFY2(!taille.isEmpty() && Images::Pixmap(nom).size() == taille &&
                         double_.size() == taille * 2 && double_.deviceIndependentSize().toSize() == taille,
                     qPrintable(nom));
            QVERIFY(PartColoree(Images::Pixmap(nom).toImage()) >= 0 && PartColoree(double_.toImage()) >= 0);
            if (nom.startsWith("img_smy"))
                QCOMPARE(QImage(DossierProgramme() + "Smileys/smiley" + nom.mid(7) + ".bmp").size(), taille);
            if (nom.endsWith("_e")) {
                const QImage e = Images::Image(nom, taille), d = Images::Image(nom.chopped(2) + "_d", taille);
                QVERIFY2(PartColoree(d) < 0.01, qPrintable(nom));
                QCOMPARE(e.convertToFormat(QImage::Format_Alpha8), d.convertToFormat(QImage::Format_Alpha8));
            }
        }
    }

    // Every face a message names is upright, bold a face of its own; run again without Comic Neue.
    void policesDroitesAvecGras() {
        Interface::InstallerPolices();
        for (const QString& nom : NomsPolices()) {
            QFont police(nom, 8);
            const QFontInfo droite(police);
            police.setBold(true);
            const QFontInfo gras(police);
            QVERIFY2(!QFontDatabase::italic(droite.family(), droite.styleName()) &&
                         QFontDatabase::weight(gras.family(), gras.styleName()) >= QFont::Bold &&
                         !QFontDatabase::italic(gras.family(), gras.styleName()),
                     qPrintable(nom + u' ' + gras.family() + u' ' + gras.styleName()));
        }
    }

    // Without an audio device playing still returns at once.
    void sonsReels() {
        SonsReels sons;
        QElapsedTimer chrono;
        chrono.start();
        for (const char* nom : {"msg", "coucou", "msg"})
            sons.Jouer(DossierProgramme() + "Sons/" + nom + ".wav");
        QVERIFY(chrono.elapsed() < 2000);
        // Qt's loader thread must be done before the program ends, or what it holds is reported lost.
        QTRY_VERIFY_WITH_TIMEOUT(sons.Effet()->status() != QSoundEffect::Loading, 5000);
    }

    // Without a notification area the desktop's service tells of messages, never as markup.
    void notificationDuBureauSansZone() {
        if (m_bus.state() != QProcess::Running)
            QSKIP("dbus-daemon cannot be started");
        QDBusConnection service =
            QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), "faux-service");
        FauxNotifications faux;
        QVERIFY(
            service.registerService("org.freedesktop.Notifications") &&
            service.registerObject("/org/freedesktop/Notifications", &faux, QDBusConnection::ExportAllSlots));
        CopieOvan a("127.0.0.206", "PSEUDO:Alice");
        FenetrePrincipale* f = a.interface().FenetrehWnd;
        f->hide();
        FauxContact bob("127.0.0.207");
        QVERIFY(bob.Appeler(a.Adresse()));
        bob.Envoyer(Trame::Log("Bob"));
        QTRY_COMPARE(faux.recues.value(0), "Bob vient de se connecter |  | default,Ouvrir");
        bob.Envoyer(Trame::Message(0, 0, 0, "<b>là</b> & ici"));
        QTRY_COMPARE(faux.recues.value(1), "Bob dit : | &lt;b&gt;là&lt;/b&gt; &amp; ici | default,Ouvrir");
        QVERIFY(service.send(QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                        "org.freedesktop.Notifications", "ActionInvoked")
                             << uint(42) << QString("default")));
        QTRY_VERIFY(f->isVisible() && !f->isMinimized());
        a.ovan().ReglerIconeNotification(true);
        f->hide();
        bob.Envoyer(Trame::Message(0, 0, 0, "vu par la zone"));
        QTRY_VERIFY(a.ovan().popup().Monte());
        QCOMPARE(faux.recues.size(), 2);
        service.unregisterService("org.freedesktop.Notifications");
    }

    // A file dialog opens in the user's home, never in the program's folder, then where the last file
    // was chosen; a cancel changes nothing.
    void dialoguesDeFichiersOuvrentChezLUtilisateur() {
        DialoguesReels d;
        QTemporaryDir ailleurs;
        Ecrire(ailleurs.filePath("photo.png"), "x");
        QStringList vus;
        QStringList refus;
        QTimer repondre;
        connect(&repondre, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* boite = qobject_cast<QMessageBox*>(w); boite && boite->isVisible()) {
                    // A refused answer must fail the test, not stack one box per tick.
                    refus << boite->text();
                    boite->reject();
                    continue;
                }
                auto* dialogue = qobject_cast<QFileDialog*>(w);
                if (!dialogue || !dialogue->isVisible() || QApplication::activeModalWidget() != dialogue) {
                    continue;
                }
                if (!dialogue->property("vu").toBool()) {
                    dialogue->setProperty("vu", true);
                    dialogue->setProperty("rang", vus.size());
                    vus << dialogue->directory().absolutePath();
                }
                // Answered again at each tick until it closes: on a loaded machine the first
                // accept may come before the dialog has taken the file.
                if (dialogue->property("rang").toInt() == 0) {
                    dialogue->selectFile(ailleurs.filePath("photo.png"));
                    QMetaObject::invokeMethod(dialogue, "accept");
                } else {
                    dialogue->reject();
                }
            }
        });
        repondre.start(10);
        QCOMPARE(d.ChoisirFichier(nullptr, "Ouvrir le fichier", "Tous (*.*)"),
                 ailleurs.filePath("photo.png"));
        QCOMPARE(d.ChoisirFichierASauver(nullptr, "Sauvegarder", "PNG (*.png)", "png"), QString());
        QCOMPARE(vus, QStringList({QDir::homePath(), ailleurs.path()}));
        QCOMPARE(d.DernierDossier(), ailleurs.path());
        QCOMPARE(refus, QStringList());
    }

private:
    QProcess m_bus;
};

QTEST_MAIN(TestAppFenetres)
#include "tst_app_fenetres.moc"

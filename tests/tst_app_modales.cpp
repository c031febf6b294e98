// Windows that hold the main one: the pickers, About, Options, the nickname window; closing and
// quitting; the French stock dialogs.
#include "CopieOvan.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "core/chat/SocketsChat.h"
#include "ui/platform/Traductions.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

using Reponse = Dialogues::Reponse;

namespace {

// Reads the next modal box once it is open, then rejects it; whatever dialog is still open after
// 10 s is rejected too, so no test blocks on a modal loop.
void LireProchaineBoite(const std::function<void(QWidget*)>& lire) {
    auto* minuterie = new QTimer(qApp);
    QElapsedTimer debut;
    debut.start();
    QObject::connect(minuterie, &QTimer::timeout, minuterie, [=] {
        QWidget* boite = QApplication::activeModalWidget();
        if (boite && boite->isVisible()) {
            lire(boite);
        } else if (!debut.hasExpired(10000)) {
            return;
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) {
                d->reject();
            }
        }
        minuterie->stop();
        minuterie->deleteLater();
    });
    minuterie->start(20);
}

bool MettreDevant(QWidget* fenetre) {
    fenetre->raise();
    fenetre->activateWindow();
    return QTest::qWaitForWindowActive(fenetre);
}

} // namespace

class TestAppModales : public QObject {
    Q_OBJECT

private slots:
    void selecteursEtFenetresModales();
    void fenetrePseudo();
    void deuxCopiesSansPseudo();
    void pseudoRevientSeulementPourLeProgramme();
    void fermerPuisQuitter();
    void focusEtClignotement();
    void dialoguesEnFrancais();
};

void TestAppModales::selecteursEtFenetresModales() {
    CopieOvan a(QStringLiteral("127.0.0.35"));
    Interface& ui = a.interface();
    FenetrePrincipale* f = ui.FenetrehWnd;
    const struct {
        Commande ouvrir, fermer;
        QWidget* fenetre;
    } selecteurs[] = {{Commande::OuvrirSmileys, Commande::FermerSmileys, ui.SmileyhWnd},
                      {Commande::OuvrirPolice, Commande::FermerPolice, ui.StyleTextehWnd}};
    for (const auto& s : selecteurs) {
        a.ovan().ClicBouton(s.ouvrir);
        QVERIFY(s.fenetre->isVisible());
        QCOMPARE(s.fenetre->windowOpacity(), 1.0); // no fade
        QVERIFY(!f->Active());
        a.ovan().ClicBouton(s.fermer);
        QVERIFY(!s.fenetre->isVisible());
        QVERIFY(f->Active());
    }

    // The About and Options windows give the main window back once faded out.
    a.ovan().ClicBouton(Commande::OuvrirAPropos);
    QVERIFY(ui.ApposhWnd->isVisible());
    QVERIFY(!f->Active());
    QVERIFY(ui.ApposhWnd->isEnabled());
    QTRY_COMPARE(ui.ApposhWnd->fondu().Sens(), 0);
    ui.ApposhWnd->close();
    QTRY_VERIFY(!ui.ApposhWnd->isVisible());
    QVERIFY(f->Active());

    f->ElementMenu(Menu::Options)->trigger();
    QVERIFY(!f->Active());
    f->ElementMenu(Menu::Options)->trigger(); // already open: to the front only
    QCOMPARE(ui.OptionshWnd->fondu().Sens(), 1);
    QTRY_COMPARE(ui.OptionshWnd->fondu().Sens(), 0);
    ui.OptionshWnd->close(); // runs Cancel
    QTRY_VERIFY(!ui.OptionshWnd->isVisible());
    QVERIFY(f->Active());
}

void TestAppModales::fenetrePseudo() {
    CopieOvan a(QStringLiteral("127.0.0.35"));
    Interface& ui = a.interface();
    ui.PseudohWnd->fondu().Entrer();
    ui.FenetrehWnd->Activer(false);
    QTRY_COMPARE(ui.PseudohWnd->fondu().Sens(), 0);

    // Blank: the main nickname box is emptied and the window stays.
    ui.TextBoxhWnd[ZonePseudo]->setText(QStringLiteral("ancien"));
    ui.TextBoxhWnd[ZoneChoixPseudo]->setText(QStringLiteral("   "));
    a.ovan().ClicBouton(Commande::ValiderPseudo);
    QCOMPARE(ui.TextBoxhWnd[ZonePseudo]->text(), QString());
    QCOMPARE(ui.PseudohWnd->fondu().Sens(), 0);
    QVERIFY(ui.PseudohWnd->isVisible());
    // The close box does nothing.
    ui.PseudohWnd->close();
    QVERIFY(ui.PseudohWnd->isVisible());

    ui.TextBoxhWnd[ZoneChoixPseudo]->setText(QStringLiteral(" Zoé "));
    a.ovan().ClicBouton(Commande::ValiderPseudo);
    QCOMPARE(ui.TextBoxhWnd[ZonePseudo]->text(), QStringLiteral("Zoé"));
    QCOMPARE(a.ovan().conversation().MonPseudo(), QStringLiteral("Zoé"));
    QTRY_VERIFY(!ui.PseudohWnd->isVisible());
    QVERIFY(ui.FenetrehWnd->Active());
}

void TestAppModales::deuxCopiesSansPseudo() {
    // The callee has only blanks for a nickname: it says "[ATT]", asks its user, then announces the answer.
    CopieOvan a(QStringLiteral("127.0.0.36"));
    CopieOvan b(QStringLiteral("127.0.0.37"));
    QVERIFY(ConnecterCopies(a, QStringLiteral("Alice"), b, QStringLiteral("   ")));
    QTRY_VERIFY(
        a.TexteConversation().endsWith(QStringLiteral(">>> Attente du pseudo de votre contact... <<<\n")));
    QCOMPARE(b.Pseudo()->text(), QString());
    Interface& ui = b.interface();
    QVERIFY(ui.PseudohWnd->isVisible());
    QVERIFY(!ui.FenetrehWnd->Active());

    ui.TextBoxhWnd[ZoneChoixPseudo]->setText(QStringLiteral("Bob"));
    b.ovan().ClicBouton(Commande::ValiderPseudo);
    QTRY_VERIFY(a.TexteConversation().endsWith(QStringLiteral(">>> Bob s'est connecté(e). <<<\n")));
    QTRY_VERIFY(ui.FenetrehWnd->Active());
    ui.RichEdithWnd[ZoneSaisie]->setPlainText(QStringLiteral("me voici"));
    b.ovan().ClicBouton(Commande::EnvoyerMessage);
    QTRY_VERIFY(a.TexteConversation().endsWith(QStringLiteral("Bob dit :\n   me voici\n")));
}

void TestAppModales::pseudoRevientSeulementPourLeProgramme() {
    CopieOvan a(QStringLiteral("127.0.0.35"));
    Interface& ui = a.interface();
    ui.PseudohWnd->fondu().Entrer();
    QTRY_COMPARE(ui.PseudohWnd->fondu().Sens(), 0);
    QVERIFY(MettreDevant(ui.PseudohWnd));

    // Another application (a window that is no widget of ours) takes the focus and keeps it, so
    // what is typed there stays there.
    QWindow etrangere;
    etrangere.show();
    etrangere.requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(&etrangere));
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents(); // what the nickname window queued on losing the focus
    }
    QCOMPARE(QGuiApplication::focusWindow(), &etrangere);

    // Another window of the program: the unanswered nickname window comes back in front.
    for (QWidget* autre : {static_cast<QWidget*>(ui.FenetrehWnd), static_cast<QWidget*>(ui.ImageshWnd)}) {
        autre->show();
        autre->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), ui.PseudohWnd);
    }
}

void TestAppModales::fermerPuisQuitter() {
    CopieOvan a(QStringLiteral("127.0.0.31"));
    CopieOvan b(QStringLiteral("127.0.0.32"));
    QVERIFY(ConnecterCopies(a, QStringLiteral("Alice"), b, QStringLiteral("Bob")));
    FenetrePrincipale* f = a.interface().FenetrehWnd;
    QSignalSpy arret(&a.ovan(), &Ovan::arrete);
    QTRY_COMPARE(f->fondu().Sens(), 0);

    // No icon in the notification area: the close box minimises, so the window can be found again.
    f->close();
    QVERIFY(f->isMinimized());
    QVERIFY(f->isVisible());
    f->showNormal();
    a.ovan().ReglerIconeNotification(true);
    f->close();
    QCOMPARE(f->fondu().Sens(), -1);
    QTRY_VERIFY(!f->isVisible());

    // Neither closes the conversation; quitting asks first, then disconnects.
    a.dialogues().Repondre(Reponse::Non);
    a.ovan().ClicBouton(Commande::Quitter);
    QCOMPARE(arret.count(), 0);
    QCOMPARE(a.ovan().Etat(), EtatConnexion::Connecte);
    QCOMPARE(b.ovan().Etat(), EtatConnexion::Connecte);

    a.ovan().ClicBouton(Commande::Quitter); // yes
    QCOMPARE(arret.count(), 1);
    QVERIFY(a.TexteConversation().endsWith(QStringLiteral(">>> Vous vous êtes déconnecté(e). <<<\n")));
    QVERIFY(!a.ovan().Sockets().EcouteActive());
    for (QWidget* fenetre : a.interface().Fenetres()) {
        QVERIFY(!fenetre->isVisible());
    }
    QTRY_COMPARE(b.ovan().Etat(), EtatConnexion::Ecoute);
}

void TestAppModales::focusEtClignotement() {
    CopieOvan a(QStringLiteral("127.0.0.35"));
    Interface& ui = a.interface();
    QTRY_COMPARE(ui.FenetrehWnd->fondu().Sens(), 0);
    // Another window of the program in front, not owned by the main one.
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

void TestAppModales::dialoguesEnFrancais() {
    QVERIFY(Traductions::InstallerFrancais(*qApp));
    DialoguesReels dialogues;

    QStringList textes;
    LireProchaineBoite([&](QWidget* w) {
        if (auto* boite = qobject_cast<QMessageBox*>(w)) {
            for (auto bouton : {QMessageBox::Yes, QMessageBox::No}) {
                textes << (boite->button(bouton) ? boite->button(bouton)->text() : QString());
            }
        }
    });
    dialogues.Message(nullptr, QStringLiteral("Voulez-vous réellement quitter ?"),
                      QStringLiteral("OVAN Messenger"), Dialogues::Icone::Question,
                      Dialogues::Boutons::OuiNon);
    QCOMPARE(textes, (QStringList{QStringLiteral("&Oui"), QStringLiteral("&Non")}));

    // The folder browser: "Look in:", "Choose" and "Cancel" no more.
    textes.clear();
    LireProchaineBoite([&](QWidget* w) {
        auto* boutons = w->findChild<QDialogButtonBox*>();
        auto* regarder = w->findChild<QLabel*>(QStringLiteral("lookInLabel"));
        if (boutons && regarder) {
            textes << regarder->text() << boutons->button(QDialogButtonBox::Open)->text()
                   << boutons->button(QDialogButtonBox::Cancel)->text();
        }
    });
    QTemporaryDir dossier;
    QCOMPARE(dialogues.ChoisirDossier(nullptr, QStringLiteral("Le dossier"), dossier.path()), QString());
    QCOMPARE(textes, (QStringList{QStringLiteral("Voir dans :"), QStringLiteral("&Choisir"),
                                  QStringLiteral("Annuler")}));
}

QTEST_MAIN(TestAppModales)
#include "tst_app_modales.moc"

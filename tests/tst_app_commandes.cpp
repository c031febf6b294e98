// The windows and their controls, and which command each button, check box, menu element and
// shortcut runs; the disabled look of picture buttons.
#include "CopieOvan.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using Reponse = Dialogues::Reponse;

namespace {

QList<int> Commandes(const QSignalSpy& spy) {
    QList<int> liste;
    for (const auto& appel : spy) {
        liste << appel[0].toInt();
    }
    return liste;
}

// Share of the opaque pixels that show a colour rather than a grey.
double PartColoree(const QImage& image) {
    int opaques = 0;
    int colores = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 128) {
                ++opaques;
                colores += c.hsvSaturation() > 60;
            }
        }
    }
    return opaques ? double(colores) / opaques : 0.0;
}

} // namespace

class TestAppCommandes : public QObject {
    Q_OBJECT

private slots:
    void fenetresCreeesUneFois();
    void controlesDansLeursEmplacements();
    void chaqueBoutonLanceSaCommande();
    void menusEtRaccourcis();
    void raccourcisDepuisUneAutreFenetre();
    void boutonsGrisesQuandDesactives();
    void dossierCourant();
};

void TestAppCommandes::fenetresCreeesUneFois() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    Interface& ui = a.interface();
    QWidget* principale = ui.FenetrehWnd;
    // Owned windows stay above the main one; the tool windows and the pop-up stand alone.
    for (QWidget* f :
         {ui.SmileyhWnd, ui.StyleTextehWnd, ui.ReseauhWnd, ui.ApposhWnd, ui.OptionshWnd, ui.PseudohWnd}) {
        QCOMPARE(f->parentWidget(), principale);
    }
    for (QWidget* f : {ui.TransferthWnd, ui.PopuphWnd, ui.ImageshWnd, ui.CompressionhWnd}) {
        QCOMPARE(f->parentWidget(), nullptr);
    }
    for (QWidget* f : ui.Fenetres()) {
        QVERIFY2(f == principale || !f->isVisible(), qPrintable(f->windowTitle()));
    }
    QVERIFY(principale->isVisible());
    QTRY_COMPARE(ui.FenetrehWnd->fondu().Sens(), 0); // the start-up fade-in ends
    QCOMPARE(principale->windowOpacity(), 1.0);
    QVERIFY(ui.PopuphWnd->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

void TestAppCommandes::controlesDansLeursEmplacements() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    Interface& ui = a.interface();
    // The colour list's index is what travels: "Rouge" is 6.
    QCOMPARE(ui.ComboBoxhWnd[ListeCouleur]->itemText(6), QStringLiteral("Rouge"));
    QVERIFY(ui.BoutonhWnd[BoutonPseudoOk]->isDefault());
    QVERIFY(ui.BoutonhWnd[BoutonNotice]->isHidden());
    QVERIFY(ui.TextBoxhWnd[ZoneOptionsDossier]->isReadOnly());
    QVERIFY(ui.RichEdithWnd[ZoneConversation]->isReadOnly());
}

void TestAppCommandes::chaqueBoutonLanceSaCommande() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    Interface& ui = a.interface();
    QSignalSpy commandes(&a.ovan(), &Ovan::commande);
    QSignalSpy arret(&a.ovan(), &Ovan::arrete);
    // A control's id is its slot, and commands are routed by id.
    int nombre = 0;
    for (int s = 1; s < int(ui.BoutonhWnd.size()); ++s) {
        if (BoutonImage* b = ui.BoutonhWnd[s]) {
            ++nombre;
            a.dialogues().Repondre(Reponse::Non); // the quit button asks first
            commandes.clear();
            b->click();
            ui.FenetrehWnd->Activer(true); // pickers and windows disable it
            QVERIFY2(Commandes(commandes).value(0) == s, qPrintable(QString::number(s)));
        }
    }
    QCOMPARE(nombre, 14 + 42 + 2);
    for (int s = 1; s < int(ui.CheckBoxhWnd.size()); ++s) {
        commandes.clear();
        ui.CheckBoxhWnd[s]->click();
        QCOMPARE(Commandes(commandes), QList<int>{450 + s});
    }
    QCOMPARE(arret.count(), 0);
}

void TestAppCommandes::menusEtRaccourcis() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    Interface& ui = a.interface();
    FenetrePrincipale* f = ui.FenetrehWnd;
    QLineEdit* boite = ui.TextBoxhWnd[ZoneAdresse];
    QSignalSpy commandes(&a.ovan(), &Ovan::commande);
    f->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f));

    // The shortcut, typed in a box, and the menu element run the same command.
    const struct {
        Menu element;
        Qt::Key touche;
        Commande commande;
    } routes[] = {
        {Menu::Connecter, Qt::Key_S, Commande::Connecter},
        {Menu::Deconnecter, Qt::Key_D, Commande::Deconnecter},
        {Menu::EnvoyerFichier, Qt::Key_E, Commande::EnvoyerFichier},
        {Menu::FichiersRecus, Qt::Key_R, Commande::OuvrirFichiersRecus},
    };
    for (const auto& r : routes) {
        commandes.clear();
        QTest::keyClick(boite, r.touche, Qt::ControlModifier);
        f->ElementMenu(r.element)->trigger();
        QCOMPARE(Commandes(commandes), (QList<int>{int(r.commande), int(r.commande)}));
    }
    QCOMPARE(a.shell().Ouverts().last(), a.ovan().conversation().DossierReception());
    QVERIFY(a.ovan().conversation().DossierReception().endsWith(u'/'));

    // Quitting asks first; the opinion is a mail.
    a.dialogues().Effacer();
    a.dialogues().Repondre(Reponse::Non);
    QSignalSpy arret(&a.ovan(), &Ovan::arrete);
    QTest::keyClick(boite, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(a.dialogues().Appels().size(), 1);
    QCOMPARE(a.dialogues().Appels().first().boutons, Dialogues::Boutons::OuiNon);
    QCOMPARE(arret.count(), 0);
    QTest::keyClick(boite, Qt::Key_M, Qt::ControlModifier);
    QVERIFY(a.shell().Ouverts().last().startsWith(QLatin1String("mailto:")));

    // The tools and the Options window.
    f->ElementMenu(Menu::ConversionImages)->trigger();
    QVERIFY(ui.ImageshWnd->isVisible());
    f->ElementMenu(Menu::Compression)->trigger();
    QVERIFY(ui.CompressionhWnd->isVisible());
    f->ElementMenu(Menu::Options)->trigger();
    QVERIFY(ui.OptionshWnd->isVisible());
    QVERIFY(!f->Active());
}

void TestAppCommandes::raccourcisDepuisUneAutreFenetre() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    Interface& ui = a.interface();
    QSignalSpy commandes(&a.ovan(), &Ovan::commande);

    // From the nickname window while the main one is disabled.
    ui.FenetrehWnd->Activer(false);
    ui.PseudohWnd->show();
    ui.PseudohWnd->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ui.PseudohWnd));
    QTest::keyClick(ui.TextBoxhWnd[ZoneChoixPseudo], Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(Commandes(commandes), QList<int>{int(Commande::EnvoyerFichier)});
    QTest::keyClick(ui.TextBoxhWnd[ZoneChoixPseudo], Qt::Key_I, Qt::ControlModifier);
    QVERIFY(ui.ImageshWnd->isVisible());
}

void TestAppCommandes::boutonsGrisesQuandDesactives() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    Interface& ui = a.interface();
    QList<BoutonImage*> boutons; // the main window's coloured faces
    for (BoutonImage* b : ui.BoutonhWnd) {
        if (b && b->window() == ui.FenetrehWnd && !b->Face().isEmpty() && b->FaceActive()) {
            boutons << b;
        }
    }
    QVERIFY(boutons.size() >= 8);
    // Disabled with the whole window, then alone: grey; enabled again: in colour.
    for (bool fenetre : {true, false}) {
        for (BoutonImage* b : boutons) {
            QVERIFY2(PartColoree(b->grab().toImage()) > 0.15, qPrintable(b->Face()));
            fenetre ? ui.FenetrehWnd->Activer(false) : b->setEnabled(false);
            QVERIFY2(PartColoree(b->grab().toImage()) < 0.01, qPrintable(b->Face()));
            fenetre ? ui.FenetrehWnd->Activer(true) : b->setEnabled(true);
            QVERIFY2(PartColoree(b->grab().toImage()) > 0.15, qPrintable(b->Face()));
        }
    }
}

void TestAppCommandes::dossierCourant() {
    QTemporaryDir ailleurs;
    const QString avant = QDir::currentPath();
    QVERIFY(QDir::setCurrent(ailleurs.path()));
    const QString dossier = Ovan::DossierCourant();
    QDir::setCurrent(avant);
    QCOMPARE(QDir(dossier).canonicalPath(), QDir(ailleurs.path()).canonicalPath());
    QVERIFY(dossier.endsWith(u'/'));

    CopieOvan a(QStringLiteral("127.0.0.30"));
    QCOMPARE(a.ovan().DossExec(), a.Dossier());
}

QTEST_MAIN(TestAppCommandes)
#include "tst_app_commandes.moc"

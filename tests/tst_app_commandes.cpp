// The windows and their controls, and which command each button, check box, menu element and
// shortcut runs; the disabled look of picture buttons.
#include "CopieOvan.h"
#include "app/BoutonImage.h"
#include "app/FenetreOvan.h"
#include "app/FenetrePrincipale.h"
#include "app/Fondu.h"
#include "app/Interface.h"

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
    const QList<QPair<QWidget*, QWidget*>> proprietaires = {
        {ui.SmileyhWnd, principale}, {ui.StyleTextehWnd, principale}, {ui.TransferthWnd, nullptr},
        {ui.ReseauhWnd, principale}, {ui.ApposhWnd, principale},      {ui.OptionshWnd, principale},
        {ui.PopuphWnd, nullptr},     {ui.ImageshWnd, nullptr},        {ui.CompressionhWnd, nullptr},
        {ui.PseudohWnd, principale},
    };
    for (const auto& [fenetre, proprietaire] : proprietaires) {
        QCOMPARE(fenetre->parentWidget(), proprietaire);
        QVERIFY2(!fenetre->isVisible(), qPrintable(fenetre->windowTitle()));
    }
    QVERIFY(principale->isVisible());
    QTRY_COMPARE(ui.FenetrehWnd->fondu().Sens(), 0); // the start-up fade-in ends
    QCOMPARE(principale->windowOpacity(), 1.0);
    QVERIFY(ui.PopuphWnd->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(Interface::Image(ui.LabelApposhWnd), QStringLiteral("img_fenappos1"));
    QCOMPARE(Interface::Image(ui.LabelOptionhWnd), QStringLiteral("img_fenoption1"));
}

void TestAppCommandes::controlesDansLeursEmplacements() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    Interface& ui = a.interface();
    // A control's id is its slot: commands are routed by id.
    auto verifier = [](QWidget* c, int id, const char* quoi) {
        QVERIFY2(c, quoi);
        QCOMPARE(c->property("id").toInt(), id);
        QCOMPARE(c->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(c->font().pixelSize(), 12);
    };
    for (int s = 1; s <= 15; ++s) {
        verifier(ui.LabelhWnd[s], 100 + s, "label");
    }
    for (int s : {1, 2, 3, 5, 6, 7, 8, 9, 11, 12, 13}) {
        verifier(ui.TextBoxhWnd[s], 200 + s, "edit");
    }
    verifier(ui.TextBoxhWnd[ZoneChoixPseudo], 220, "nickname window edit");
    for (int s = 1; s <= 101; ++s) {
        const bool utilise = (s <= 14) || (s >= 20 && s <= 61) || s >= 100;
        QCOMPARE(ui.BoutonhWnd[s] != nullptr, utilise);
        if (utilise) {
            verifier(ui.BoutonhWnd[s], 300 + s, "button");
        }
    }
    for (int s = 1; s <= 10; ++s) {
        verifier(ui.ComboBoxhWnd[s], 400 + s, "list");
    }
    for (int s = 1; s <= 7; ++s) {
        verifier(ui.CheckBoxhWnd[s], 750 + s, "check box");
    }

    // The colour list is sorted, and its index is what travels: "Rouge" is 6.
    QComboBox* couleurs = ui.ComboBoxhWnd[ListeCouleur];
    const QStringList ordre = {"Bleu", "Bleu foncé", "Bleu-vert",   "Gris sombre", "Jaune",
                               "Noir", "Rouge",      "Rouge foncé", "Vert",        "Violet"};
    for (int i = 0; i < ordre.size(); ++i) {
        QCOMPARE(couleurs->itemText(i), ordre[i]);
    }
    for (int s :
         {ListePolice, ListeCouleur, ListeOptionsPolice, ListeOptionsFormat, ListeFormat, ListeQualite}) {
        QCOMPARE(ui.ComboBoxhWnd[s]->currentIndex(), 0);
    }
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
    for (int s = 1; s < int(ui.BoutonhWnd.size()); ++s) {
        if (BoutonImage* b = ui.BoutonhWnd[s]) {
            a.dialogues().Repondre(Reponse::Non); // the quit button asks first
            commandes.clear();
            b->click();
            ui.FenetrehWnd->Activer(true); // pickers and windows disable it
            QVERIFY2(Commandes(commandes).value(0) == b->Id() - 300, qPrintable(QString::number(s)));
        }
    }
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
    QCOMPARE(a.shell().Ouverts().last(), a.ovan().session().DossFichRecus);
    QVERIFY(a.ovan().session().DossFichRecus.endsWith(u'/'));

    // Quitting asks first; the opinion is a mail.
    a.dialogues().Effacer();
    a.dialogues().Repondre(Reponse::Non);
    QSignalSpy arret(&a.ovan(), &Ovan::arrete);
    QTest::keyClick(boite, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(a.dialogues().Appels().size(), 1);
    const auto& appel = a.dialogues().Appels().first();
    QCOMPARE(appel.texte, QStringLiteral("Voulez-vous réellement quitter ?"));
    QCOMPARE(appel.titre, QStringLiteral("OVAN Messenger"));
    QCOMPARE(appel.icone, Dialogues::Icone::Question);
    QCOMPARE(appel.boutons, Dialogues::Boutons::OuiNon);
    QCOMPARE(arret.count(), 0);
    QTest::keyClick(boite, Qt::Key_M, Qt::ControlModifier);
    QCOMPARE(a.shell().Ouverts().last(), QString::fromLatin1(AdresseAvis));
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

    // From the main window's address box, then from the nickname window while the main one is disabled.
    ui.FenetrehWnd->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ui.FenetrehWnd));
    QTest::keyClick(ui.TextBoxhWnd[ZoneAdresse], Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(Commandes(commandes), QList<int>{int(Commande::Deconnecter)});

    ui.FenetrehWnd->Activer(false);
    ui.PseudohWnd->show();
    ui.PseudohWnd->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ui.PseudohWnd));
    commandes.clear();
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

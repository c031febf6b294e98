// The windows, their controls and layout, command routing, fades, closing and quitting.
#include "CopieOvan.h"
#include "app/BoiteSaisie.h"
#include "app/BoutonImage.h"
#include "app/FenetreOvan.h"
#include "app/FenetrePrincipale.h"
#include "app/Fondu.h"
#include "app/Interface.h"
#include "chat/SocketsChat.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

using Reponse = Dialogues::Reponse;

namespace {

QList<int> Commandes(const QSignalSpy& spy) {
    QList<int> liste;
    for (const auto& appel : spy) {
        liste << appel[0].toInt();
    }
    return liste;
}

// Lays the main window out for an area of W x H under its menu bar.
void Dimensionner(Interface& ui, int W, int H) {
    FenetrePrincipale* f = ui.FenetrehWnd;
    f->resize(W, H + f->menuBar()->height());
    QTRY_COMPARE(f->Zone()->size(), QSize(W, H));
}

} // namespace

class TestShell : public QObject {
    Q_OBJECT

private slots:
    void fenetresCreeesUneFois();
    void controlesDansLeursEmplacements();
    void chaqueBoutonLanceSaCommande();
    void menusEtRaccourcis();
    void raccourcisDepuisUneAutreFenetre();
    void disposition_data();
    void disposition();
    void tailleMinimaleEtRestauration();
    void fondu();
    void selecteursEtFenetresModales();
    void fermetureSansEtAvecIconeNotification();
    void quitterDemandeEtDeconnecteAvant();
    void focusEtClignotement();
    void liensOuvertsParLeShell();
    void saisieLimiteeA200();
    void dossierCourant();
};

void TestShell::fenetresCreeesUneFois() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    Interface& ui = a.interface();
    QWidget* principale = ui.FenetrehWnd;
    const struct {
        QWidget* fenetre;
        const char* titre;
        QSize taille;
        QWidget* proprietaire;
    } attendu[] = {
        {ui.SmileyhWnd, "Smileys", {172, 290}, principale},
        {ui.StyleTextehWnd, "Police", {172, 277}, principale},
        {ui.TransferthWnd, "0 % - Nom du fichier", {400, 300}, nullptr},
        {ui.ReseauhWnd, "Réseau", {400, 325}, principale},
        {ui.ApposhWnd, "À propos...", {355, 275}, principale},
        {ui.OptionshWnd, "Options", {375, 310}, principale},
        {ui.PopuphWnd, "", {183, 118}, nullptr},
        {ui.ImageshWnd, "Conversion d'images", {500, 240}, nullptr},
        {ui.CompressionhWnd, "Compression de fichier", {500, 340}, nullptr},
        {ui.PseudohWnd, "Choisissez un pseudo", {190, 100}, principale},
    };
    for (const auto& f : attendu) {
        QCOMPARE(f.fenetre->windowTitle(), QString::fromUtf8(f.titre));
        QCOMPARE(f.fenetre->size(), f.taille);
        QCOMPARE(f.fenetre->parentWidget(), f.proprietaire);
        QVERIFY2(!f.fenetre->isVisible(), f.titre);
    }
    QCOMPARE(principale->windowTitle(), QStringLiteral("OVAN Messenger"));
    QVERIFY(principale->isVisible());
    QTRY_COMPARE(ui.FenetrehWnd->fondu().Sens(), 0); // the start-up fade-in ends
    QCOMPARE(principale->windowOpacity(), 1.0);
    QVERIFY(ui.PopuphWnd->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(ui.OptionshWnd->findChildren<QWidget*>().contains(ui.LabelOptionhWnd), true);
    QCOMPARE(Interface::Image(ui.LabelApposhWnd), QStringLiteral("img_fenappos1"));
    QCOMPARE(Interface::Image(ui.LabelOptionhWnd), QStringLiteral("img_fenoption1"));
}

void TestShell::controlesDansLeursEmplacements() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    Interface& ui = a.interface();
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
    QVERIFY(!ui.TextBoxhWnd[4]);
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
    QCOMPARE(ui.ProgressBarhWnd[1]->maximum(), 1000);
    QCOMPARE(ui.ListViewhWnd[1]->headerItem()->text(0), QStringLiteral("Nom PC"));
    QCOMPARE(ui.ListViewhWnd[1]->headerItem()->text(1), QStringLiteral("Login"));

    // Sorted lists index alphabetically; every list starts on its first entry.
    QComboBox* polices = ui.ComboBoxhWnd[ListePolice];
    QCOMPARE(polices->itemText(1), QStringLiteral("Comic Sans MS"));
    QCOMPARE(polices->itemText(5), QStringLiteral("Times New Roman"));
    QComboBox* couleurs = ui.ComboBoxhWnd[ListeCouleur];
    const QStringList ordre = {"Bleu", "Bleu foncé", "Bleu-vert",   "Gris sombre", "Jaune",
                               "Noir", "Rouge",      "Rouge foncé", "Vert",        "Violet"};
    for (int i = 0; i < ordre.size(); ++i) {
        QCOMPARE(couleurs->itemText(i), ordre[i]);
    }
    QCOMPARE(ui.ComboBoxhWnd[ListeOptionsQualite]->itemText(1), QStringLiteral("Couleurs 16 bits"));
    for (int s :
         {ListePolice, ListeCouleur, ListeOptionsPolice, ListeOptionsFormat, ListeFormat, ListeQualite}) {
        QCOMPARE(ui.ComboBoxhWnd[s]->currentIndex(), 0);
    }

    // Faces, tips and the smiley codes on the picker.
    QCOMPARE(ui.BoutonhWnd[BoutonEnvoyer]->Face(), QStringLiteral("img_envt_d"));
    QCOMPARE(ui.BoutonhWnd[BoutonEnvoyer]->accessibleName(),
             QStringLiteral("Cliquez ici pour envoyer le message"));
    QCOMPARE(ui.BoutonhWnd[BoutonPresent]->Face(), QStringLiteral("img_prst_d"));
    QCOMPARE(ui.BoutonhWnd[20]->Face(), QStringLiteral("img_smy1"));
    QCOMPARE(ui.BoutonhWnd[20]->toolTip(), QStringLiteral("(:-))"));
    QCOMPARE(ui.BoutonhWnd[44]->toolTip(), QStringLiteral("]:-|)"));
    QCOMPARE(ui.BoutonhWnd[32]->toolTip(), QStringLiteral("(¤ ¤)"));
    QCOMPARE(ui.BoutonhWnd[BoutonOuvrirFichier]->Face(), QStringLiteral("img_ouvrir_d"));
    QCOMPARE(ui.BoutonhWnd[BoutonConvertir]->Face(), QStringLiteral("img_conv_d"));
    QCOMPARE(ui.BoutonhWnd[BoutonParcourir]->text(), QStringLiteral("..."));
    QVERIFY(ui.BoutonhWnd[BoutonPseudoOk]->isDefault());
    QVERIFY(ui.BoutonhWnd[BoutonNotice]->isHidden());
    QVERIFY(ui.CheckBoxhWnd[CaseOptionsGras]->isHidden());
    QVERIFY(!ui.TextBoxhWnd[ZoneOptionsPseudo]->isHidden());
    QTest::keyClicks(ui.TextBoxhWnd[ZoneOptionsPseudo], QString(40, u'a'));
    QCOMPARE(ui.TextBoxhWnd[ZoneOptionsPseudo]->text().size(), 30);
    ui.TextBoxhWnd[ZoneOptionsPseudo]->clear();
    QVERIFY(ui.TextBoxhWnd[ZoneOptionsDossier]->isReadOnly());
    QVERIFY(ui.RichEdithWnd[ZoneConversation]->isReadOnly());
    QCOMPARE(ui.TextBoxhWnd[ZoneSonStatut]->accessibleDescription(),
             QStringLiteral("Statut de votre contact"));
}

void TestShell::chaqueBoutonLanceSaCommande() {
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

void TestShell::menusEtRaccourcis() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    Interface& ui = a.interface();
    FenetrePrincipale* f = ui.FenetrehWnd;
    const QList<QAction*> menus = f->menuBar()->actions();
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus[0]->text(), QStringLiteral("&Action"));
    QCOMPARE(menus[1]->text(), QStringLiteral("&Outils"));
    QCOMPARE(menus[2]->text(), QStringLiteral("&Donner mon avis"));
    const struct {
        int id;
        const char* texte;
        const char* raccourci;
    } elements[] = {
        {900, "&Se connecter\tCtrl+S", "Ctrl+S"},
        {901, "Se &déconnecter\tCtrl+D", "Ctrl+D"},
        {902, "&Envoyer un fichier\tCtrl+E", "Ctrl+E"},
        {903, "Ouvrir le dossier des fichiers &reçus\tCtrl+R", "Ctrl+R"},
        {904, "&Quitter\tCtrl+Q", "Ctrl+Q"},
        {906, "Compression de &fichier\tCtrl+F", "Ctrl+F"},
        {905, "Conversion d'&images\tCtrl+I", "Ctrl+I"},
        {907, "&Options...\tCtrl+O", "Ctrl+O"},
        {908, "Donner &mon avis\tCtrl+M", "Ctrl+M"},
    };
    for (const auto& e : elements) {
        QCOMPARE(f->ElementMenu(e.id)->text(), QString::fromUtf8(e.texte));
        QCOMPARE(f->ElementMenu(e.id)->shortcut(), QKeySequence(QString::fromLatin1(e.raccourci)));
    }
    QCOMPARE(menus[1]->menu()->actions()[0], f->ElementMenu(Menu::Compression));

    QSignalSpy commandes(&a.ovan(), &Ovan::commande);
    for (int id : {900, 901, 902, 903}) {
        f->ElementMenu(id)->trigger();
    }
    QCOMPARE(Commandes(commandes),
             (QList<int>{int(Commande::Connecter), int(Commande::Deconnecter), int(Commande::EnvoyerFichier),
                         int(Commande::OuvrirFichiersRecus)}));
    QCOMPARE(a.shell().Ouverts().last(), a.ovan().session().DossFichRecus);
    QVERIFY(a.ovan().session().DossFichRecus.endsWith(u'/'));

    a.dialogues().Effacer();
    a.dialogues().Repondre(Reponse::Non);
    QSignalSpy arret(&a.ovan(), &Ovan::arrete);
    f->ElementMenu(Menu::Quitter)->trigger();
    QCOMPARE(a.dialogues().Appels().size(), 1);
    const auto& appel = a.dialogues().Appels().first();
    QCOMPARE(appel.texte, QStringLiteral("Voulez-vous réellement quitter ?"));
    QCOMPARE(appel.titre, QStringLiteral("OVAN Messenger"));
    QCOMPARE(appel.icone, Dialogues::Icone::Question);
    QCOMPARE(appel.boutons, Dialogues::Boutons::OuiNon);
    QCOMPARE(arret.count(), 0);

    f->ElementMenu(Menu::ConversionImages)->trigger();
    QVERIFY(ui.ImageshWnd->isVisible());
    f->ElementMenu(Menu::Compression)->trigger();
    QVERIFY(ui.CompressionhWnd->isVisible());
    f->ElementMenu(Menu::Options)->trigger();
    QVERIFY(ui.OptionshWnd->isVisible());
    QVERIFY(!f->Active());
    f->ElementMenu(Menu::Avis)->trigger();
    QCOMPARE(a.shell().Ouverts().last(), QString::fromLatin1(AdresseAvis));
    QVERIFY(a.shell().Ouverts().last().startsWith(QLatin1String("mailto:")));
}

void TestShell::raccourcisDepuisUneAutreFenetre() {
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

void TestShell::disposition_data() {
    QTest::addColumn<int>("W");
    QTest::addColumn<int>("H");
    QTest::addColumn<QList<QRect>>("places");
    QTest::addColumn<int>("finPartie0");
    // Conversation, input box, labels 3 and 4, edit 5, then buttons 1, 2, 5, 6, 7, 13, 9, 8, 10, 14, 11, 12.
    QTest::newRow("720 x 580") << 720 << 580
                               << QList<QRect>{{6, 115, 708, 343}, {6, 498, 654, 55},  {357, 5, 50, 15},
                                               {357, 68, 50, 15},  {338, 83, 90, 20},  {649, 463, 65, 30},
                                               {665, 501, 49, 49}, {628, 12, 84, 84},  {332, 18, 49, 49},
                                               {386, 18, 49, 49},  {10, 463, 85, 30},  {100, 463, 85, 30},
                                               {190, 463, 85, 30}, {280, 463, 85, 30}, {370, 463, 30, 28},
                                               {539, 12, 84, 84},  {446, 12, 84, 84}}
                               << 480;
    QTest::newRow("1100 x 800") << 1100 << 800
                                << QList<QRect>{{6, 115, 1088, 563}, {6, 718, 1034, 55}, {484, 5, 50, 15},
                                                {484, 68, 50, 15},   {465, 83, 90, 20},  {1029, 683, 65, 30},
                                                {1045, 721, 49, 49}, {1008, 12, 84, 84}, {459, 18, 49, 49},
                                                {513, 18, 49, 49},   {10, 683, 85, 30},  {100, 683, 85, 30},
                                                {190, 683, 85, 30},  {280, 683, 85, 30}, {370, 683, 30, 28},
                                                {919, 12, 84, 84},   {699, 12, 84, 84}}
                                << 733;
}

void TestShell::disposition() {
    QFETCH(int, W);
    QFETCH(int, H);
    QFETCH(QList<QRect>, places);
    QFETCH(int, finPartie0);
    CopieOvan a(QStringLiteral("127.0.0.30"));
    Interface& ui = a.interface();
    Dimensionner(ui, W, H);
    const QList<QWidget*> controles = {ui.RichEdithWnd[ZoneConversation],
                                       ui.RichEdithWnd[ZoneSaisie],
                                       ui.LabelhWnd[LabelMonStatut],
                                       ui.LabelhWnd[LabelSonStatut],
                                       ui.TextBoxhWnd[ZoneSonStatut],
                                       ui.BoutonhWnd[1],
                                       ui.BoutonhWnd[2],
                                       ui.BoutonhWnd[5],
                                       ui.BoutonhWnd[6],
                                       ui.BoutonhWnd[7],
                                       ui.BoutonhWnd[13],
                                       ui.BoutonhWnd[9],
                                       ui.BoutonhWnd[8],
                                       ui.BoutonhWnd[10],
                                       ui.BoutonhWnd[14],
                                       ui.BoutonhWnd[11],
                                       ui.BoutonhWnd[12]};
    for (int i = 0; i < controles.size(); ++i) {
        if (i == 2 || i == 3) {
            // Labels 3 and 4 may grow with a wider font, around the same centre.
            QVERIFY(qAbs(controles[i]->geometry().center().x() - places[i].center().x()) <= 1);
            QCOMPARE(controles[i]->y(), places[i].y());
            QVERIFY(controles[i]->width() >= places[i].width());
            continue;
        }
        QVERIFY2(controles[i]->geometry() == places[i], qPrintable(QStringLiteral("control %1").arg(i)));
    }
    // The fixed ones keep their places.
    QCOMPARE(ui.TextBoxhWnd[ZonePseudo]->geometry(), QRect(20, 25, 115, 20));
    QCOMPARE(ui.TextBoxhWnd[ZoneAdresse]->geometry(), QRect(20, 65, 115, 20));
    QCOMPARE(ui.BoutonhWnd[BoutonConnecter]->geometry(), QRect(150, 12, 84, 84));
    QCOMPARE(ui.BoutonhWnd[BoutonDeconnecter]->geometry(), QRect(239, 12, 84, 84));
    QCOMPARE(ui.FinPartie0(), finPartie0);
    QCOMPARE(ui.BarreStatuthWnd[1]->geometry().right(), W - 1);
    QCOMPARE(ui.BarreStatuthWnd[1]->geometry().bottom(), H - 1);
}

void TestShell::tailleMinimaleEtRestauration() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    FenetrePrincipale* f = a.interface().FenetrehWnd;
    QCOMPARE(f->minimumSize(), QSize(720, 500));
    f->resize(400, 300);
    QCOMPARE(f->size(), QSize(720, 500));

    f->setGeometry(40, 50, 800, 600);
    QCOMPARE(f->GeometrieRetenue(), QRect(40, 50, 800, 600));
    f->showMinimized();
    f->Restaurer();
    QVERIFY(!f->isMinimized());
    // Back at its place, one pixel shorter, and the remembered size unchanged.
    QCOMPARE(f->geometry(), QRect(40, 50, 800, 599));
    QCOMPARE(f->GeometrieRetenue(), QRect(40, 50, 800, 600));
}

void TestShell::fondu() {
    QWidget fenetre;
    Fondu f(&fenetre);
    QSignalSpy entre(&f, &Fondu::entre);
    QSignalSpy masquee(&f, &Fondu::masquee);

    f.Entrer();
    QVERIFY(fenetre.isVisible());
    QCOMPARE(f.Sens(), 1);
    for (int pas = 1; pas <= 50; ++pas) {
        f.Etape();
    }
    QCOMPARE(f.Alpha(), 250);
    QCOMPARE(f.Sens(), 1);
    f.Sortir(); // ignored while a fade runs
    f.Etape();
    QCOMPARE(f.Alpha(), 255);
    QCOMPARE(f.Sens(), 0);
    QCOMPARE(entre.count(), 1);
    QCOMPARE(fenetre.windowOpacity(), 1.0);

    f.Entrer(); // already visible: only to the front
    QCOMPARE(f.Sens(), 0);

    f.Sortir();
    QCOMPARE(f.Sens(), -1);
    for (int pas = 1; pas <= 51; ++pas) {
        QVERIFY(fenetre.isVisible());
        f.Etape();
    }
    QVERIFY(!fenetre.isVisible());
    QCOMPARE(f.Sens(), 0);
    QCOMPARE(masquee.count(), 1);
    f.Sortir(); // hidden: nothing
    QCOMPARE(f.Sens(), 0);

    // On its own timer, about half a second.
    f.Entrer();
    QVERIFY(entre.wait(3000));
    QCOMPARE(f.Alpha(), 255);
}

void TestShell::selecteursEtFenetresModales() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
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

    // The nickname window must be answered.
    ui.PseudohWnd->show();
    ui.PseudohWnd->close();
    QVERIFY(ui.PseudohWnd->isVisible());
}

void TestShell::fermetureSansEtAvecIconeNotification() {
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

    QCOMPARE(arret.count(), 0);
    QCOMPARE(a.ovan().Etat(), int(EtatConnecte));
    QCOMPARE(b.ovan().Etat(), int(EtatConnecte));
}

void TestShell::quitterDemandeEtDeconnecteAvant() {
    CopieOvan a(QStringLiteral("127.0.0.31"));
    CopieOvan b(QStringLiteral("127.0.0.32"));
    QVERIFY(ConnecterCopies(a, QStringLiteral("Alice"), b, QStringLiteral("Bob")));
    QSignalSpy arret(&a.ovan(), &Ovan::arrete);

    a.dialogues().Repondre(Reponse::Non);
    a.ovan().ClicBouton(Commande::Quitter);
    QCOMPARE(arret.count(), 0);
    QCOMPARE(a.ovan().Etat(), int(EtatConnecte));

    a.ovan().ClicBouton(Commande::Quitter); // yes
    QCOMPARE(arret.count(), 1);
    QVERIFY(a.TexteConversation().endsWith(QStringLiteral(">>> Vous vous êtes déconnecté(e). <<<\n")));
    QVERIFY(!a.ovan().Sockets().EcouteActive());
    for (QWidget* fenetre : a.interface().Fenetres()) {
        QVERIFY(!fenetre->isVisible());
    }
    QTRY_COMPARE(b.ovan().Etat(), int(EtatEcoute));
}

void TestShell::focusEtClignotement() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
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

void TestShell::liensOuvertsParLeShell() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    Interface& ui = a.interface();
    QTextEdit* vue = ui.RichEdithWnd[ZoneConversation];
    ui.FenetrehWnd->resize(720, 580);
    QTextCursor curseur(vue->document());
    curseur.movePosition(QTextCursor::End);
    curseur.insertText(QStringLiteral("voir "));
    QTextCharFormat lien;
    lien.setAnchor(true);
    lien.setAnchorHref(QStringLiteral("http://exemple.org/page"));
    curseur.insertText(QStringLiteral("http://exemple.org/page"), lien);
    curseur.insertText(QStringLiteral(" fin"), QTextCharFormat());

    QTextCursor dansLeLien(vue->document());
    dansLeLien.setPosition(vue->document()->find(QStringLiteral("exemple")).position());
    const QPoint ici = vue->cursorRect(dansLeLien).center();
    QTest::mouseClick(vue->viewport(), Qt::LeftButton, {}, ici);
    QCOMPARE(a.shell().Ouverts(), QStringList{QStringLiteral("http://exemple.org/page")});

    // Elsewhere in the text: nothing.
    QTextCursor ailleurs(vue->document());
    QTest::mouseClick(vue->viewport(), Qt::LeftButton, {}, vue->cursorRect(ailleurs).center());
    QCOMPARE(a.shell().Ouverts().size(), 1);
}

void TestShell::saisieLimiteeA200() {
    CopieOvan a(QStringLiteral("127.0.0.30"));
    auto* saisie = static_cast<BoiteSaisie*>(a.interface().RichEdithWnd[ZoneSaisie]);
    saisie->insertPlainText(QString(250, u'a'));
    QCOMPARE(saisie->Longueur(), 200);
    saisie->setFocus();
    QTest::keyClicks(saisie, QStringLiteral("bc"));
    QCOMPARE(saisie->toPlainText(), QString(200, u'a'));
    // Room again after a deletion.
    QTest::keyClick(saisie, Qt::Key_Backspace);
    QTest::keyClicks(saisie, QStringLiteral("z"));
    QCOMPARE(saisie->toPlainText(), QString(199, u'a') + u'z');
}

void TestShell::dossierCourant() {
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

QTEST_MAIN(TestShell)
#include "tst_shell.moc"

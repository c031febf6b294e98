// Settings through the windows: start-up with or without config.ini, the Options window and its
// pages, what Apply, OK and Cancel keep, values longer than their boxes.
#include "CopieOvan.h"
#include "app/BoutonImage.h"
#include "app/FenetreOvan.h"
#include "app/FenetrePrincipale.h"
#include "app/Fondu.h"
#include "app/Interface.h"
#include "chat/ArriveeDonnees.h"
#include "chat/SocketsChat.h"
#include "settings/Config.h"
#include "settings/FichierConfig.h"
#include "settings/Options.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

namespace {

void Ecrire(const QString& chemin, const QByteArray& contenu) {
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contenu);
}

QByteArray Lire(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Survoler(QWidget* w, const QPoint& p) {
    QMouseEvent e(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// A copy started in a program folder that already holds this config.ini.
std::unique_ptr<CopieOvan> CopieAvecConfig(const QString& adresse, const QByteArray& config) {
    return std::make_unique<CopieOvan>(
        adresse, [&](const QString& dossier) { Ecrire(dossier + QStringLiteral("config.ini"), config); });
}

// The same, the received-files folder being the program folder (so that no dialog opens).
std::unique_ptr<CopieOvan> CopieAvecPseudo(const QString& adresse, const QByteArray& pseudo) {
    return std::make_unique<CopieOvan>(adresse, [&](const QString& dossier) {
        Ecrire(dossier + QStringLiteral("config.ini"),
               "PSEUDO:" + pseudo + "\r\nDOSSIER:" + dossier.toUtf8());
    });
}

QByteArray PseudoEnregistre(CopieOvan& copie) {
    const LignesConfig lignes = LireConfig(Lire(copie.Dossier() + QStringLiteral("config.ini")));
    return lignes.isEmpty() ? QByteArray() : lignes.first().second;
}

} // namespace

class TestSettingsOptions : public QObject {
    Q_OBJECT

private slots:
    void sauvegardeSure();
    void allerRetourParLesControles();
    void casLimitesAuChargement();
    void valeursFinissantParCR();
    void valeurPlusLongueQueSaZone();
    void demarrageSansFichier();
    void demarrageDossierManquant();
    void pagesEtOnglets();
    void optionsValiderAppliquerAnnuler();
    void annulerApresParcourir();
};

void TestSettingsOptions::sauvegardeSure() {
    // The temporary file cannot be made: the user is told, the old file stays byte for byte.
    CopieOvan a(QStringLiteral("127.0.0.70"));
    Ecrire(a.Dossier() + "config.ini", "PSEUDO:Ancien\n");
    QVERIFY(QDir(a.Dossier()).mkdir(QStringLiteral("config_tmp.ini")));
    a.ovan().ClicBouton(Commande::AppliquerOptions);
    QCOMPARE(a.dialogues().Textes(),
             QStringList{QStringLiteral("Impossible d'enregistrer la configuration !")});
    QCOMPARE(a.dialogues().Appels()[0].titre, QStringLiteral("Erreur"));
    QCOMPARE(a.dialogues().Appels()[0].icone, Dialogues::Icone::Erreur);
    QCOMPARE(Lire(a.Dossier() + "config.ini"), QByteArray("PSEUDO:Ancien\n"));
}

void TestSettingsOptions::allerRetourParLesControles() {
    CopieOvan a(QStringLiteral("127.0.0.70"));
    Interface& ui = a.interface();
    ui.TextBoxhWnd[ZoneOptionsPseudo]->setText(QStringLiteral("Zoé€"));
    ui.TextBoxhWnd[ZoneOptionsDossier]->setText(a.Dossier());
    ui.ComboBoxhWnd[ListeOptionsPolice]->setCurrentIndex(4);
    ui.ComboBoxhWnd[ListeOptionsCouleur]->setCurrentIndex(7);
    ui.CheckBoxhWnd[CaseOptionsGras]->setChecked(true);
    ui.CheckBoxhWnd[CaseOptionsSouligne]->setChecked(true);
    ui.ComboBoxhWnd[ListeOptionsFormat]->setCurrentIndex(1);
    ui.ComboBoxhWnd[ListeOptionsQualite]->setCurrentIndex(4);
    ui.CheckBoxhWnd[CaseEnvoyerCapture]->setChecked(true);
    const QByteArray contenu = EcrireReglages(SauverConfig(ui));
    QCOMPARE(
        contenu,
        "PSEUDO:Zo\xe9\x80\r\nDOSSIER:" + a.Dossier().toUtf8() +
            "\r\nPOLICE:4\r\nCOULEUR:7\r\nGRAS:1\r\nITALIQUE:0\r\nSOULIGNE:1\r\nFORMAT:1\r\nQUALITE:4\r\n"
            "ENVOICAPT:1\r\n");

    CopieOvan b(QStringLiteral("127.0.0.71"));
    Interface& v = b.interface();
    ChargerConfig(v, LireReglages(contenu));
    QCOMPARE(v.TextBoxhWnd[ZonePseudo]->text(), QStringLiteral("Zoé€"));
    QCOMPARE(v.TextBoxhWnd[ZoneOptionsPseudo]->text(), QStringLiteral("Zoé€"));
    QCOMPARE(v.TextBoxhWnd[ZoneOptionsDossier]->text(), a.Dossier());
    QCOMPARE(EcrireReglages(SauverConfig(v)), contenu);
    // The font picker follows too.
    QCOMPARE(v.ComboBoxhWnd[ListePolice]->currentIndex(), 4);
    QCOMPARE(v.ComboBoxhWnd[ListeCouleur]->currentIndex(), 7);
    QVERIFY(v.CheckBoxhWnd[CaseGras]->isChecked() && !v.CheckBoxhWnd[CaseItalique]->isChecked() &&
            v.CheckBoxhWnd[CaseSouligne]->isChecked());
    QCOMPARE(v.ComboBoxhWnd[ListeOptionsQualite]->currentText(), QStringLiteral("Excellente"));
}

void TestSettingsOptions::casLimitesAuChargement() {
    CopieOvan a(QStringLiteral("127.0.0.70"));
    Interface& ui = a.interface();
    ui.ComboBoxhWnd[ListePolice]->setCurrentIndex(2);
    ChargerConfig(ui, LireReglages("POLICE:-1\nGRAS:2\nQUALITE:4\nFORMAT:2\nITALIQUE:1\r\n"));
    QCOMPARE(ui.ComboBoxhWnd[ListePolice]->currentIndex(), 2); // negative: left alone
    QVERIFY(!ui.CheckBoxhWnd[CaseGras]->isChecked());          // only 1 ticks
    QVERIFY(ui.CheckBoxhWnd[CaseItalique]->isChecked() && ui.CheckBoxhWnd[CaseOptionsItalique]->isChecked());
    QCOMPARE(ui.ComboBoxhWnd[ListeOptionsFormat]->currentText(), QStringLiteral("PNG"));
    // The quality list is the format's, whichever line comes first.
    QCOMPARE(ui.ComboBoxhWnd[ListeOptionsQualite]->count(), 2);
    QCOMPARE(ui.ComboBoxhWnd[ListeOptionsQualite]->currentIndex(), -1); // past the PNG list's end
    // Loading never clears a box, and runs no change handler (the input box keeps its format).
    ChargerConfig(ui, LireReglages("ITALIQUE:0\n"));
    QVERIFY(ui.CheckBoxhWnd[CaseItalique]->isChecked());
}

void TestSettingsOptions::valeursFinissantParCR() {
    // A hand-edited file can leave CRs at the end of a value: loaded, saved by Apply, read again.
    auto a = CopieAvecPseudo(QStringLiteral("127.0.0.70"), "Paul\r\r");
    a->ovan().ClicBouton(Commande::AppliquerOptions);
    QCOMPARE(PseudoEnregistre(*a), QByteArray("Paul\r\r"));
}

void TestSettingsOptions::valeurPlusLongueQueSaZone() {
    // The box takes 30 characters; the file may hold more, and keeps them through a save.
    const QByteArray long_ = QByteArray("Jean-Pierre ").repeated(5);
    auto a = CopieAvecPseudo(QStringLiteral("127.0.0.70"), long_);
    Interface& ui = a->interface();
    QLineEdit* zone = ui.TextBoxhWnd[ZoneOptionsPseudo];
    QCOMPARE(zone->text(), QString::fromLatin1(long_));
    a->ovan().ClicBouton(Commande::AppliquerOptions);
    QCOMPARE(PseudoEnregistre(*a), long_);
    QCOMPARE(ui.TextBoxhWnd[ZonePseudo]->text(), QString::fromLatin1(long_).trimmed());

    // Typing never makes it longer, whether the box is over its limit or at it.
    QTest::keyClicks(zone, QStringLiteral("ab"));
    QCOMPARE(zone->text(), QString::fromLatin1(long_));
    QTest::keyClick(zone, Qt::Key_Backspace);
    QTest::keyClicks(zone, QStringLiteral("ab"));
    QCOMPARE(zone->text().size(), 59);
    zone->setText(QString(28, u'x'));
    QTest::keyClicks(zone, QStringLiteral("abc"));
    QCOMPARE(zone->text(), QString(28, u'x') + QStringLiteral("ab"));
    // A paste keeps what fits, wherever the cursor is.
    zone->setText(QString(27, u'x'));
    zone->setCursorPosition(2);
    QGuiApplication::clipboard()->setText(QStringLiteral("0123456789"));
    zone->paste();
    QCOMPARE(zone->text(), QStringLiteral("xx012") + QString(25, u'x'));
}

void TestSettingsOptions::demarrageSansFichier() {
    CopieOvan a(QStringLiteral("127.0.0.70"));
    Interface& ui = a.interface();
    QVERIFY(a.dialogues().Appels().isEmpty());
    QCOMPARE(ui.TextBoxhWnd[ZonePseudo]->text(), ChercheNomPC().left(30));
    QCOMPARE(a.ovan().session().MonPseudo, ChercheNomPC().left(30));
    QVERIFY(ui.TextBoxhWnd[ZoneOptionsDossier]->text().endsWith(u'/'));
    QCOMPARE(a.ovan().session().DossFichRecus, DossierParDefaut());
    QVERIFY(!QFile::exists(a.Dossier() + "config.ini")); // start-up never creates it
    QVERIFY(!ui.OptionshWnd->isVisible());
}

void TestSettingsOptions::demarrageDossierManquant() {
    auto a = CopieAvecConfig(QStringLiteral("127.0.0.70"), "PSEUDO:Paul\n");
    Interface& ui = a->interface();
    QCOMPARE(ui.TextBoxhWnd[ZonePseudo]->text(), QStringLiteral("Paul"));
    QCOMPARE(a->dialogues().Textes(),
             QStringList{QStringLiteral("Le dossier de réception des fichiers n'existe pas !\r\n"
                                        "Vous devez en choisir un existant.")});
    QCOMPARE(a->dialogues().Appels()[0].titre, QStringLiteral("Erreur !"));
    QCOMPARE(a->dialogues().Appels()[0].icone, Dialogues::Icone::Information);
    QVERIFY(a->dialogues().Appels()[0].proprietaire.isNull());
    QCOMPARE(a->dialogues().Navigations().size(), 1);
    QCOMPARE(a->dialogues().Navigations()[0].first,
             QStringLiteral("Le dossier accueillant les fichiers reçus"));
    QVERIFY(ui.OptionshWnd->isVisible());
    QVERIFY(!ui.FenetrehWnd->Active());
    QCOMPARE(ui.TextBoxhWnd[ZoneOptionsDossier]->text(), DossierParDefaut());
    // Closing the Options window gives the main window back.
    QTRY_COMPARE(ui.OptionshWnd->fondu().Sens(), 0);
    ui.OptionshWnd->close();
    QTRY_VERIFY(ui.FenetrehWnd->Active());
}

void TestSettingsOptions::pagesEtOnglets() {
    CopieOvan a(QStringLiteral("127.0.0.70"));
    Interface& ui = a.interface();
    QLabel* fond = ui.LabelOptionhWnd;
    QCOMPARE(Options::OngletA({15, 75}), 1);
    QCOMPARE(Options::OngletA({104, 80}), 0);
    QCOMPARE(Options::OngletA({285, 93}), 3);
    QCOMPARE(Options::OngletA({150, 94}), 0);

    Survoler(fond, {150, 80});
    QCOMPARE(fond->cursor().shape(), Qt::PointingHandCursor);
    Survoler(fond, {150, 120});
    QCOMPARE(fond->cursor().shape(), Qt::ArrowCursor);
    QTest::mousePress(fond, Qt::LeftButton, {}, {150, 80});
    QCOMPARE(Interface::Image(fond), QStringLiteral("img_fenoption2"));
    QVERIFY(!ui.TextBoxhWnd[ZoneOptionsPseudo]->isVisibleTo(ui.OptionshWnd));
    QVERIFY(ui.CheckBoxhWnd[CaseOptionsGras]->isVisibleTo(ui.OptionshWnd));
    QTest::mousePress(fond, Qt::LeftButton, {}, {250, 80});
    QVERIFY(ui.ComboBoxhWnd[ListeOptionsFormat]->isVisibleTo(ui.OptionshWnd));
    QVERIFY(!ui.CheckBoxhWnd[CaseOptionsGras]->isVisibleTo(ui.OptionshWnd));
    // A new format resets the quality list to its first entry.
    ui.ComboBoxhWnd[ListeOptionsFormat]->setCurrentIndex(3);
    QCOMPARE(ui.ComboBoxhWnd[ListeOptionsQualite]->count(), 5);
    QCOMPARE(ui.ComboBoxhWnd[ListeOptionsQualite]->currentIndex(), 0);
    // The last page stays for the next opening.
    ui.FenetrehWnd->ElementMenu(Menu::Options)->trigger();
    QCOMPARE(Interface::Image(fond), QStringLiteral("img_fenoption3"));
}

void TestSettingsOptions::optionsValiderAppliquerAnnuler() {
    CopieOvan a(QStringLiteral("127.0.0.72"));
    CopieOvan b(QStringLiteral("127.0.0.73"));
    Interface& ui = a.interface();
    QSignalSpy tramesB(&b.ovan().Arrivee(), &ArriveeDonnees::trameTraitee);

    // Apply while not connected: local only, nothing sent, file written.
    ui.TextBoxhWnd[ZoneOptionsPseudo]->setText(QStringLiteral("  Alice "));
    ui.ComboBoxhWnd[ListeOptionsCouleur]->setCurrentIndex(6);
    ui.CheckBoxhWnd[CaseOptionsItalique]->setChecked(true);
    a.ovan().ClicBouton(Commande::AppliquerOptions);
    QCOMPARE(a.ovan().session().MonPseudo, QStringLiteral("Alice"));
    QCOMPARE(ui.TextBoxhWnd[ZonePseudo]->text(), QStringLiteral("Alice"));
    QCOMPARE(ui.ComboBoxhWnd[ListeCouleur]->currentIndex(), 6);
    QVERIFY(ui.CheckBoxhWnd[CaseItalique]->isChecked());
    QCOMPARE(a.ovan().session().ICouleur, 6);
    QCOMPARE(a.ovan().session().IStyle, 2);
    QVERIFY(Lire(a.Dossier() + "config.ini").startsWith("PSEUDO:  Alice \r\n"));

    // OK while connected with the same nickname still announces it.
    QVERIFY(ConnecterCopies(a, QStringLiteral("Alice"), b, QStringLiteral("Bob")));
    QTRY_COMPARE(tramesB.count(), 1);
    ui.FenetrehWnd->ElementMenu(Menu::Options)->trigger();
    QTRY_COMPARE(ui.OptionshWnd->fondu().Sens(), 0);
    a.ovan().ClicBouton(Commande::ValiderOptions);
    QCOMPARE(ui.OptionshWnd->fondu().Sens(), -1);
    QTRY_COMPARE(tramesB.count(), 2);
    QCOMPARE(tramesB[1][0].value<Trame::TrameRecue>().balise, Trame::Balise::PSE);
    QCOMPARE(tramesB[1][0].value<Trame::TrameRecue>().donnee, QByteArray("Alice"));
    QTRY_VERIFY(!ui.OptionshWnd->isVisible());
    QVERIFY(ui.FenetrehWnd->Active());

    // Cancel twice: the second, during the fade, does nothing; the saved values come back.
    ui.FenetrehWnd->ElementMenu(Menu::Options)->trigger();
    QTRY_COMPARE(ui.OptionshWnd->fondu().Sens(), 0);
    ui.ComboBoxhWnd[ListeOptionsCouleur]->setCurrentIndex(2);
    a.ovan().ClicBouton(Commande::AnnulerOptions);
    a.ovan().ClicBouton(Commande::AnnulerOptions);
    QCOMPARE(ui.ComboBoxhWnd[ListeOptionsCouleur]->currentIndex(), 6);
    QTRY_VERIFY(!ui.OptionshWnd->isVisible());
}

void TestSettingsOptions::annulerApresParcourir() {
    CopieOvan a(QStringLiteral("127.0.0.70"));
    Interface& ui = a.interface();
    QTemporaryDir ailleurs;
    ui.TextBoxhWnd[ZoneOptionsDossier]->setText(a.Dossier());
    a.ovan().ClicBouton(Commande::AppliquerOptions); // saved with the program folder
    ui.FenetrehWnd->ElementMenu(Menu::Options)->trigger();
    QTRY_COMPARE(ui.OptionshWnd->fondu().Sens(), 0);

    // A folder that does not exist is refused; an existing one is taken with its "/".
    a.dialogues().RepondreDossier(QStringLiteral("/nulle/part"));
    a.ovan().ClicBouton(Commande::ParcourirDossier);
    QCOMPARE(ui.TextBoxhWnd[ZoneOptionsDossier]->text(), a.Dossier());
    a.dialogues().RepondreDossier(ailleurs.path());
    a.ovan().ClicBouton(Commande::ParcourirDossier);
    QCOMPARE(ui.TextBoxhWnd[ZoneOptionsDossier]->text(), ailleurs.path() + u'/');
    QCOMPARE(a.ovan().session().DossFichRecus, ailleurs.path() + u'/');

    a.ovan().ClicBouton(Commande::AnnulerOptions);
    QCOMPARE(ui.TextBoxhWnd[ZoneOptionsDossier]->text(), a.Dossier());
    QCOMPARE(a.ovan().session().DossFichRecus, ailleurs.path() + u'/');
}

QTEST_MAIN(TestSettingsOptions)
#include "tst_settings_options.moc"

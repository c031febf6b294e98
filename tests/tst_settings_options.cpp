// Settings through the windows: start-up with or without config.ini, the Options window and its
// pages, what Apply, OK and Cancel keep, values longer than their boxes.
#include "CopieOvan.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/chat/ArriveeDonnees.h"
#include "core/chat/SocketsChat.h"
#include "ui/settings/ChoixPseudo.h"
#include "ui/settings/Config.h"
#include "core/settings/FichierConfig.h"
#include "ui/settings/Options.h"

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
    void valeurPlusLongueQueSaZone();
    void demarrage_data();
    void demarrage();
    void pagesEtOnglets();
    void optionsValiderAppliquerAnnuler();
    void annulerApresParcourir();
};

void TestSettingsOptions::sauvegardeSure() {
    // The temporary file cannot be made: the user is told, the old file stays byte for byte.
    CopieOvan a(QStringLiteral("127.0.0.100"));
    Ecrire(a.Dossier() + "config.ini", "PSEUDO:Ancien\n");
    QVERIFY(QDir(a.Dossier()).mkdir(QStringLiteral("config_tmp.ini")));
    a.ovan().ClicBouton(Commande::AppliquerOptions);
    QVERIFY(a.dialogues().Boite(0, QStringLiteral("Impossible d'enregistrer la configuration !"),
                                QStringLiteral("Erreur"), Dialogues::Icone::Erreur,
                                a.interface().OptionshWnd));
    QCOMPARE(Lire(a.Dossier() + "config.ini"), QByteArray("PSEUDO:Ancien\n"));
}

void TestSettingsOptions::allerRetourParLesControles() {
    CopieOvan a(QStringLiteral("127.0.0.100"));
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
    // Each control saves its own key (the bytes are the file's business).
    const Reglages reglages = SauverConfig(ui);
    QVERIFY(reglages == (Reglages{QStringLiteral("Zoé€"), a.Dossier(), 4, 7, true, false, true, 1, 4, true}));

    CopieOvan b(QStringLiteral("127.0.0.101"));
    Interface& v = b.interface();
    ChargerConfig(v, reglages);
    QVERIFY(SauverConfig(v) == reglages);
    QCOMPARE(v.TextBoxhWnd[ZonePseudo]->text(), QStringLiteral("Zoé€"));
    // The font picker follows too.
    QCOMPARE(v.ComboBoxhWnd[ListePolice]->currentIndex(), 4);
    QCOMPARE(v.ComboBoxhWnd[ListeCouleur]->currentIndex(), 7);
    QVERIFY(v.CheckBoxhWnd[CaseGras]->isChecked() && !v.CheckBoxhWnd[CaseItalique]->isChecked() &&
            v.CheckBoxhWnd[CaseSouligne]->isChecked());
    QCOMPARE(v.ComboBoxhWnd[ListeOptionsQualite]->currentText(), QStringLiteral("Excellente"));
}

void TestSettingsOptions::casLimitesAuChargement() {
    CopieOvan a(QStringLiteral("127.0.0.100"));
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

void TestSettingsOptions::valeurPlusLongueQueSaZone() {
    // The box takes 30 characters; the file may hold more, and CRs a hand edit left at the end:
    // all of it stays through a save.
    const QByteArray long_ = QByteArray("Jean-Pierre ").repeated(5) + "\r\r";
    CopieOvan a(QStringLiteral("127.0.0.100"), "PSEUDO:" + long_, true);
    Interface& ui = a.interface();
    QLineEdit* zone = ui.TextBoxhWnd[ZoneOptionsPseudo];
    QCOMPARE(zone->text(), QString::fromLatin1(long_));
    a.ovan().ClicBouton(Commande::AppliquerOptions);
    QCOMPARE(PseudoEnregistre(a), long_);
    QVERIFY(ui.TextBoxhWnd[ZonePseudo]->text().startsWith(QString::fromLatin1(long_.first(59))));

    // Typing never makes it longer, whether the box is over its limit or at it.
    QTest::keyClicks(zone, QStringLiteral("ab"));
    QCOMPARE(zone->text(), QString::fromLatin1(long_));
    QTest::keyClick(zone, Qt::Key_Backspace);
    QTest::keyClicks(zone, QStringLiteral("ab"));
    QCOMPARE(zone->text().size(), long_.size() - 1);
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

void TestSettingsOptions::demarrage_data() {
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<bool>("dossier");
    QTest::addColumn<QString>("pseudo");
    QTest::newRow("sans config.ini") << QByteArray() << false << ChercheNomPC().left(30);
    QTest::newRow("dossier de reception manquant") << QByteArray("PSEUDO:Paul") << false << "Paul";
    QTest::newRow("complet") << QByteArray("PSEUDO:Paul") << true << "Paul";
    QTest::newRow("sans pseudo") << QByteArray() << true << QString();
}

// Start-up never creates config.ini. Without a received-files folder the user is told, then the
// Options window holds the main one until it is closed. Later, Options shows the nickname in use,
// whatever config.ini holds, and OK keeps it.
void TestSettingsOptions::demarrage() {
    QFETCH(QByteArray, config);
    QFETCH(bool, dossier);
    QFETCH(QString, pseudo);
    CopieOvan a(QStringLiteral("127.0.0.100"), config, dossier);
    Interface& ui = a.interface();
    QCOMPARE(ui.TextBoxhWnd[ZonePseudo]->text(), pseudo);
    QCOMPARE(a.ovan().conversation().MonPseudo(), pseudo);
    QCOMPARE(a.ovan().conversation().DossierReception(), dossier ? a.Dossier() : DossierParDefaut());
    QCOMPARE(ui.TextBoxhWnd[ZoneOptionsDossier]->text(), a.ovan().conversation().DossierReception());
    QCOMPARE(QFile::exists(a.Dossier() + "config.ini"), !config.isEmpty() || dossier);

    const bool manque = !config.isEmpty() && !dossier;
    QCOMPARE(a.dialogues().Appels().size(), int(manque));
    QCOMPARE(a.dialogues().Navigations().size(), int(manque));
    QCOMPARE(ui.OptionshWnd->isVisible(), manque);
    QCOMPARE(ui.FenetrehWnd->Active(), !manque);
    if (manque) {
        QVERIFY(a.dialogues().Boite(0,
                                    QStringLiteral("Le dossier de réception des fichiers n'existe pas !\r\n"
                                                   "Vous devez en choisir un existant."),
                                    QStringLiteral("Erreur !"), Dialogues::Icone::Information, nullptr));
        QTRY_COMPARE(ui.OptionshWnd->fondu().Sens(), 0);
        ui.OptionshWnd->close();
        QTRY_VERIFY(ui.FenetrehWnd->Active());
        QTRY_VERIFY(!ui.OptionshWnd->isVisible());
    }
    ui.TextBoxhWnd[ZonePseudo]->setText(QStringLiteral("Alice Dupré"));
    ui.FenetrehWnd->ElementMenu(Menu::Options)->trigger();
    QCOMPARE(ui.TextBoxhWnd[ZoneOptionsPseudo]->text(), QStringLiteral("Alice Dupré"));
    a.ovan().ClicBouton(Commande::ValiderOptions);
    QCOMPARE(ui.TextBoxhWnd[ZonePseudo]->text(), QStringLiteral("Alice Dupré"));
    QCOMPARE(a.ovan().conversation().MonPseudo(), QStringLiteral("Alice Dupré"));
}

void TestSettingsOptions::pagesEtOnglets() {
    CopieOvan a(QStringLiteral("127.0.0.100"));
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

    // The nickname window's title bar has room for the whole title and its buttons.
    const QFontMetrics titre(ChoixPseudo::PoliceTitre());
    QWidget* pseudo = ui.PseudohWnd;
    QVERIFY(pseudo->width() >= titre.horizontalAdvance(pseudo->windowTitle()) + 6 * titre.height());
    QVERIFY(qAbs(ui.TextBoxhWnd[ZoneChoixPseudo]->geometry().center().x() - pseudo->width() / 2) <= 1);
}

void TestSettingsOptions::optionsValiderAppliquerAnnuler() {
    CopieOvan a(QStringLiteral("127.0.0.102"));
    CopieOvan b(QStringLiteral("127.0.0.103"));
    Interface& ui = a.interface();
    QSignalSpy tramesB(&b.ovan().conversation(), &Conversation::trameTraitee);

    // Apply while not connected: local only, nothing sent, file written.
    ui.TextBoxhWnd[ZoneOptionsPseudo]->setText(QStringLiteral("  Alice "));
    ui.ComboBoxhWnd[ListeOptionsCouleur]->setCurrentIndex(6);
    ui.CheckBoxhWnd[CaseOptionsItalique]->setChecked(true);
    a.ovan().ClicBouton(Commande::AppliquerOptions);
    QCOMPARE(a.ovan().conversation().MonPseudo(), QStringLiteral("Alice"));
    QCOMPARE(ui.TextBoxhWnd[ZonePseudo]->text(), QStringLiteral("Alice"));
    QCOMPARE(ui.ComboBoxhWnd[ListeCouleur]->currentIndex(), 6);
    QVERIFY(ui.CheckBoxhWnd[CaseItalique]->isChecked());
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
    CopieOvan a(QStringLiteral("127.0.0.100"));
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
    QCOMPARE(a.ovan().conversation().DossierReception(), ailleurs.path() + u'/');

    a.ovan().ClicBouton(Commande::AnnulerOptions);
    QCOMPARE(ui.TextBoxhWnd[ZoneOptionsDossier]->text(), a.Dossier());
    QCOMPARE(a.ovan().conversation().DossierReception(), ailleurs.path() + u'/');
}

QTEST_MAIN(TestSettingsOptions)
#include "tst_settings_options.moc"

// Settings through the windows: start-up with or without config.ini, the Options window's
// controls and pages, what Apply, OK and Cancel keep, values longer than their boxes.
#include "CopieOvan.h"
#include "Fichiers.h"
#include "core/settings/FichierConfig.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/chat/ArriveeDonnees.h"
#include "ui/settings/ChoixPseudo.h"
#include "ui/settings/Config.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

class TestSettingsOptions : public QObject {
    Q_OBJECT
private slots:
    void demarrage_data() {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<bool>("dossier");
        QTest::addColumn<QString>("pseudo");
        QTest::newRow("sans config.ini") << QByteArray() << false << ChercheNomPC().left(30);
        QTest::newRow("dossier de reception manquant") << QByteArray("PSEUDO:Paul") << false << "Paul";
        QTest::newRow("complet") << QByteArray("PSEUDO:Paul") << true << "Paul";
        QTest::newRow("sans pseudo") << QByteArray() << true << QString();
    }

    // Start-up never creates config.ini. Without a received-files folder the user is told, then the
    // Options window holds the main one until it is closed. Later, Options shows the nickname in
    // use, whatever config.ini holds, and OK keeps it.
    void demarrage() {
        QFETCH(QByteArray, config);
        QFETCH(bool, dossier);
        QFETCH(QString, pseudo);
        CopieOvan a("127.0.0.100", config, dossier);
        Interface& ui = a.interface();
        QCOMPARE(a.Pseudo()->text(), pseudo);
        QCOMPARE(a.ovan().conversation().DossierReception(), dossier ? a.Dossier() : DossierParDefaut());
        QCOMPARE(ui.TextBoxhWnd[ZoneOptionsDossier]->text(), a.ovan().conversation().DossierReception());
        QCOMPARE(QFile::exists(a.Dossier() + "config.ini"), !config.isEmpty() || dossier);
        const bool manque = !config.isEmpty() && !dossier;
        QCOMPARE(a.dialogues().Appels().size() + a.dialogues().Navigations().size(), 2 * manque);
        QCOMPARE(ui.OptionshWnd->isVisible(), manque);
        QCOMPARE(ui.FenetrehWnd->Active(), !manque);
        if (manque) {
            QVERIFY(a.dialogues().Boite(0,
                                        "Le dossier de réception des fichiers n'existe pas !\r\n"
                                        "Vous devez en choisir un existant.",
                                        "Erreur !", Dialogues::Icone::Information, nullptr));
            QTRY_COMPARE(ui.OptionshWnd->fondu().Sens(), 0);
            ui.OptionshWnd->close();
            QTRY_VERIFY(ui.FenetrehWnd->Active() && !ui.OptionshWnd->isVisible());
        }
        a.Pseudo()->setText("Alice Dupré");
        ui.FenetrehWnd->ElementMenu(Menu::Options)->trigger();
        QCOMPARE(ui.TextBoxhWnd[ZoneOptionsPseudo]->text(), "Alice Dupré");
        a.ovan().ClicBouton(Commande::ValiderOptions);
        QCOMPARE((QStringList{a.Pseudo()->text(), a.ovan().conversation().MonPseudo()}),
                 QStringList(2, "Alice Dupré"));
    }

    // Each setting to its controls and back, the font picker following the Options window; a
    // negative index leaves a list alone; the quality list is the format's whichever line comes
    // first; loading never clears a box nor runs a change handler.
    void controles() {
        CopieOvan a("127.0.0.101");
        Interface& ui = a.interface();
        const Reglages reglages{"Zoé€", a.Dossier(), 4, 7, true, false, true, 1, 4, true};
        ChargerConfig(ui, reglages);
        QVERIFY(SauverConfig(ui) == reglages);
        QCOMPARE(a.Pseudo()->text(), "Zoé€");
        QVERIFY(ui.ComboBoxhWnd[ListePolice]->currentIndex() == 4 &&
                ui.ComboBoxhWnd[ListeCouleur]->currentIndex() == 7);
        QVERIFY(ui.CheckBoxhWnd[CaseGras]->isChecked() && !ui.CheckBoxhWnd[CaseItalique]->isChecked() &&
                ui.CheckBoxhWnd[CaseSouligne]->isChecked());
        QCOMPARE(ui.ComboBoxhWnd[ListeOptionsQualite]->currentText(), "Excellente");

        ChargerConfig(ui, LireReglages("POLICE:-1\nQUALITE:4\nFORMAT:2\nITALIQUE:1\r\n"));
        QCOMPARE(ui.ComboBoxhWnd[ListePolice]->currentIndex(), 4);
        QVERIFY(ui.CheckBoxhWnd[CaseItalique]->isChecked() &&
                ui.CheckBoxhWnd[CaseOptionsItalique]->isChecked());
        QCOMPARE(ui.ComboBoxhWnd[ListeOptionsFormat]->currentText(), "PNG");
        QCOMPARE(ui.ComboBoxhWnd[ListeOptionsQualite]->count(), 2);
        QCOMPARE(ui.ComboBoxhWnd[ListeOptionsQualite]->currentIndex(), -1); // past the PNG list's end
        ChargerConfig(ui, LireReglages("ITALIQUE:0\n"));
        QVERIFY(ui.CheckBoxhWnd[CaseItalique]->isChecked());
    }

    // The box takes 30 characters; the file may hold more, and CRs a hand edit left at the end: all
    // of it stays through a save. Typing never makes it longer; a paste keeps what fits.
    void valeurPlusLongueQueSaZone() {
        const QByteArray long_ = QByteArray("Jean-Pierre ").repeated(5) + "\r\r";
        CopieOvan a("127.0.0.102", "PSEUDO:" + long_, true);
        QLineEdit* zone = a.interface().TextBoxhWnd[ZoneOptionsPseudo];
        QCOMPARE(zone->text(), QString::fromLatin1(long_));
        a.ovan().ClicBouton(Commande::AppliquerOptions);
        QCOMPARE(LireConfig(Lire(a.Dossier() + "config.ini")).value(0).second, long_);
        QVERIFY(a.Pseudo()->text().startsWith(QString::fromLatin1(long_.first(59))));
        QTest::keyClicks(zone, "ab");
        QCOMPARE(zone->text(), QString::fromLatin1(long_));
        QTest::keyClick(zone, Qt::Key_Backspace);
        QTest::keyClicks(zone, "ab");
        QCOMPARE(zone->text().size(), long_.size() - 1);
        zone->setText(QString(27, u'x'));
        zone->setCursorPosition(2);
        QGuiApplication::clipboard()->setText("0123456789");
        zone->paste();
        QCOMPARE(zone->text(), "xx012" + QString(25, u'x'));
    }

    // The tabs under a hand show their page's controls; a new format resets the quality to its
    // first entry; the page stays for the next opening. The nickname window's title has room.
    void pages() {
        CopieOvan a("127.0.0.103");
        Interface& ui = a.interface();
        QLabel* fond = ui.LabelOptionhWnd;
        for (auto [y, forme] : {std::pair{80, Qt::PointingHandCursor}, {120, Qt::ArrowCursor}}) {
            QMouseEvent e(QEvent::MouseMove, QPoint(150, y), fond->mapToGlobal(QPoint(150, y)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(fond, &e);
            QCOMPARE(fond->cursor().shape(), forme);
        }
        QTest::mousePress(fond, Qt::LeftButton, {}, {150, 80});
        QCOMPARE(Interface::Image(fond), "img_fenoption2");
        QVERIFY(!ui.TextBoxhWnd[ZoneOptionsPseudo]->isVisibleTo(ui.OptionshWnd));
        QVERIFY(ui.CheckBoxhWnd[CaseOptionsGras]->isVisibleTo(ui.OptionshWnd));
        QTest::mousePress(fond, Qt::LeftButton, {}, {250, 80});
        QVERIFY(ui.ComboBoxhWnd[ListeOptionsFormat]->isVisibleTo(ui.OptionshWnd));
        QVERIFY(!ui.CheckBoxhWnd[CaseOptionsGras]->isVisibleTo(ui.OptionshWnd));
        ui.ComboBoxhWnd[ListeOptionsFormat]->setCurrentIndex(3);
        QVERIFY(ui.ComboBoxhWnd[ListeOptionsQualite]->count() == 5 &&
                ui.ComboBoxhWnd[ListeOptionsQualite]->currentIndex() == 0);
        ui.FenetrehWnd->ElementMenu(Menu::Options)->trigger();
        QCOMPARE(Interface::Image(fond), "img_fenoption3");

        const QFontMetrics titre(ChoixPseudo::PoliceTitre());
        QWidget* pseudo = ui.PseudohWnd;
        QVERIFY(pseudo->width() >= titre.horizontalAdvance(pseudo->windowTitle()) + 6 * titre.height());
    }

    // Apply while alone: local, trimmed, written. OK while connected announces even the same
    // nickname. Cancel (twice, the second during the fade) brings the saved values back, but not
    // the folder just browsed to, which is taken at once; a folder that does not exist is refused.
    // A save that cannot be made is told, over the Options window.
    void appliquerValiderAnnuler() {
        CopieOvan a("127.0.0.104");
        CopieOvan b("127.0.0.105");
        Interface& ui = a.interface();
        QSignalSpy tramesB(&b.ovan().conversation(), &Conversation::trameTraitee);
        ui.TextBoxhWnd[ZoneOptionsPseudo]->setText("  Alice ");
        ui.TextBoxhWnd[ZoneOptionsDossier]->setText(a.Dossier());
        ui.ComboBoxhWnd[ListeOptionsCouleur]->setCurrentIndex(6);
        ui.CheckBoxhWnd[CaseOptionsItalique]->setChecked(true);
        a.ovan().ClicBouton(Commande::AppliquerOptions);
        QCOMPARE((QStringList{a.Pseudo()->text(), a.ovan().conversation().MonPseudo()}), QStringList(2, "Alice"));
        QVERIFY(ui.ComboBoxhWnd[ListeCouleur]->currentIndex() == 6 &&
                ui.CheckBoxhWnd[CaseItalique]->isChecked());
        QVERIFY(Lire(a.Dossier() + "config.ini").startsWith("PSEUDO:  Alice \r\n"));

        QVERIFY(ConnecterCopies(a, "Alice", b, "Bob"));
        QTRY_COMPARE(tramesB.count(), 1);
        ui.FenetrehWnd->ElementMenu(Menu::Options)->trigger();
        QTRY_COMPARE(ui.OptionshWnd->fondu().Sens(), 0);
        a.ovan().ClicBouton(Commande::ValiderOptions);
        QCOMPARE(ui.OptionshWnd->fondu().Sens(), -1);
        QTRY_COMPARE(tramesB.count(), 2);
        QCOMPARE(tramesB[1][0].value<Trame::TrameRecue>().balise, Trame::Balise::PSE);
        QCOMPARE(tramesB[1][0].value<Trame::TrameRecue>().donnee, "Alice");
        QTRY_VERIFY(!ui.OptionshWnd->isVisible() && ui.FenetrehWnd->Active());

        ui.FenetrehWnd->ElementMenu(Menu::Options)->trigger();
        QTRY_COMPARE(ui.OptionshWnd->fondu().Sens(), 0);
        ui.ComboBoxhWnd[ListeOptionsCouleur]->setCurrentIndex(2);
        QTemporaryDir ailleurs;
        a.dialogues().RepondreDossier("/nulle/part");
        a.ovan().ClicBouton(Commande::ParcourirDossier);
        QCOMPARE(ui.TextBoxhWnd[ZoneOptionsDossier]->text(), a.Dossier());
        a.dialogues().RepondreDossier(ailleurs.path());
        a.ovan().ClicBouton(Commande::ParcourirDossier);
        QCOMPARE(ui.TextBoxhWnd[ZoneOptionsDossier]->text(), ailleurs.path() + u'/');
        a.ovan().ClicBouton(Commande::AnnulerOptions);
        a.ovan().ClicBouton(Commande::AnnulerOptions);
        QCOMPARE(ui.ComboBoxhWnd[ListeOptionsCouleur]->currentIndex(), 6);
        QCOMPARE(ui.TextBoxhWnd[ZoneOptionsDossier]->text(), a.Dossier());
        QCOMPARE(a.ovan().conversation().DossierReception(), ailleurs.path() + u'/');
        QTRY_VERIFY(!ui.OptionshWnd->isVisible());

        QVERIFY(QDir(a.Dossier()).mkdir("config_tmp.ini"));
        const QByteArray avant = Lire(a.Dossier() + "config.ini");
        a.ovan().ClicBouton(Commande::AppliquerOptions);
        QVERIFY(a.dialogues().Boite(0, "Impossible d'enregistrer la configuration !", "Erreur",
                                    Dialogues::Icone::Erreur, ui.OptionshWnd));
        QCOMPARE(Lire(a.Dossier() + "config.ini"), avant);
    }
};

QTEST_MAIN(TestSettingsOptions)
#include "tst_settings_options.moc"

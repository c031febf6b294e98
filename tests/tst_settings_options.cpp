// Settings through the windows: start-up, the Options window, what Apply, OK and Cancel keep.
#include "CopieOvan.h"
#include "Fichiers.h"
#include "core/settings/FichierConfig.h"
#include "ui/settings/Config.h"

class TestSettingsOptions : public QObject {
    Q_OBJECT
private slots:
    void demarrage_data() {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<bool>("dossier");
        QTest::addColumn<QString>("pseudo");
        QTest::newRow("sans config.ini") << QByteArray() << false << ChercheNomPC().left(30);
        QTest::newRow("dossier de reception manquant") << QByteArray("PSEUDO:Paul") << false << "Paul";
        QTest::newRow("sans pseudo") << QByteArray() << true << QString();
    }

    // Start-up never writes config.ini. Without a received-files folder the user is told, then the
    // Options window holds the main one. Options shows the nickname in use, and OK keeps it.
    void demarrage() {
        QFETCH(QByteArray, config);
        QFETCH(bool, dossier);
        QFETCH(QString, pseudo);
        CopieOvan a("127.0.0.100", config, dossier);
        Interface& ui = a.interface();
        QCOMPARE(a.Pseudo()->text(), pseudo);
        QCOMPARE(ui.TextBoxhWnd[ZoneOptionsDossier]->text(), dossier ? a.Dossier() : DossierParDefaut());
        QCOMPARE(QFile::exists(a.Dossier() + "config.ini"), !config.isEmpty() || dossier);
        const bool manque = !config.isEmpty() && !dossier;
        QVERIFY(ui.OptionshWnd->isVisible() == manque && ui.FenetrehWnd->Active() == !manque);
        QCOMPARE(a.dialogues().Appels().size() + a.dialogues().Navigations().size(), 2 * manque);
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
        QCOMPARE(a.ovan().conversation().MonPseudo(), "Alice Dupré");
    }

    // Settings to controls and back; Apply, OK and Cancel (twice, in the fade) each keep their word.
    void optionsAppliquerValiderAnnuler() {
        const QByteArray long_ = QByteArray("Jean-Pierre ").repeated(5) + "\r\r";
        CopieOvan a("127.0.0.104", "PSEUDO:" + long_, true);
        CopieOvan b("127.0.0.105");
        Interface& ui = a.interface();
        QLineEdit* zone = ui.TextBoxhWnd[ZoneOptionsPseudo];
        QCOMPARE(zone->text(), QString::fromLatin1(long_));
        a.ovan().ClicBouton(Commande::AppliquerOptions);
        QCOMPARE(LireConfig(Lire(a.Dossier() + "config.ini")).value(0).second, long_);
        QTest::keyClicks(zone, "ab");
        QCOMPARE(zone->text(), QString::fromLatin1(long_));
        const Reglages reglages{"Zoé€", a.Dossier(), 4, 7, true, false, true, 1, 4, true};
        ChargerConfig(ControlesReglages::De(ui), reglages);
        QVERIFY(SauverConfig(ControlesReglages::De(ui)) == reglages && a.Pseudo()->text() == "Zoé€" &&
                ui.ComboBoxhWnd[ListeOptionsQualite]->currentText() == "Excellente");
        ChargerConfig(ControlesReglages::De(ui), LireReglages("POLICE:-1\nITALIQUE:1\n"));
        ChargerConfig(ControlesReglages::De(ui), LireReglages("ITALIQUE:0\n"));
        QVERIFY(ui.ComboBoxhWnd[ListePolice]->currentIndex() == 4 &&
                ui.CheckBoxhWnd[CaseOptionsItalique]->isChecked());
        QLabel* fond = ui.LabelOptionhWnd;
        QTest::mousePress(fond, Qt::LeftButton, {}, {250, 80});
        QVERIFY(ui.ComboBoxhWnd[ListeOptionsFormat]->isVisibleTo(ui.OptionshWnd) &&
                !zone->isVisibleTo(ui.OptionshWnd));
        ui.FenetrehWnd->ElementMenu(Menu::Options)->trigger();
        QCOMPARE(Interface::Image(fond), "img_fenoption3");
        QSignalSpy tramesB(&b.ovan().conversation(), &Conversation::trameTraitee);
        ui.TextBoxhWnd[ZoneOptionsPseudo]->setText("  Alice ");
        ui.TextBoxhWnd[ZoneOptionsDossier]->setText(a.Dossier());
        ui.ComboBoxhWnd[ListeOptionsCouleur]->setCurrentIndex(6);
        ui.CheckBoxhWnd[CaseOptionsItalique]->setChecked(true);
        a.ovan().ClicBouton(Commande::AppliquerOptions);
        QVERIFY(a.Pseudo()->text() == "Alice" && a.ovan().conversation().MonPseudo() == "Alice");
        QVERIFY(ui.ComboBoxhWnd[ListeCouleur]->currentIndex() == 6 &&
                ui.CheckBoxhWnd[CaseItalique]->isChecked());
        QVERIFY(Lire(a.Dossier() + "config.ini").startsWith("PSEUDO:  Alice \r\n"));
        QVERIFY(ConnecterCopies(a, "Alice", b, "Bob"));
        QTRY_COMPARE(tramesB.count(), 3); // the nickname, the handshake, then the file port reached
        ui.FenetrehWnd->ElementMenu(Menu::Options)->trigger();
        QTRY_COMPARE(ui.OptionshWnd->fondu().Sens(), 0);
        a.ovan().ClicBouton(Commande::ValiderOptions);
        QTRY_COMPARE(tramesB.count(), 4);
        const auto pse = tramesB[3][0].value<Trame::TrameRecue>();
        QCOMPARE(pse.entete + pse.donnee, "[PSE]Alice");
        QTRY_VERIFY(!ui.OptionshWnd->isVisible() && ui.FenetrehWnd->Active());
        ui.FenetrehWnd->ElementMenu(Menu::Options)->trigger();
        QTRY_COMPARE(ui.OptionshWnd->fondu().Sens(), 0);
        ui.ComboBoxhWnd[ListeOptionsCouleur]->setCurrentIndex(2);
        QTemporaryDir ailleurs;
        for (const QString& dossier : {QString("/nulle/part"), ailleurs.path()}) {
            a.dialogues().RepondreDossier(dossier);
            a.ovan().ClicBouton(Commande::ParcourirDossier);
            QCOMPARE(ui.TextBoxhWnd[ZoneOptionsDossier]->text(),
                     dossier == ailleurs.path() ? dossier + u'/' : a.Dossier());
        }
        a.ovan().ClicBouton(Commande::AnnulerOptions);
        a.ovan().ClicBouton(Commande::AnnulerOptions);
        QVERIFY(ui.ComboBoxhWnd[ListeOptionsCouleur]->currentIndex() == 6 &&
                ui.TextBoxhWnd[ZoneOptionsDossier]->text() == a.Dossier());
        QCOMPARE(a.ovan().conversation().DossierReception(), ailleurs.path() + u'/');
        QTRY_VERIFY(!ui.OptionshWnd->isVisible());
        QVERIFY(QDir(a.Dossier()).mkdir("config_tmp.ini"));
        a.ovan().ClicBouton(Commande::AppliquerOptions);
        QVERIFY(a.dialogues().Boite(0, "Impossible d'enregistrer la configuration !", "Erreur",
                                    Dialogues::Icone::Erreur, ui.OptionshWnd));
    }
};

QTEST_MAIN(TestSettingsOptions)
#include "tst_settings_options.moc"

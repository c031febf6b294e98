// The tool windows through a running copy: compression with its pickers and the boxes of each
// outcome, image conversion with its lists, faces and boxes, both working beside a live interface
// until the user quits; the capture command.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "Fichiers.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/tools/Capture.h"
#include "ui/tools/ConversionImages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImageReader>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>

namespace {

using Icone = Dialogues::Icone;

// The boxes shown since the depuis-th, as "caption|text|icon|owned".
QStringList Boites(const DialoguesEnregistres& dialogues, qsizetype depuis = 0) {
    QStringList boites;
    for (const auto& a : dialogues.Appels().mid(depuis)) {
        boites << QStringLiteral("%1|%2|%3|%4")
                      .arg(a.titre, a.texte)
                      .arg(int(a.icone))
                      .arg(a.proprietaire != nullptr);
    }
    return boites;
}

const QString Compressee = "Bravo !|La compression s'est déroulée avec succès !|1|0";
const QString Occupe = "Attention !|Une compression ou une décompression est déjà en cours !|3|0";
const QString ConversionReussie = "Bravo !|La conversion de format s'est terminée avec succès !|1|1";
const QString AChoisir = "Attention !|Vous devez d'abord choisir un fichier à convertir !|1|1";

QByteArray Texte(qint64 taille) {
    QByteArray t;
    for (qint64 i = 0; t.size() < taille; ++i) {
        t += "ligne " + QByteArray::number(i * 7919 % 100003) + " du fichier envoyé\n";
    }
    return t.left(taille);
}

QStringList Contenu(const QString& dossier) {
    return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

QString Image(const QString& chemin, int w = 160, int h = 120) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x * y) & 0xFF));
        }
    }
    return image.save(chemin) ? chemin : QString();
}

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

class TestToolsFenetres : public QObject {
    Q_OBJECT
private slots:
    // Each "..." button's dialog, with its title and filter, fills its box; a cancel empties it. Each
    // outcome's boxes in order, paths with spaces and accents; the output on its source is refused.
    void compression() {
        CopieOvan c("127.0.0.187");
        Interface& ui = c.interface();
        const QString tous = "Tous les fichiers (*.*)";
        for (auto [bouton, zone, titre, filtre] :
             {std::tuple{BoutonChoixACompresser, ZoneACompresser, "Ouvrir le fichier", tous},
              {BoutonChoixArchive, ZoneArchiveCreee, "Sauvegarder le fichier", "Fichier BZ2 (*.bz2)|bz2"},
              {BoutonChoixADecompresser, ZoneADecompresser, "Ouvrir le fichier", "Fichiers BZ2 (*.bz2)"},
              {BoutonChoixFichierCree, ZoneFichierCree, "Sauvegarder le fichier", tous + "|"}}) {
            const QString chemin = QStringLiteral("/tmp/dossier à espaces/fichier %1 é.bz2").arg(bouton);
            c.dialogues().RepondreFichier(chemin);
            ui.BoutonhWnd[bouton]->click();
            QCOMPARE(ui.TextBoxhWnd[zone]->text(), chemin);
            ui.BoutonhWnd[bouton]->click();
            QCOMPARE(ui.TextBoxhWnd[zone]->text(), QString());
            QCOMPARE(c.dialogues().Navigations().last(), (QPair<QString, QString>{titre, filtre}));
        }
        QVERIFY(c.dialogues().Appels().isEmpty());
        c.ovan().CommandeMenu(Menu::Compression);
        QVERIFY(ui.CompressionhWnd->isVisible());

        QTemporaryDir d;
        const QString s = d.path() + "/Mes données de l'été/";
        QVERIFY(QDir().mkpath(s) && Ecrire(s + "texte ü.txt", Texte(100'000)) && Ecrire(s + "vide", {}));
        QVERIFY(Ecrire(s + "faux.bz2", "Ceci n'est pas une archive.\n") &&
                QFile::link(s + "texte ü.txt", s + "lien"));
        const QString ratee = "Echec !|La compression a échoué !|3|0",
                      dRatee = "Echec !|La décompression a échoué !|3|0",
                      meme = "Erreur !|Le fichier de sortie ne peut pas être le fichier d'entrée !|4|0";
        for (auto [compresser, source, sortie, boites] :
             {std::tuple{true, "texte ü.txt", "archive créée.bz2", QStringList{Compressee}},
              {false,
               "archive créée.bz2",
               "texte retrouvé ü.txt",
               {"Bravo !|La décompression s'est déroulée avec succès !|1|0"}},
              {true,
               "vide",
               "vide.bz2",
               {"Attention !|Compression inutile !\r\n(taille de sortie >= taille d'entrée)|3|0", ratee}},
              {false, "faux.bz2", "sortie", {"Erreur !|Problème de lecture !|4|0", dRatee}},
              {false, "absent.bz2", "sortie", {dRatee}},
              {true, "texte ü.txt", "lien", {meme}}}) {
            ui.TextBoxhWnd[compresser ? ZoneACompresser : ZoneADecompresser]->setText(s + source);
            ui.TextBoxhWnd[compresser ? ZoneArchiveCreee : ZoneFichierCree]->setText(s + sortie);
            const qsizetype avant = c.dialogues().Appels().size();
            ui.BoutonhWnd[compresser ? BoutonCompresser : BoutonDecompresser]->click();
            auto* barre = ui.CompressionhWnd->findChild<QProgressBar*>();
            QTRY_VERIFY_WITH_TIMEOUT(barre->isHidden() && c.dialogues().Appels().size() > avant, 30000);
            QCOMPARE(Boites(c.dialogues(), avant), boites);
        }
        QCOMPARE(Lire(s + "texte retrouvé ü.txt"), Lire(s + "texte ü.txt"));
    }

    // The work runs beside the window: a progress bar, a second command refused, the interface
    // thread never held; quitting meanwhile stops it and leaves no output.
    void compressionPendantLeTravail() {
        auto c = std::make_unique<CopieOvan>("127.0.0.189");
        Interface& ui = c->interface();
        QTemporaryDir d;
        QVERIFY(Ecrire(d.filePath("grand.txt"), Texte(24 << 20)));
        auto* barre = ui.CompressionhWnd->findChild<QProgressBar*>();
        QElapsedTimer horloge;
        qint64 ecartMax = 0;
        QTimer battement;
        connect(&battement, &QTimer::timeout, this,
                [&] { ecartMax = std::max(ecartMax, horloge.restart()); });
        ui.TextBoxhWnd[ZoneACompresser]->setText(d.filePath("grand.txt"));
        ui.TextBoxhWnd[ZoneArchiveCreee]->setText(d.filePath("grand.bz2"));
        QVERIFY(barre->isHidden());
        c->ovan().ClicBouton(Commande::Compresser);
        horloge.start();
        battement.start(5);
        QTRY_VERIFY(!barre->isHidden() && barre->value() > 0);
        ui.BoutonhWnd[BoutonDecompresser]->click();
        ui.BoutonhWnd[BoutonCompresser]->click();
        QTRY_VERIFY_WITH_TIMEOUT(barre->isHidden(), 60000);
        battement.stop();
        QCOMPARE(Boites(c->dialogues()), (QStringList{Occupe, Occupe, Compressee}));
        QVERIFY2(ecartMax < 1000, qPrintable(QString::number(ecartMax)));

        ui.TextBoxhWnd[ZoneArchiveCreee]->setText(d.filePath("encore.bz2"));
        c->ovan().ClicBouton(Commande::Compresser);
        QTRY_VERIFY(barre->value() > 0);
        c.reset();
        QCOMPARE(Contenu(d.path()), (QStringList{"grand.bz2", "grand.txt"}));
    }

    // The quality list follows the format; the open dialog's title and filters ("*jpeg" without a
    // dot, as designed). Nothing chosen or converted yet: told so. A conversion turns the main window
    // off meanwhile, then the faces, path and folder of the result; a cancelled choice turns
    // converting off; a file that is no picture fails and writes nothing.
    void imagesConversions() {
        CopieOvan c("127.0.0.241");
        Interface& ui = c.interface();
        QComboBox* qualite = ui.ComboBoxhWnd[ListeQualite];
        for (auto [format, nombre] : {std::pair{2, 2}, {1, 5}, {3, 5}, {0, 4}}) {
            ui.ComboBoxhWnd[ListeFormat]->setCurrentIndex(format);
            QVERIFY(qualite->count() == nombre && qualite->currentIndex() == 0);
            QCOMPARE(qualite->itemText(nombre - 1), QualitesDuFormat(format).last());
        }
        c.ovan().ClicBouton(Commande::ConvertirImage);
        c.ovan().ClicBouton(Commande::OuvrirDossierImage);
        QCOMPARE(Boites(c.dialogues()),
                 (QStringList{AChoisir, "Attention !|Vous devez d'abord convertir un fichier !|1|1"}));
        QTemporaryDir d;
        const QString s = d.path() + u'/', photo = Image(s + "photo.jpg");
        const QByteArray octets = Lire(photo);
        Convertir(c, photo, 0);
        QCOMPARE(c.dialogues().Navigations().last().second,
                 "Fichiers Bitmap (*.bmp);;Fichiers JPEG (*.jpg;*.jpeg) (*.jpg *jpeg);;"
                 "Fichiers PNG (*.png);;Fichiers TIFF (*.tif;*.tiff) (*.tif *.tiff)");
        QVERIFY(!ui.FenetrehWnd->Active() && c.dialogues().Appels().size() == 2);
        QCOMPARE(Etat(ui), "img_conv_d img_ouvdoss_d " + photo);
        QTRY_COMPARE(Boites(c.dialogues(), 2), QStringList{ConversionReussie});
        QVERIFY(ui.FenetrehWnd->Active() && Lire(photo) == octets);
        QCOMPARE(Etat(ui), "img_conv_d img_ouvdoss_e ");
        QVERIFY(QImageReader(s + "photo.bmp").format() == "bmp");
        c.ovan().ClicBouton(Commande::OuvrirDossierImage);
        QCOMPARE(c.shell().Ouverts(), QStringList{s});
        c.dialogues().RepondreFichier(photo);
        c.ovan().ClicBouton(Commande::ChoisirImage);
        QCOMPARE(Etat(ui), "img_conv_e img_ouvdoss_e " + photo);
        Convertir(c, QString(), 0);
        QVERIFY(Etat(ui).startsWith("img_conv_d ") && Boites(c.dialogues()).last() == AChoisir);

        QVERIFY(Ecrire(s + "x.bmp", "pas une image\n"));
        const QStringList avant = Contenu(s);
        Convertir(c, s + "x.bmp", 2);
        QTRY_COMPARE(Boites(c.dialogues()).last(), "Erreur|La conversion de format a échouée !|4|1");
        QCOMPARE(Contenu(s), avant);
        QVERIFY(ui.TextBoxhWnd[ZoneImage]->text().isEmpty() && ui.FenetrehWnd->Active());
    }

    // During a long conversion the interface thread never stalls; closing the window resets it;
    // quitting during a conversion leaves nothing.
    void imagesInterfaceVivante() {
        auto c = std::make_unique<CopieOvan>("127.0.0.243");
        Interface& ui = c->interface();
        QTemporaryDir d;
        const QString grande = Image(d.path() + "/grande.png", 4000, 3000);
        QElapsedTimer montre;
        qint64 precedent = 0, pire = 0;
        QTimer pouls;
        QObject::connect(&pouls, &QTimer::timeout, [&] {
            pire = std::max(pire, montre.elapsed() - precedent);
            precedent = montre.elapsed();
        });
        montre.start();
        pouls.start(1);
        Convertir(*c, grande, 3);
        QVERIFY(c->dialogues().Appels().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(Boites(c->dialogues()), QStringList{ConversionReussie}, 30000);
        QVERIFY2(pire < 250, qPrintable(QString::number(pire)));

        c->ovan().CommandeMenu(Menu::ConversionImages);
        QTRY_VERIFY(ui.ImageshWnd->isVisible() && !ui.ImageshWnd->fondu().EnCours());
        c->dialogues().RepondreFichier(grande);
        c->ovan().ClicBouton(Commande::ChoisirImage);
        ui.ImageshWnd->close();
        QTRY_VERIFY(!ui.ImageshWnd->isVisible());
        QCOMPARE(Etat(ui), "img_conv_d img_ouvdoss_d ");

        const QStringList avant = Contenu(d.path());
        Convertir(*c, grande, 3);
        montre.restart();
        c.reset();
        QVERIFY(montre.elapsed() < 2000);
        QCOMPARE(Contenu(d.path()), avant);
    }

    // Not while alone. Then in PNG: asked, declined and kept, then offered to the contact with its
    // size; not asked when the box is not ticked, in BMP.
    void capture() {
        CopieOvan c("127.0.0.198");
        FauxContact f("127.0.0.199");
        c.ovan().ClicBouton(Commande::CaptureEcran);
        QVERIFY(c.dialogues().Boite(0, "Vous devez d'abord vous connecter !", "OVAN Messenger",
                                    Icone::Attention, c.interface().FenetrehWnd));
        c.Pseudo()->setText("Moi");
        QVERIFY(f.Appeler(c.Adresse()));
        f.Envoyer("[LOG]Eve\x03");
        QTRY_COMPARE(c.ovan().conversation().SonPseudo(), "Eve");
        if (Capture::Ecran().isNull()) {
            QSKIP("this platform gives no picture of the screen");
        }
        Interface& ui = c.interface();
        ui.ComboBoxhWnd[ListeOptionsFormat]->setCurrentIndex(2);
        ui.CheckBoxhWnd[CaseEnvoyerCapture]->setChecked(true);
        c.dialogues().Repondre(Dialogues::Reponse::Non);
        f.Oublier();
        c.ovan().ClicBouton(Commande::CaptureEcran);
        QCOMPARE(c.dialogues().Textes().last(), "Voulez-vous envoyer la capture d'écran ?");
        QVERIFY(QImageReader(c.Dossier() + "CaptEcran_1.png").size().width() > 0);
        c.ovan().ClicBouton(Commande::CaptureEcran);
        QVERIFY(f.AttendreTrames(1));
        const qint64 taille = QFileInfo(c.Dossier() + "CaptEcran_2.png").size();
        QCOMPARE(f.Octets(), "[DEM]CaptEcran_2.png\\" + QByteArray::number(taille) + '\x03');
        QVERIFY(c.TexteConversation().contains("Vous désirez envoyer 'CaptEcran_2.png' à Eve."));
        ui.ComboBoxhWnd[ListeOptionsFormat]->setCurrentIndex(0);
        ui.CheckBoxhWnd[CaseEnvoyerCapture]->setChecked(false);
        c.ovan().ClicBouton(Commande::CaptureEcran);
        QCOMPARE(c.dialogues().Appels().size(), 3);
        QCOMPARE(QDir(c.Dossier()).entryList({"CaptEcran*"}, QDir::Files, QDir::Name),
                 (QStringList{"CaptEcran_1.bmp", "CaptEcran_1.png", "CaptEcran_2.png"}));
    }
};

QTEST_MAIN(TestToolsFenetres)
#include "tst_tools_fenetres.moc"

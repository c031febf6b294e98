// The tool windows through a running copy: compression and image conversion with their pickers,
// faces and boxes, working beside a live interface until the user quits; the capture command.
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
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>

namespace {

// The boxes shown since the depuis-th, as "caption|text|icon|owned".
QStringList Boites(const DialoguesEnregistres& dialogues, qsizetype depuis = 0) {
    QStringList boites;
    for (const auto& a : dialogues.Appels().mid(depuis)) {
        boites << a.titre + u'|' + a.texte + u'|' + QString::number(int(a.icone)) +
                      (a.proprietaire ? "|1" : "|0");
    }
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

QByteArray Texte(qint64 taille) {
    QByteArray t;
    for (qint64 i = 0; t.size() < taille; ++i)
        t += "ligne " + QByteArray::number(i * 7919 % 100003) + " du fichier envoyé\n";
    return t.left(taille);
}

QStringList Contenu(const QString& dossier) {
    return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

QString Image(const QString& chemin, int w = 160, int h = 120) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x * y) & 0xFF));
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
    // Each "..." button's dialog fills its box. Each outcome's boxes in order.
    // The work runs beside the window, which refuses a second one; quitting leaves no output.
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
        QVERIFY(QDir().mkpath(s) && Ecrire(s + "texte ü.txt", Texte(24 << 20)) && Ecrire(s + "vide", {}));
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
        const QStringList avant = Contenu(s);
        ui.TextBoxhWnd[ZoneACompresser]->setText(s + "texte ü.txt");
        ui.TextBoxhWnd[ZoneArchiveCreee]->setText(s + "encore.bz2");
        c->ovan().ClicBouton(Commande::Compresser);
        QTRY_VERIFY(barre->value() > 0);
        c.reset();
        QCOMPARE(Contenu(s), avant);
    }

    // The main window is off while converting; a cancel turns converting off; a failure writes
    // nothing, nor does quitting during a conversion. The capture command.
    void imagesEtCapture() {
        auto c = std::make_unique<CopieOvan>("127.0.0.241");
        Interface& ui = c->interface();
        ui.ComboBoxhWnd[ListeFormat]->setCurrentIndex(2);
        QCOMPARE(ui.ComboBoxhWnd[ListeQualite]->count(), QualitesDuFormat(2).size());
        c->ovan().ClicBouton(Commande::ConvertirImage);
        c->ovan().ClicBouton(Commande::OuvrirDossierImage);
        QCOMPARE(Boites(c->dialogues()),
                 (QStringList{AChoisir, "Attention !|Vous devez d'abord convertir un fichier !|1|1"}));
        QTemporaryDir d;
        const QString s = d.path() + u'/', grande = Image(s + "grande photo.png", 4000, 3000);
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
        QCOMPARE(c->shell().Ouverts(), QStringList{s});
        Convertir(*c, QString(), 0);
        QVERIFY(Etat(ui).startsWith("img_conv_d ") && Boites(c->dialogues()).last() == AChoisir);

        QVERIFY(Ecrire(s + "x.bmp", "pas une image\n"));
        const QStringList avant = Contenu(s);
        Convertir(*c, s + "x.bmp", 2);
        QTRY_COMPARE(Boites(c->dialogues()).last(), "Erreur|La conversion de format a échouée !|4|1");
        QVERIFY(Contenu(s) == avant && ui.TextBoxhWnd[ZoneImage]->text().isEmpty() &&
                ui.FenetrehWnd->Active());
        Convertir(*c, grande, 0);
        c.reset();
        QCOMPARE(Contenu(s), avant);

        // The capture: not while alone; then asked, and offered to the contact with its size.
        c = std::make_unique<CopieOvan>("127.0.0.198");
        FauxContact f("127.0.0.199");
        c->ovan().ClicBouton(Commande::CaptureEcran);
        QVERIFY(c->dialogues().Boite(0, "Vous devez d'abord vous connecter !", "OVAN Messenger",
                                     Dialogues::Icone::Attention, c->interface().FenetrehWnd));
        c->Pseudo()->setText("Moi");
        QVERIFY(f.Appeler(c->Adresse()));
        f.Envoyer("[LOG]Eve\x03");
        QTRY_COMPARE(c->ovan().conversation().SonPseudo(), "Eve");
        if (Capture::Ecran().isNull()) {
            QSKIP("this platform gives no picture of the screen");
        }
        c->interface().ComboBoxhWnd[ListeOptionsFormat]->setCurrentIndex(2);
        c->interface().CheckBoxhWnd[CaseEnvoyerCapture]->setChecked(true);
        f.Oublier();
        c->ovan().ClicBouton(Commande::CaptureEcran);
        QCOMPARE(c->dialogues().Textes().last(), "Voulez-vous envoyer la capture d'écran ?");
        QVERIFY(f.AttendreTrames(1));
        const qint64 taille = QFileInfo(c->Dossier() + "CaptEcran_1.png").size();
        QCOMPARE(f.Octets(), "[DEM]CaptEcran_1.png\\" + QByteArray::number(taille) + '\x03');
        QVERIFY(c->TexteConversation().contains("Vous désirez envoyer 'CaptEcran_1.png' à Eve."));
    }
};

QTEST_MAIN(TestToolsFenetres)
#include "tst_tools_fenetres.moc"

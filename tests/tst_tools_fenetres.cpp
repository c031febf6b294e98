// The tool windows through a running copy: compression with its pickers, the boxes of each outcome
// and files the system's bzip2 reads and writes; image conversion with its lists, faces and boxes;
// both working beside a live interface until the user quits. The capture command.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "Fichiers.h"
#include "core/chat/SocketsChat.h"
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
#include <QProcess>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>

namespace {

using Icone = Dialogues::Icone;

// A box as "caption|text|icon|owned".
QString Boite(const QString& titre, const QString& texte, Icone icone, bool proprietaire = false) {
    return QStringLiteral("%1|%2|%3|%4").arg(titre, texte).arg(int(icone)).arg(proprietaire);
}
QStringList Boites(const DialoguesEnregistres& dialogues, qsizetype depuis = 0) {
    QStringList boites;
    for (const auto& a : dialogues.Appels().mid(depuis)) {
        boites << Boite(a.titre, a.texte, a.icone, a.proprietaire != nullptr);
    }
    return boites;
}

const QString Compressee =
    Boite("Bravo !", "La compression s'est déroulée avec succès !", Icone::Information);
const QString Decompressee =
    Boite("Bravo !", "La décompression s'est déroulée avec succès !", Icone::Information);
const QString CompressionRatee = Boite("Echec !", "La compression a échoué !", Icone::Attention);
const QString DecompressionRatee = Boite("Echec !", "La décompression a échoué !", Icone::Attention);
const QString Lecture = Boite("Erreur !", "Problème de lecture !", Icone::Erreur);
const QString Occupe =
    Boite("Attention !", "Une compression ou une décompression est déjà en cours !", Icone::Attention);
const QString ConversionReussie =
    Boite("Bravo !", "La conversion de format s'est terminée avec succès !", Icone::Information, true);
const QString AChoisir =
    Boite("Attention !", "Vous devez d'abord choisir un fichier à convertir !", Icone::Information, true);

QByteArray Texte(qint64 taille) {
    QByteArray t;
    for (qint64 i = 0; t.size() < taille; ++i) {
        t += "ligne " + QByteArray::number(i * 7919 % 100003) + " du fichier envoyé\n";
    }
    return t.left(taille);
}

QByteArray Bzip2Systeme(const QStringList& arguments, const QByteArray& entree) {
    QProcess p;
    p.start("bzip2", arguments);
    p.write(entree);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

QStringList Contenu(const QString& dossier) {
    return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Fills a pair of boxes and runs the command; the boxes it showed once the last was answered.
QStringList Executer(CopieOvan& c, bool compresser, const QString& source, const QString& sortie) {
    Interface& ui = c.interface();
    ui.TextBoxhWnd[compresser ? ZoneACompresser : ZoneADecompresser]->setText(source);
    ui.TextBoxhWnd[compresser ? ZoneArchiveCreee : ZoneFichierCree]->setText(sortie);
    const qsizetype avant = c.dialogues().Appels().size();
    ui.BoutonhWnd[compresser ? BoutonCompresser : BoutonDecompresser]->click();
    auto* barre = ui.CompressionhWnd->findChild<QProgressBar*>();
    if (!QTest::qWaitFor([&] { return barre->isHidden() && c.dialogues().Appels().size() > avant; }, 60000)) {
        return {"<pas fini>"};
    }
    return Boites(c.dialogues(), avant);
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

// Chooses the picture and converts it; the boxes shown by then.
QStringList Convertir(CopieOvan& c, const QString& chemin, int format, int qualite) {
    Interface& ui = c.interface();
    c.dialogues().RepondreFichier(chemin);
    c.ovan().ClicBouton(Commande::ChoisirImage);
    ui.ComboBoxhWnd[ListeFormat]->setCurrentIndex(format);
    ui.ComboBoxhWnd[ListeQualite]->setCurrentIndex(qualite);
    const qsizetype avant = c.dialogues().Appels().size();
    c.ovan().ClicBouton(Commande::ConvertirImage);
    QTest::qWaitFor([&] { return c.dialogues().Appels().size() > avant; }, 30000);
    return Boites(c.dialogues(), avant);
}

// The faces of the convert and open-folder buttons, and the path box.
QString Etat(Interface& ui) {
    return ui.BoutonhWnd[BoutonConvertir]->Face() + u' ' + ui.BoutonhWnd[BoutonOuvrirDossier]->Face() + u' ' +
           ui.TextBoxhWnd[ZoneImage]->text();
}

} // namespace

class TestToolsFenetres : public QObject {
    Q_OBJECT
private slots:
    // Each "..." button's dialog, with its title and filter, fills its box; a cancel empties it.
    void compressionChoix() {
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
    }

    // Paths with spaces and accents; our stream is bzip2 -9's, bzip2's files decompress, and so do
    // two streams one after the other with bytes after them that are no stream. Then failures, each
    // with its boxes: nothing to gain (empty, random), not bzip2, cut short (what could be read
    // stays), missing (an existing output stays), no paths, the output on its source.
    void compressionAvecBzip2() {
        if (QStandardPaths::findExecutable("bzip2").isEmpty()) {
            QSKIP("bzip2 is not installed");
        }
        CopieOvan c("127.0.0.188");
        QTemporaryDir d;
        const QString dossier = d.path() + "/Mes données de l'été/";
        QVERIFY(QDir().mkpath(dossier));
        const QByteArray texte = Texte(2'000'000);
        const QString source = dossier + "texte à compresser ü.txt", archive = dossier + "archive créée.bz2";
        const QString retrouve = dossier + "texte retrouvé ü.txt";
        QVERIFY(Ecrire(source, texte));
        QCOMPARE(Executer(c, true, source, archive), QStringList{Compressee});
        QCOMPARE(Lire(archive), Bzip2Systeme({"-9", "-c"}, texte));
        QVERIFY(
            Ecrire(dossier + "deux.bz2", Bzip2Systeme({"-c"}, "premier flux, ") + Lire(archive) + "fin\n"));
        QCOMPARE(Executer(c, false, dossier + "deux.bz2", retrouve), QStringList{Decompressee});
        QCOMPARE(Lire(retrouve), "premier flux, " + texte);

        const QString inutile =
            Boite("Attention !", "Compression inutile !\r\n(taille de sortie >= taille d'entrée)",
                  Icone::Attention);
        QByteArray aleatoire(300'000, Qt::Uninitialized);
        QRandomGenerator(5).fillRange(reinterpret_cast<quint32*>(aleatoire.data()), aleatoire.size() / 4);
        for (const QByteArray& contenu : {QByteArray(), aleatoire}) {
            QVERIFY(Ecrire(d.filePath("source"), contenu));
            QCOMPARE(Executer(c, true, d.filePath("source"), d.filePath("sortie.bz2")),
                     (QStringList{inutile, CompressionRatee}));
            QCOMPARE(Bzip2Systeme({"-d", "-c"}, Lire(d.filePath("sortie.bz2"))), contenu);
        }
        const QString sortie = d.filePath("sortie");
        QVERIFY(Ecrire(d.filePath("faux.bz2"), "Ceci n'est pas une archive.\n"));
        QCOMPARE(Executer(c, false, d.filePath("faux.bz2"), sortie),
                 (QStringList{Lecture, DecompressionRatee}));
        QVERIFY(Ecrire(d.filePath("coupe.bz2"), Lire(archive).first(Lire(archive).size() / 2)));
        QCOMPARE(Executer(c, false, d.filePath("coupe.bz2"), sortie),
                 (QStringList{Lecture, DecompressionRatee}));
        QVERIFY(Lire(sortie).size() > 0 && texte.startsWith(Lire(sortie)));
        QVERIFY(Ecrire(sortie, "ancien"));
        QCOMPARE(Executer(c, false, d.filePath("absent.bz2"), sortie), QStringList{DecompressionRatee});
        QCOMPARE(Lire(sortie), "ancien");
        QCOMPARE(Executer(c, true, QString(), QString()), QStringList{CompressionRatee});

        // Over the source, by its path or through a link: refused before anything is touched.
        const QString meme =
            Boite("Erreur !", "Le fichier de sortie ne peut pas être le fichier d'entrée !", Icone::Erreur);
        QVERIFY(QFile::link(source, d.filePath("lien")));
        QCOMPARE(Executer(c, true, source, source), QStringList{meme});
        QCOMPARE(Executer(c, true, source, d.filePath("lien")), QStringList{meme});
        QCOMPARE(Executer(c, false, archive, dossier + "./archive créée.bz2"), QStringList{meme});
        QCOMPARE(Lire(source), texte);
        QCOMPARE(Contenu(dossier).size(), 4);
    }

    // The work runs beside the window: a progress bar, a second command refused, the interface
    // thread never held; quitting meanwhile stops it and leaves no output.
    void compressionPendantLeTravail() {
        auto c = std::make_unique<CopieOvan>("127.0.0.189");
        Interface& ui = c->interface();
        QTemporaryDir d;
        const QString source = d.filePath("grand.txt"), archive = d.filePath("grand.bz2");
        QVERIFY(Ecrire(source, Texte(24 << 20)));
        auto* barre = ui.CompressionhWnd->findChild<QProgressBar*>();
        QVERIFY(barre->isHidden());
        QElapsedTimer horloge;
        qint64 ecartMax = 0;
        QTimer battement;
        connect(&battement, &QTimer::timeout, this,
                [&] { ecartMax = std::max(ecartMax, horloge.restart()); });
        ui.TextBoxhWnd[ZoneACompresser]->setText(source);
        ui.TextBoxhWnd[ZoneArchiveCreee]->setText(archive);
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

    // The quality list follows the format; a cancelled choice turns converting off; the open
    // dialog's title and filters ("*jpeg" without a dot, as designed).
    void imagesListesEtChoix() {
        CopieOvan c("127.0.0.240");
        Interface& ui = c.interface();
        QComboBox* qualite = ui.ComboBoxhWnd[ListeQualite];
        for (auto [format, nombre] : {std::pair{2, 2}, {1, 5}, {3, 5}, {0, 4}}) {
            ui.ComboBoxhWnd[ListeFormat]->setCurrentIndex(format);
            QVERIFY(qualite->count() == nombre && qualite->currentIndex() == 0);
            QCOMPARE(qualite->itemText(nombre - 1), QualitesDuFormat(format).last());
        }
        QTemporaryDir d;
        c.dialogues().RepondreFichier(Image(d.path() + "/a.png"));
        c.ovan().ClicBouton(Commande::ChoisirImage);
        QCOMPARE(Etat(ui), "img_conv_e img_ouvdoss_d " + d.path() + "/a.png");
        c.ovan().ClicBouton(Commande::ChoisirImage);
        QCOMPARE(Etat(ui), "img_conv_d img_ouvdoss_d ");
        QCOMPARE(
            c.dialogues().Navigations().last(),
            (QPair<QString, QString>{"Ouvrir le fichier",
                                     "Fichiers Bitmap (*.bmp);;Fichiers JPEG (*.jpg;*.jpeg) (*.jpg *jpeg);;"
                                     "Fichiers PNG (*.png);;Fichiers TIFF (*.tif;*.tiff) (*.tif *.tiff)"}));
    }

    // Nothing chosen yet: told so. photo.jpg to BMP beside it, off the interface thread with the
    // main window off meanwhile, the source untouched, then the faces, path and folder of the
    // result; the last dot only; a text file named x.bmp fails and writes nothing.
    void imagesConversions() {
        CopieOvan c("127.0.0.241");
        Interface& ui = c.interface();
        c.ovan().ClicBouton(Commande::ConvertirImage);
        c.ovan().ClicBouton(Commande::OuvrirDossierImage);
        const QString aConvertir =
            Boite("Attention !", "Vous devez d'abord convertir un fichier !", Icone::Information, true);
        QCOMPARE(Boites(c.dialogues()), (QStringList{AChoisir, aConvertir}));
        QTemporaryDir d;
        const QString s = d.path() + u'/', photo = Image(s + "photo.jpg");
        const QByteArray octets = Lire(photo);
        c.dialogues().RepondreFichier(photo);
        c.ovan().ClicBouton(Commande::ChoisirImage);
        ui.ComboBoxhWnd[ListeFormat]->setCurrentIndex(0);
        c.ovan().ClicBouton(Commande::ConvertirImage);
        QVERIFY(!ui.FenetrehWnd->Active() && c.dialogues().Appels().size() == 2);
        QCOMPARE(ui.BoutonhWnd[BoutonConvertir]->Face(), "img_conv_d");
        QTRY_COMPARE(Boites(c.dialogues(), 2), QStringList{ConversionReussie});
        QVERIFY(ui.FenetrehWnd->Active());
        QCOMPARE(Etat(ui), "img_conv_d img_ouvdoss_e ");
        QImageReader lecteur(s + "photo.bmp");
        QVERIFY(lecteur.format() == "bmp" && lecteur.read().size() == QSize(160, 120));
        QCOMPARE(Lire(photo), octets);
        c.ovan().ClicBouton(Commande::ConvertirImage);
        QCOMPARE(Boites(c.dialogues()).last(), AChoisir);
        c.ovan().ClicBouton(Commande::OuvrirDossierImage);
        QCOMPARE(c.shell().Ouverts(), QStringList{s});

        QCOMPARE(Convertir(c, Image(s + "archive.old.png"), 1, 4), QStringList{ConversionReussie});
        QVERIFY(QImageReader(s + "archive.old.jpg").canRead());
        QVERIFY(Ecrire(s + "x.bmp", "pas une image\n"));
        const QStringList avant = Contenu(s);
        QCOMPARE(Convertir(c, s + "x.bmp", 2, 0),
                 QStringList{Boite("Erreur", "La conversion de format a échouée !", Icone::Erreur, true)});
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
        c->dialogues().RepondreFichier(grande);
        c->ovan().ClicBouton(Commande::ChoisirImage);
        ui.ComboBoxhWnd[ListeFormat]->setCurrentIndex(3);
        c->ovan().ClicBouton(Commande::ConvertirImage);
        QVERIFY(c->dialogues().Appels().isEmpty() && !ui.FenetrehWnd->Active());
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
        c->dialogues().RepondreFichier(grande);
        c->ovan().ClicBouton(Commande::ChoisirImage);
        c->ovan().ClicBouton(Commande::ConvertirImage);
        montre.restart();
        c.reset();
        QVERIFY(montre.elapsed() < 2000);
        QCOMPARE(Contenu(d.path()), avant);
    }

    // Not while alone. Then in PNG: declined and kept, then offered to the contact with its size;
    // not asked when the box is not ticked, in BMP under the next free name, the raw file gone.
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
        const auto captures = [&] {
            return QDir(c.Dossier()).entryList({"CaptEcran*"}, QDir::Files, QDir::Name);
        };
        ui.ComboBoxhWnd[ListeOptionsFormat]->setCurrentIndex(2);
        ui.CheckBoxhWnd[CaseEnvoyerCapture]->setChecked(true);
        c.dialogues().Repondre(Dialogues::Reponse::Non);
        f.Oublier();
        c.ovan().ClicBouton(Commande::CaptureEcran);
        QCOMPARE(c.dialogues().Textes().last(), "Voulez-vous envoyer la capture d'écran ?");
        QCOMPARE(captures(), QStringList{"CaptEcran_1.png"});
        QVERIFY(QImageReader(c.Dossier() + "CaptEcran_1.png").size().width() > 0);
        c.ovan().ClicBouton(Commande::CaptureEcran);
        QCOMPARE(captures(), (QStringList{"CaptEcran_1.png", "CaptEcran_2.png"}));
        QVERIFY(f.AttendreTrames(1));
        const qint64 taille = QFileInfo(c.Dossier() + "CaptEcran_2.png").size();
        QCOMPARE(f.Octets(), "[DEM]CaptEcran_2.png\\" + QByteArray::number(taille) + '\x03');
        QVERIFY(c.TexteConversation().contains("Vous désirez envoyer 'CaptEcran_2.png' à Eve."));
        ui.ComboBoxhWnd[ListeOptionsFormat]->setCurrentIndex(0);
        ui.CheckBoxhWnd[CaseEnvoyerCapture]->setChecked(false);
        c.ovan().ClicBouton(Commande::CaptureEcran);
        QCOMPARE(c.dialogues().Appels().size(), 3);
        QCOMPARE(captures(), (QStringList{"CaptEcran_1.bmp", "CaptEcran_1.png", "CaptEcran_2.png"}));
    }
};

QTEST_MAIN(TestToolsFenetres)
#include "tst_tools_fenetres.moc"

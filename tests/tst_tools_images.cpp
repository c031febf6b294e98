// The image conversion window: the lists, the dialogs and the open filter, converting beside the
// source with the faces read back as state, the boxes, a live interface meanwhile, the reset when
// the window fades out, quitting during a conversion.
#include "CopieOvan.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/tools/ConversionImages.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QTest>

using Icone = Dialogues::Icone;

namespace {

const QString Succes = QStringLiteral("La conversion de format s'est terminée avec succès !");

QString Image(const QString& chemin, int w = 160, int h = 120) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x * y) & 0xFF));
        }
    }
    return image.save(chemin) ? chemin : QString();
}

QStringList Entrees(const QString& dossier) {
    return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A running copy and its image window.
struct Outil {
    std::unique_ptr<CopieOvan> copie;
    Interface& ui;
    DialoguesEnregistres& boites;
    explicit Outil(const char* adresse)
        : copie(std::make_unique<CopieOvan>(QString::fromLatin1(adresse))), ui(copie->interface()),
          boites(copie->dialogues()) {}
    QString Face(int slot) const { return ui.BoutonhWnd[slot]->Face(); }
    QString Chemin() const { return ui.TextBoxhWnd[ZoneImage]->text(); }
    void Clic(Commande commande) { copie->ovan().ClicBouton(commande); }
    void Choisir(const QString& chemin) {
        boites.RepondreFichier(chemin);
        Clic(Commande::ChoisirImage);
    }
    // Chooses the file and converts it; true once the result's box has been shown.
    bool Convertir(const QString& chemin, int format, int qualite) {
        Choisir(chemin);
        ui.ComboBoxhWnd[ListeFormat]->setCurrentIndex(format);
        ui.ComboBoxhWnd[ListeQualite]->setCurrentIndex(qualite);
        const qsizetype avant = boites.Appels().size();
        Clic(Commande::ConvertirImage);
        return QTest::qWaitFor([&] { return boites.Appels().size() > avant; }, 30000);
    }
    bool Derniere(const QString& texte, const QString& titre, Icone icone) const {
        return boites.Boite(boites.Appels().size() - 1, texte, titre, icone, ui.ImageshWnd);
    }
};

} // namespace

class TestToolsImages : public QObject {
    Q_OBJECT
private slots:
    void listesEtDialogues();
    void conversionsEtRefus();
    void interfaceVivanteEtFondu();
};

// The quality list follows the format; a cancelled choice disables converting; the open dialog's
// title and four filters, whose patterns a real dialog reads as designed ("*jpeg" without a dot);
// the save dialog.
void TestToolsImages::listesEtDialogues() {
    Outil o("127.0.0.240");
    QComboBox* qualite = o.ui.ComboBoxhWnd[ListeQualite];
    for (auto [format, nombre] : {std::pair{2, 2}, {1, 5}, {3, 5}, {0, 4}}) {
        o.ui.ComboBoxhWnd[ListeFormat]->setCurrentIndex(format);
        QCOMPARE(qualite->count(), nombre);
        QCOMPARE(qualite->currentIndex(), 0);
        QCOMPARE(qualite->itemText(nombre - 1), QualitesDuFormat(format).last());
    }
    MettreQualite(qualite, 2);
    QCOMPARE(qualite->currentIndex(), 0);
    MettreQualite(qualite, -1);
    QCOMPARE(qualite->count(), 0);

    QTemporaryDir d;
    o.Choisir(Image(d.path() + "/a.png"));
    QCOMPARE(o.Face(BoutonConvertir), "img_conv_e");
    o.Clic(Commande::ChoisirImage); // cancelled
    QCOMPARE(o.Chemin(), QString());
    QCOMPARE(o.Face(BoutonConvertir), "img_conv_d");
    const auto [titre, filtre] = o.boites.Navigations().last();
    QCOMPARE(titre, "Ouvrir le fichier");
    const QStringList entrees = filtre.split(";;");
    const QList<std::pair<QString, QStringList>> attendu = {
        {"Fichiers Bitmap (*.bmp)", {"*.bmp"}},
        {"Fichiers JPEG (*.jpg;*.jpeg)", {"*.jpg", "*jpeg"}},
        {"Fichiers PNG (*.png)", {"*.png"}},
        {"Fichiers TIFF (*.tif;*.tiff)", {"*.tif", "*.tiff"}}};
    QCOMPARE(entrees.size(), 4);
    QFileDialog dialogue;
    dialogue.setOption(QFileDialog::DontUseNativeDialog);
    dialogue.setNameFilters(entrees);
    for (int i = 0; i < 4; ++i) {
        QVERIFY2(entrees[i].startsWith(attendu[i].first), qPrintable(entrees[i]));
        dialogue.selectNameFilter(entrees[i]);
        QCOMPARE(dialogue.findChild<QFileSystemModel*>()->nameFilters(), attendu[i].second);
    }

    QString nom = "x", bref = "x";
    QVERIFY(!FichierASauver(o.boites, nom, bref, "Fichier BZ2 (*.bz2)", "bz2", nullptr));
    QVERIFY(nom.isEmpty() && bref.isEmpty());
    o.boites.RepondreFichier("/tmp/dossier/archive.bz2");
    QVERIFY(FichierASauver(o.boites, nom, bref, "Fichier BZ2 (*.bz2)", "bz2", nullptr));
    const auto [titreSauver, filtreSauver] = o.boites.Navigations().last();
    QCOMPARE(QStringList({nom, bref, titreSauver, filtreSauver}),
             QStringList({"/tmp/dossier/archive.bz2", "archive.bz2", "Sauvegarder le fichier",
                          "Fichier BZ2 (*.bz2)|bz2"}));
}

// Converting and opening the folder before anything was chosen; photo.jpg -> photo.bmp then
// photo_1.bmp beside it, the source untouched, with the boxes, faces and path box of each step;
// the last dot only; ".tiff"; a text file named x.bmp fails and writes nothing.
void TestToolsImages::conversionsEtRefus() {
    Outil o("127.0.0.241");
    o.Clic(Commande::ConvertirImage);
    QVERIFY(
        o.Derniere("Vous devez d'abord choisir un fichier à convertir !", "Attention !", Icone::Information));
    o.Clic(Commande::OuvrirDossierImage);
    QVERIFY(o.Derniere("Vous devez d'abord convertir un fichier !", "Attention !", Icone::Information));

    QTemporaryDir d;
    const QString s = d.path() + u'/';
    const QString photo = Image(s + "photo.jpg");
    QFile f(photo);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray octets = f.readAll();
    for (const char* attendu : {"photo.bmp", "photo_1.bmp"}) {
        o.Choisir(photo);
        QCOMPARE(o.Chemin(), photo);
        QCOMPARE(o.Face(BoutonConvertir), "img_conv_e");
        o.ui.ComboBoxhWnd[ListeFormat]->setCurrentIndex(0);
        o.ui.ComboBoxhWnd[ListeQualite]->setCurrentIndex(2);
        const qsizetype avant = o.boites.Appels().size();
        o.Clic(Commande::ConvertirImage);
        // Under way off the interface thread: the main window is disabled, no box yet.
        QVERIFY(!o.ui.FenetrehWnd->Active() && o.boites.Appels().size() == avant);
        QCOMPARE(o.Face(BoutonConvertir), "img_conv_d");
        QTRY_COMPARE(o.boites.Appels().size(), avant + 1);
        QVERIFY(o.Derniere(Succes, "Bravo !", Icone::Information));
        QVERIFY(o.ui.FenetrehWnd->Active());
        QCOMPARE(o.Chemin(), QString());
        QCOMPARE(o.Face(BoutonOuvrirDossier), "img_ouvdoss_e");
        QImageReader lecteur(s + QLatin1String(attendu));
        QCOMPARE(lecteur.format(), "bmp");
        QCOMPARE(lecteur.read().size(), QSize(160, 120));
    }
    // Converting stays off until another source is chosen.
    o.Clic(Commande::ConvertirImage);
    QVERIFY(
        o.Derniere("Vous devez d'abord choisir un fichier à convertir !", "Attention !", Icone::Information));
    o.Clic(Commande::OuvrirDossierImage);
    QCOMPARE(o.copie->shell().Ouverts(), QStringList{s});
    QVERIFY(f.seek(0));
    QCOMPARE(f.readAll(), octets);

    QVERIFY(o.Convertir(Image(s + "archive.old.png"), 1, 4));
    QVERIFY(QImageReader(s + "archive.old.jpg").canRead());
    QVERIFY(o.Convertir(s + "archive.old.png", 3, 2));
    QVERIFY(QFileInfo::exists(s + "archive.old.tiff"));

    QFile texte(s + "x.bmp");
    QVERIFY(texte.open(QIODevice::WriteOnly) && texte.write("pas une image\n") > 0);
    texte.close();
    const QStringList avant = Entrees(s);
    QVERIFY(o.Convertir(s + "x.bmp", 2, 0));
    QVERIFY(o.Derniere("La conversion de format a échouée !", "Erreur", Icone::Erreur));
    QCOMPARE(Entrees(s), avant);
    QCOMPARE(o.Chemin(), QString());
    QVERIFY(o.ui.FenetrehWnd->Active());
}

// During a long conversion the main window is disabled but repaints and the interface thread
// never stalls; fading the window out resets it; quitting during a conversion leaves nothing.
void TestToolsImages::interfaceVivanteEtFondu() {
    Outil o("127.0.0.243");
    QTemporaryDir d;
    const QString s = d.path() + u'/';
    const QString grande = Image(s + "grande.png", 4000, 3000);
    struct Peintures : QObject {
        int n = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            n += e->type() == QEvent::Paint;
            return false;
        }
    } peintures;
    QWidget* zone = o.ui.FenetrehWnd->Zone();
    zone->installEventFilter(&peintures);
    QElapsedTimer montre;
    qint64 precedent = 0, pire = 0;
    QTimer pouls;
    QObject::connect(&pouls, &QTimer::timeout, [&] {
        pire = std::max(pire, montre.elapsed() - precedent);
        precedent = montre.elapsed();
    });
    montre.start();
    pouls.start(1);
    o.Choisir(grande);
    o.ui.ComboBoxhWnd[ListeFormat]->setCurrentIndex(3);
    o.ui.ComboBoxhWnd[ListeQualite]->setCurrentIndex(2);
    o.Clic(Commande::ConvertirImage);
    zone->update();
    QTRY_VERIFY(peintures.n > 0);
    QVERIFY2(o.boites.Appels().isEmpty() && !o.ui.FenetrehWnd->Active(), "ended before a repaint");
    QTRY_COMPARE_WITH_TIMEOUT(o.boites.Appels().size(), 1, 30000);
    QVERIFY(o.Derniere(Succes, "Bravo !", Icone::Information));
    QVERIFY2(pire < 250, qPrintable(QString::number(pire)));
    zone->removeEventFilter(&peintures);

    // The close box fades the window out, which resets it; it opens again empty.
    o.copie->ovan().CommandeMenu(Menu::ConversionImages);
    QTRY_VERIFY(o.ui.ImageshWnd->isVisible() && !o.ui.ImageshWnd->fondu().EnCours());
    o.Choisir(grande);
    o.ui.ImageshWnd->close();
    QTRY_VERIFY(!o.ui.ImageshWnd->isVisible());
    QCOMPARE(QStringList({o.Chemin(), o.Face(BoutonConvertir), o.Face(BoutonOuvrirDossier)}),
             QStringList({"", "img_conv_d", "img_ouvdoss_d"}));
    o.copie->ovan().CommandeMenu(Menu::ConversionImages);
    QTRY_VERIFY(o.ui.ImageshWnd->isVisible());
    o.Clic(Commande::OuvrirDossierImage);
    QVERIFY(o.Derniere("Vous devez d'abord convertir un fichier !", "Attention !", Icone::Information));

    // Quitting while the helper works: it is stopped at once, and nothing is left in the folder.
    const QStringList avant = Entrees(s);
    o.Choisir(grande);
    o.ui.ComboBoxhWnd[ListeFormat]->setCurrentIndex(2);
    o.Clic(Commande::ConvertirImage);
    montre.restart();
    o.copie.reset();
    QVERIFY(montre.elapsed() < 2000);
    QCOMPARE(Entrees(s), avant);
}

QTEST_MAIN(TestToolsImages)
#include "tst_tools_images.moc"

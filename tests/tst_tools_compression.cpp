// The compression window: its pickers, the boxes of each outcome in order, files that the system's
// bzip2 reads and writes, and an operation that runs beside a responsive window until the user quits.
#include "Fichiers.h"
#include "CopieOvan.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

using Appel = DialoguesEnregistres::Appel;
using Icone = Dialogues::Icone;

const QString Adresse = QStringLiteral("127.0.0.187");

// One box as "caption|text|icon|owner".
QString Boite(const QString& titre, const QString& texte, Icone icone, bool proprietaire = false) {
    return QStringLiteral("%1|%2|%3|%4").arg(titre, texte).arg(int(icone)).arg(proprietaire);
}
QStringList Decrire(const QList<Appel>& appels) {
    QStringList boites;
    for (const Appel& a : appels) {
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
const QString Inutile =
    Boite("Attention !", "Compression inutile !\r\n(taille de sortie >= taille d'entrée)", Icone::Attention);
const QString Lecture = Boite("Erreur !", "Problème de lecture !", Icone::Erreur);
const QString MemeFichier =
    Boite("Erreur !", "Le fichier de sortie ne peut pas être le fichier d'entrée !", Icone::Erreur);
const QString Occupe =
    Boite("Attention !", "Une compression ou une décompression est déjà en cours !", Icone::Attention);

QByteArray Texte(qint64 taille) {
    QByteArray t;
    for (qint64 i = 0; t.size() < taille; ++i) {
        t += "ligne " + QByteArray::number(i * 7919 % 100003) + " du fichier envoyé\n";
    }
    t.truncate(taille);
    return t;
}

QByteArray Bzip2Systeme(const QStringList& arguments, const QByteArray& entree) {
    QProcess p;
    p.start(QStringLiteral("bzip2"), arguments);
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
    const bool fini =
        QTest::qWaitFor([&] { return barre->isHidden() && c.dialogues().Appels().size() > avant; }, 60000);
    return fini ? Decrire(c.dialogues().Appels().mid(avant)) : QStringList{QStringLiteral("<pas fini>")};
}

} // namespace

class TestToolsCompression : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("bzip2")).isEmpty()) {
            QSKIP("bzip2 is not installed");
        }
    }
    void choixEtFenetre();
    void allerRetourAvecBzip2();
    void rienAGagner();
    void decompressionRatee();
    void sortieSurSaSource();
    void pendantUneOperation();
};

// Each "..." button's dialog, owned by the window, fills its box; a cancel empties it. The window
// fades in from the menu and out by its close box.
void TestToolsCompression::choixEtFenetre() {
    CopieOvan c(Adresse);
    Interface& ui = c.interface();
    const QString tous = QStringLiteral("Tous les fichiers (*.*)");
    const QList<std::tuple<int, int, QString, QString>> cas = {
        {BoutonChoixACompresser, ZoneACompresser, "Ouvrir le fichier", tous},
        {BoutonChoixArchive, ZoneArchiveCreee, "Sauvegarder le fichier", "Fichier BZ2 (*.bz2)|bz2"},
        {BoutonChoixADecompresser, ZoneADecompresser, "Ouvrir le fichier", "Fichiers BZ2 (*.bz2)"},
        {BoutonChoixFichierCree, ZoneFichierCree, "Sauvegarder le fichier", tous + "|"}};
    for (const auto& [bouton, zone, titre, filtre] : cas) {
        const QString chemin = QStringLiteral("/tmp/dossier à espaces/fichier %1 é.bz2").arg(bouton);
        c.dialogues().RepondreFichier(chemin);
        ui.BoutonhWnd[bouton]->click();
        QCOMPARE(ui.TextBoxhWnd[zone]->text(), chemin);
        ui.BoutonhWnd[bouton]->click();
        QCOMPARE(ui.TextBoxhWnd[zone]->text(), QString());
        const auto navigations = c.dialogues().Navigations().mid(c.dialogues().Navigations().size() - 2);
        QCOMPARE(navigations, (QList<QPair<QString, QString>>{{titre, filtre}, {titre, filtre}}));
    }
    QVERIFY(c.dialogues().Appels().isEmpty());

    c.ovan().CommandeMenu(Menu::Compression);
    QTRY_VERIFY(ui.CompressionhWnd->isVisible() && !ui.CompressionhWnd->fondu().EnCours());
    ui.CompressionhWnd->close();
    QTRY_VERIFY(!ui.CompressionhWnd->isVisible());
}

// Paths with spaces and accents; our stream is bzip2 -9's, bzip2's files decompress, and so do two
// streams one after the other, with bytes after them that are no stream.
void TestToolsCompression::allerRetourAvecBzip2() {
    CopieOvan c(Adresse);
    QTemporaryDir d;
    const QString dossier = d.path() + QStringLiteral("/Mes données de l'été/");
    QVERIFY(QDir().mkpath(dossier));
    const QByteArray texte = Texte(2'000'000);
    const QString source = dossier + QStringLiteral("texte à compresser ü.txt");
    const QString archive = dossier + QStringLiteral("archive créée.bz2");
    QVERIFY(Ecrire(source, texte));

    QCOMPARE(Executer(c, true, source, archive), QStringList{Compressee});
    QCOMPARE(Lire(archive), Bzip2Systeme({"-9", "-c"}, texte));
    QCOMPARE(Bzip2Systeme({"-d", "-c"}, Lire(archive)), texte);

    const QString deBzip2 = dossier + QStringLiteral("écrit par bzip2.bz2");
    QVERIFY(Ecrire(deBzip2, Bzip2Systeme({"-c"}, texte)));
    const QString retrouve = dossier + QStringLiteral("texte retrouvé ü.txt");
    QCOMPARE(Executer(c, false, deBzip2, retrouve), QStringList{Decompressee});
    QCOMPARE(Lire(retrouve), texte);

    const QString deux = dossier + QStringLiteral("deux flux.bz2");
    QVERIFY(Ecrire(deux, Bzip2Systeme({"-c"}, "premier flux, ") + Lire(archive) + "fin\n"));
    QCOMPARE(Executer(c, false, deux, retrouve), QStringList{Decompressee});
    QCOMPARE(Lire(retrouve), "premier flux, " + texte);
    QCOMPARE(Contenu(dossier).size(), 5);
}

// Output not smaller than the input: the warning, then the failure, and the output stays.
void TestToolsCompression::rienAGagner() {
    CopieOvan c(Adresse);
    QTemporaryDir d;
    QByteArray aleatoire(300'000, Qt::Uninitialized);
    QRandomGenerator(5).fillRange(reinterpret_cast<quint32*>(aleatoire.data()), aleatoire.size() / 4);
    for (const QByteArray& contenu : {QByteArray(), aleatoire}) {
        QVERIFY(Ecrire(d.filePath("source"), contenu));
        QCOMPARE(Executer(c, true, d.filePath("source"), d.filePath("sortie.bz2")),
                 (QStringList{Inutile, CompressionRatee}));
        QCOMPARE(Bzip2Systeme({"-d", "-c"}, Lire(d.filePath("sortie.bz2"))), contenu);
    }
}

// Not bzip2, cut short, missing, no paths at all: the boxes in order; a missing source leaves an
// existing output as it was.
void TestToolsCompression::decompressionRatee() {
    CopieOvan c(Adresse);
    QTemporaryDir d;
    const QString sortie = d.filePath("sortie");
    QVERIFY(Ecrire(d.filePath("faux.bz2"), "Ceci n'est pas une archive.\n"));
    QCOMPARE(Executer(c, false, d.filePath("faux.bz2"), sortie), (QStringList{Lecture, DecompressionRatee}));

    const QByteArray texte = Texte(3'000'000);
    const QByteArray archive = Bzip2Systeme({"-c"}, texte);
    QVERIFY(Ecrire(d.filePath("coupe.bz2"), archive.left(archive.size() / 2)));
    QCOMPARE(Executer(c, false, d.filePath("coupe.bz2"), sortie), (QStringList{Lecture, DecompressionRatee}));
    // What could be read stays.
    const QByteArray partiel = Lire(sortie);
    QVERIFY(!partiel.isEmpty() && partiel.size() < texte.size() && texte.startsWith(partiel));

    QVERIFY(Ecrire(sortie, "ancien"));
    QCOMPARE(Executer(c, false, d.filePath("absent.bz2"), sortie), QStringList{DecompressionRatee});
    QCOMPARE(Lire(sortie), QByteArray("ancien"));
    QCOMPARE(Executer(c, true, QString(), QString()), QStringList{CompressionRatee});
    QCOMPARE(Contenu(d.path()), (QStringList{"coupe.bz2", "faux.bz2", "sortie"}));
}

// Writing over the source, by its path or through a link, is refused before anything is touched.
void TestToolsCompression::sortieSurSaSource() {
    CopieOvan c(Adresse);
    QTemporaryDir d;
    const QString source = d.filePath("source.txt"), archive = d.filePath("source.bz2");
    QVERIFY(Ecrire(source, Texte(50'000)));
    QVERIFY(QFile::link(source, d.filePath("lien")));
    QCOMPARE(Executer(c, true, source, source), QStringList{MemeFichier});
    QCOMPARE(Executer(c, true, source, d.filePath("lien")), QStringList{MemeFichier});
    QCOMPARE(Lire(source), Texte(50'000));
    QCOMPARE(Executer(c, true, source, archive), QStringList{Compressee});
    QCOMPARE(Executer(c, false, archive, d.path() + "/./source.bz2"), QStringList{MemeFichier});
    QCOMPARE(Bzip2Systeme({"-d", "-c"}, Lire(archive)), Texte(50'000));
}

// The work runs beside the window: a progress bar, a second command refused, the interface thread
// never held; quitting meanwhile stops it and leaves no output.
void TestToolsCompression::pendantUneOperation() {
    auto c = std::make_unique<CopieOvan>(Adresse);
    Interface& ui = c->interface();
    QTemporaryDir d;
    const QString source = d.filePath("grand.txt"), archive = d.filePath("grand.bz2");
    QVERIFY(Ecrire(source, Texte(24 << 20)));
    auto* barre = ui.CompressionhWnd->findChild<QProgressBar*>();
    QVERIFY(barre && barre->isHidden());

    QElapsedTimer horloge;
    qint64 ecartMax = 0;
    QTimer battement;
    battement.setInterval(5);
    connect(&battement, &QTimer::timeout, this, [&] { ecartMax = std::max(ecartMax, horloge.restart()); });
    ui.TextBoxhWnd[ZoneACompresser]->setText(source);
    ui.TextBoxhWnd[ZoneArchiveCreee]->setText(archive);
    c->ovan().ClicBouton(Commande::Compresser);
    horloge.start();
    battement.start();
    QVERIFY(!barre->isHidden());
    QTRY_VERIFY(barre->value() > 0);
    ui.BoutonhWnd[BoutonDecompresser]->click();
    ui.BoutonhWnd[BoutonCompresser]->click();
    QCOMPARE(Decrire(c->dialogues().Appels()), (QStringList{Occupe, Occupe}));
    QTRY_VERIFY_WITH_TIMEOUT(barre->isHidden(), 60000);
    battement.stop();
    QCOMPARE(Decrire(c->dialogues().Appels()), (QStringList{Occupe, Occupe, Compressee}));
    QVERIFY2(ecartMax < 1000, qPrintable(QString::number(ecartMax)));

    ui.TextBoxhWnd[ZoneArchiveCreee]->setText(d.filePath("encore.bz2"));
    c->ovan().ClicBouton(Commande::Compresser);
    QTRY_VERIFY(barre->value() > 0);
    c->ovan().Arreter();
    c.reset();
    QCOMPARE(Contenu(d.path()), (QStringList{"grand.bz2", "grand.txt"}));
}

QTEST_MAIN(TestToolsCompression)
#include "tst_tools_compression.moc"

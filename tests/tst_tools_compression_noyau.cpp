// Compressing and decompressing files without a window: failures leave nothing, replacing keeps rights.
#include "Fichiers.h"
#include "core/tools/Bzip2Fichiers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <limits>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// Lines that compress well, all different.
QByteArray Texte(int lignes) {
    QByteArray t;
    for (int i = 0; i < lignes; ++i)
        t += "ligne " + QByteArray::number(i * 7919 % 100003) + " du fichier envoyé\n";
    return t;
}

QByteArray Aleatoire(qint64 taille) {
    QByteArray a(taille, Qt::Uninitialized);
    QRandomGenerator(11).fillRange(reinterpret_cast<quint32*>(a.data()), taille / 4);
    return a;
}

QByteArray Bzip2Systeme(const QStringList& arguments, const QByteArray& entree) {
    QProcess p;
    p.start(QStringLiteral("bzip2"), arguments);
    p.write(entree);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

int Descripteurs() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

class Enregistreur : public Bzip2::Suivi {
public:
    void Avertir(Bzip2::Avis avis) override { avis_ << avis; }
    void Avancer(qint64 fait, qint64) override {
        dernier = fait;
        struct statvfs v {};
        if (!disque.isEmpty() && ::statvfs(disque.constData(), &v) == 0)
            libreMin = std::min(libreMin, qint64(v.f_bavail * v.f_frsize));
    }
    bool Arreter() const override { return arreterApres >= 0 && dernier > arreterApres; }
    QList<Bzip2::Avis> avis_;
    qint64 dernier = 0;
    qint64 arreterApres = -1;
    // A disk whose least free space is noted.
    QByteArray disque;
    qint64 libreMin = std::numeric_limits<qint64>::max();
};

} // namespace

class TestToolsCompressionNoyau : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }

    // Any read size; then a file that may not grow, a stop, a pipe or a folder: -1, the old output
    // intact, no hidden file, no descriptor or stream left.
    void echecsSansReste() {
        QTemporaryDir d;
        const QString texte = d.filePath("texte"), bz2 = d.filePath("texte.bz2"),
                      sortie = d.filePath("sortie");
        QVERIFY(Ecrire(texte, Texte(120'000)));
        Enregistreur suivi;
        QVERIFY(Bzip2::Compression(texte, bz2, &suivi));
        QCOMPARE(suivi.dernier, QFileInfo(texte).size());
        // 0 stands for 100.
        for (int bloc : {0, 1, Bzip2::TailleBlocOutil}) {
            QVERIFY(Bzip2::Decompression(bz2, d.filePath("retour"), bloc));
            QCOMPARE(Lire(d.filePath("retour")), Lire(texte));
        }
        QVERIFY(Ecrire(d.filePath("aleatoire"), Aleatoire(1'000'000)));
        QVERIFY(Ecrire(sortie, "ancien"));
        QVERIFY(::mkfifo(QFile::encodeName(d.filePath("tube")).constData(), 0600) == 0);
        QVERIFY(QDir(d.path()).mkdir("dossier"));
        const int avant = Descripteurs();
        const QStringList fichiers =
            QDir(d.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        rlimit ancienne{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &ancienne), 0);
        const rlimit petite{200'000, ancienne.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &petite), 0);
        const int c1 = Bzip2::CompFichEnFich(d.filePath("aleatoire"), sortie);
        const int d1 = Bzip2::DecompFichEnFich(bz2, sortie, Bzip2::TailleBlocOutil);
        ::setrlimit(RLIMIT_FSIZE, &ancienne);
        QVERIFY(c1 == -1 && d1 == -1);
        for (bool compresser : {true, false}) {
            Enregistreur arret;
            arret.arreterApres = 0;
            QCOMPARE(compresser ? Bzip2::CompFichEnFich(texte, sortie, &arret)
                                : Bzip2::DecompFichEnFich(bz2, sortie, 100, &arret),
                     -1);
            QVERIFY(arret.avis_.isEmpty());
        }
        QCOMPARE(Bzip2::CompFichEnFich(d.filePath("tube"), d.filePath("tube.bz2")), -1);
        QCOMPARE(Bzip2::CompFichEnFich(texte, d.filePath("dossier")), -1);
        QCOMPARE(Bzip2::DecompFichEnFich(bz2, d.filePath("dossier"), 0), -1);
        QCOMPARE(Bzip2::CompFichEnFich(texte, d.filePath("sans/dossier.bz2")), -1);
        QCOMPARE(Lire(sortie), QByteArray("ancien"));
        QCOMPARE(QDir(d.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), fichiers);
        QCOMPARE(Descripteurs(), avant);
    }

    // On a 16 MiB file system of our own, what fits beside the margin is written; 32 MiB of zeros
    // stop while 5 % is still free, and leave nothing.
    void margeDisque() {
        QTemporaryDir d;
        const QByteArray petit = QFile::encodeName(d.filePath("petit"));
        QVERIFY(QDir(d.path()).mkdir("petit"));
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", petit.constData(), "tmpfs", 0, "size=16m") != 0)
            QSKIP("Cannot mount a small file system here (needs root or a user namespace)");
        const auto demonter = qScopeGuard([&] { ::umount2(petit.constData(), MNT_DETACH); });
        QVERIFY(Ecrire(d.filePath("zeros"), QByteArray(2 << 20, '\0')));
        QVERIFY(Bzip2::Compression(d.filePath("zeros"), d.filePath("un.bz2")));
        QVERIFY(Ecrire(d.filePath("seize.bz2"), Lire(d.filePath("un.bz2")).repeated(16)));
        const QString sortie = QString::fromLocal8Bit(petit) + QStringLiteral("/sortie");
        QVERIFY(Bzip2::Decompression(d.filePath("un.bz2"), sortie, Bzip2::TailleBlocOutil));
        QVERIFY(QFile::remove(sortie));
        Enregistreur suivi;
        suivi.disque = petit;
        QCOMPARE(Bzip2::DecompFichEnFich(d.filePath("seize.bz2"), sortie, Bzip2::TailleBlocOutil, &suivi),
                 -1);
        QVERIFY2(suivi.libreMin >= (16 << 20) / 20 && suivi.libreMin < 4 << 20,
                 qPrintable(QString::number(suivi.libreMin)));
        QVERIFY(QDir(QString::fromLocal8Bit(petit))
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    // Our stream is the system bzip2 -9's; its streams decompress, two in a row with junk after; it
    // reads what nothing was gained on. A cut stream is told, what was read stays; a missing source
    // leaves the output alone. The same file through "./" or a link.
    void outilSysteme() {
        if (QStandardPaths::findExecutable(QStringLiteral("bzip2")).isEmpty())
            QSKIP("bzip2 is not installed");
        QTemporaryDir d;
        const QByteArray texte = Texte(70'000);
        const QString source = d.filePath("texte"), archive = d.filePath("texte.bz2"),
                      sortie = d.filePath("sortie");
        QVERIFY(Ecrire(source, texte) && Bzip2::Compression(source, archive));
        QCOMPARE(Lire(archive), Bzip2Systeme({"-9", "-c"}, texte));
        QVERIFY(Ecrire(d.filePath("deux.bz2"), Bzip2Systeme({"-c"}, "premier, ") + Lire(archive) + "fin\n"));
        QVERIFY(Bzip2::Decompression(d.filePath("deux.bz2"), sortie, 0));
        QCOMPARE(Lire(sortie), "premier, " + texte);
        for (const QByteArray& contenu : {QByteArray(), Aleatoire(300'000)}) {
            Enregistreur suivi;
            QVERIFY(Ecrire(d.filePath("brut"), contenu));
            QCOMPARE(Bzip2::CompFichEnFich(d.filePath("brut"), d.filePath("brut.bz2"), &suivi), -1);
            QVERIFY(suivi.avis_ == QList{Bzip2::Avis::CompressionInutile});
            QCOMPARE(Bzip2Systeme({"-d", "-c"}, Lire(d.filePath("brut.bz2"))), contenu);
        }
        Enregistreur coupe;
        QVERIFY(Ecrire(d.filePath("coupe.bz2"), Lire(archive).first(Lire(archive).size() / 2)));
        QCOMPARE(Bzip2::DecompFichEnFich(d.filePath("coupe.bz2"), sortie, 0, &coupe), -1);
        QVERIFY(coupe.avis_ == QList{Bzip2::Avis::ProblemeLecture});
        QVERIFY(!Lire(sortie).isEmpty() && texte.startsWith(Lire(sortie)));
        QVERIFY(Ecrire(sortie, "ancien") && !Bzip2::Decompression(d.filePath("absent.bz2"), sortie, 0));
        QCOMPARE(Lire(sortie), "ancien");
        QVERIFY(QFile::link(source, d.filePath("lien")));
        for (const QString& meme : {source, d.filePath("lien"), d.path() + "/./texte"})
            QVERIFY(Bzip2::MemeFichier(source, meme));
        QVERIFY(!Bzip2::MemeFichier(source, archive) && !Bzip2::MemeFichier(QString(), QString()));
    }

    // A replaced file keeps its permissions; through a link, the linked file is replaced.
    void remplacement() {
        QTemporaryDir d;
        const QString texte = d.filePath("texte"), prive = d.filePath("prive.bz2");
        QVERIFY(Ecrire(texte, Texte(5000)));
        QVERIFY(Ecrire(prive, "ancien"));
        QVERIFY(QFile::setPermissions(prive, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QFile::link(prive, d.filePath("lien.bz2")));
        QVERIFY(Bzip2::Compression(texte, d.filePath("lien.bz2")));
        QVERIFY(QFileInfo(d.filePath("lien.bz2")).isSymLink());
        QCOMPARE(QFile::permissions(prive),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QVERIFY(Bzip2::Decompression(prive, d.filePath("retour"), 0));
        QCOMPARE(Lire(d.filePath("retour")), Lire(texte));
    }
};

QTEST_GUILESS_MAIN(TestToolsCompressionNoyau)
#include "tst_tools_compression_noyau.moc"

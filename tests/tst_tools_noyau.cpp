// The tools without a window: bzip2 files, pictures converted by the helper process, the capture's bitmap.
#include "Fichiers.h"
#include "core/tools/Bzip2Fichiers.h"
#include "core/tools/CaptureBmp.h"
#include "core/tools/ConversionFormats.h"
#include "core/tools/ConversionFreeImage.h"
#include "core/tools/ConversionIsolee.h"
#include "support/Memoire.h"

#include <FreeImage.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <limits>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using Fin = ConversionIsolee::Fin;

// The helper's peak memory on a giant header; the address sanitizer's shadow memory adds its own.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 CreteMaxKio = 512 * 1024;
#else
constexpr qint64 CreteMaxKio = 64 * 1024;
#endif

namespace {

// Lines that compress well, all different.
QByteArray Texte(int lignes) {
    QByteArray t;
    for (int i = 0; i < lignes; ++i)
        t += "ligne " + QByteArray::number(i * 7919 % 100003) + " du fichier envoyé\n";
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
    qint64 dernier = 0, arreterApres = -1;
    QByteArray disque; // whose least free space is noted
    qint64 libreMin = std::numeric_limits<qint64>::max();
};

// A w x h picture with a gradient, saved by FreeImage as fif.
void EcrireImage(const QString& chemin, int w, int h, FREE_IMAGE_FORMAT fif, int drapeau = 0) {
    FIBITMAP* image = FreeImage_Allocate(w, h, 24);
    for (int y = 0; y < h; ++y) {
        BYTE* ligne = FreeImage_GetScanLine(image, y);
        for (int x = 0; x < w; ++x) {
            ligne[3 * x] = BYTE(x * 255 / w);
            ligne[3 * x + 1] = BYTE(y * 255 / h);
            ligne[3 * x + 2] = BYTE((x + y) & 0xFF);
        }
    }
    QVERIFY(FreeImage_Save(fif, image, QFile::encodeName(chemin).constData(), drapeau));
    FreeImage_Unload(image);
}

// The value of tag 259 (compression) in a little-endian TIFF's first directory, or -1.
int CompressionTiff(const QString& chemin) {
    const QByteArray d = Lire(chemin);
    const auto u16 = [&](qsizetype i) {
        return i + 2 <= d.size() ? qFromLittleEndian<quint16>(d.data() + i) : -1;
    };
    const qsizetype ifd = d.startsWith("II") && d.size() >= 8 ? qFromLittleEndian<quint32>(d.data() + 4) : 0;
    for (int n = 0; ifd > 0 && n < u16(ifd); ++n)
        if (u16(ifd + 2 + 12 * n) == 259)
            return u16(ifd + 2 + 12 * n + 8);
    return -1;
}

ConversionIsolee::Resultat Attendre(ConversionIsolee& c, const QString& source, const QString& sortie,
                                    int format, int qualite) {
    std::optional<ConversionIsolee::Resultat> r;
    const auto lien = QObject::connect(&c, &ConversionIsolee::terminee, [&](const auto& x) { r = x; });
    if (c.Lancer(source, sortie, format, qualite) && !QTest::qWaitFor([&] { return r.has_value(); }, 60000))
        qWarning("no result in time");
    QObject::disconnect(lien);
    return r.value_or(ConversionIsolee::Resultat{});
}

} // namespace

class TestToolsNoyau : public QObject {
    Q_OBJECT
    QTemporaryDir m_dossier;
    QString D() const { return m_dossier.path() + u'/'; }

private slots:
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }

    // Any read size; a file that may not grow, a stop, a pipe, a folder: -1, old output intact, nothing left.
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
        QVERIFY(Ecrire(d.filePath("aleatoire"), OctetsAuHasard(1'000'000)));
        QVERIFY(Ecrire(sortie, "ancien"));
        QVERIFY(::mkfifo(QFile::encodeName(d.filePath("tube")).constData(), 0600) == 0);
        QVERIFY(QDir(d.path()).mkdir("dossier"));
        const qsizetype avant = EntreesDe("/proc/self/fd").size();
        const QStringList fichiers = EntreesDe(d.path());
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
        QCOMPARE(EntreesDe(d.path()), fichiers);
        QCOMPARE(EntreesDe("/proc/self/fd").size(), avant);
    }

    // On a 16 MiB file system what fits is written; 32 MiB of zeros stop at 5 % free, leaving nothing.
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
        for (const QByteArray& contenu : {QByteArray(), OctetsAuHasard(300'000)}) {
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

    // Each format and quality: type, depth, size, colours, TIFF compression, JPEG growing; others: nothing.
    void formatsEtQualites() {
        EcrireImage(D() + "source.png", 320, 200, FIF_PNG);
        ConversionIsolee c(OVAN_DECODEUR);
        const int bits[] = {8, 16, 24, 32};
        const int tiff[] = {5, 32773, 32946, 8, 1}; // the compression tag's codes
        const FREE_IMAGE_FORMAT types[] = {FIF_BMP, FIF_JPEG, FIF_PNG, FIF_TIFF};
        qint64 tailleJpeg = 0;
        for (int format = 0; format < 4; ++format) {
            for (int qualite = 0; qualite < QualitesDuFormat(format).size(); ++qualite) {
                const QString sortie = CheminSortieImage(D(), "source.png", format);
                const auto r = Attendre(c, D() + "source.png", sortie, format, qualite);
                QVERIFY2(r.Reussie() && r.chemin == sortie, qPrintable(sortie));
                const QByteArray nom = QFile::encodeName(sortie);
                QCOMPARE(FreeImage_GetFileType(nom.constData()), types[format]);
                FIBITMAP* lue = FreeImage_Load(types[format], nom.constData());
                QVERIFY(lue && r.largeur == 320 && FreeImage_GetHeight(lue) == 200);
                QCOMPARE(int(FreeImage_GetBPP(lue)), format == 0 ? bits[qualite] : 24);
                if (format == 0 && qualite == 1)
                    QCOMPARE(FreeImage_GetGreenMask(lue), unsigned(FI16_555_GREEN_MASK));
                if (format != 1 && qualite >= (format == 0 ? 2 : 0)) {
                    RGBQUAD p;
                    FreeImage_GetPixelColor(lue, 100, 50, &p);
                    QCOMPARE((QList<int>{p.rgbBlue, p.rgbGreen, p.rgbRed}),
                             (QList<int>{100 * 255 / 320, 63, 150}));
                }
                FreeImage_Unload(lue);
                if (format == 1) {
                    QVERIFY(QFileInfo(sortie).size() > tailleJpeg);
                    tailleJpeg = QFileInfo(sortie).size();
                }
                if (format == 3)
                    QCOMPARE(CompressionTiff(sortie), tiff[qualite]);
            }
        }
        const QStringList avant = EntreesDe(D());
        for (auto [format, qualite] : {std::pair{2, 2}, {0, -1}, {4, 0}}) {
            const auto r = Attendre(c, D() + "source.png", D() + "z.png", format, qualite);
            QVERIFY(r.fin == Fin::Refusee && r.bilan == ConversionFreeImage::ReglageInconnu);
        }
        QCOMPARE(EntreesDe(D()), avant);
    }

    // Hostile files fail and leave nothing; a 60000 x 60000 header is refused at once, cheaply.
    void fichiersHostiles() {
        QTemporaryDir d;
        const QString s = d.path() + u'/';
        QVERIFY(Ecrire(s + "x.bmp", "Ceci n'est pas une image.\n"));
        for (auto [nom, fif] :
             {std::pair{"t.png", FIF_PNG}, {"t.jpg", FIF_JPEG}, {"t.bmp", FIF_BMP}, {"t.tiff", FIF_TIFF}}) {
            EcrireImage(s + nom, 400, 300, fif, fif == FIF_TIFF ? TIFF_NONE : 0);
            QVERIFY(QFile::resize(s + nom, QFileInfo(s + nom).size() / 2));
        }
        // Headers claiming 9000 x 9000 (under the limit) and 60000 x 60000 over 1000 bytes.
        for (auto [nom, cote] : {std::pair{"ment.bmp", 9000}, {"geant.bmp", 60000}}) {
            QByteArray entete(54, '\0');
            const std::pair<int, int> champs[] = {{0, 0x4D42}, {2, 1054},  {10, 54}, {14, 40},
                                                  {18, cote},  {22, cote}, {26, 1},  {28, 24}};
            for (auto [position, valeur] : champs)
                qToLittleEndian<qint32>(valeur, entete.data() + position);
            QVERIFY(Ecrire(s + nom, entete + QByteArray(1000, '\x7f')));
        }
        QVERIFY(::mkfifo(QFile::encodeName(s + "tube.png").constData(), 0600) == 0);
        const QStringList avant = EntreesDe(s);
        ConversionIsolee c(OVAN_DECODEUR);
        using namespace ConversionFreeImage;
        const std::initializer_list<std::tuple<const char*, Fin, int>> cas = {
            {"x.bmp", Fin::Refusee, TypeRefuse},         {"t.png", Fin::Refusee, LectureImpossible},
            {"t.jpg", Fin::Refusee, LectureImpossible},  {"t.bmp", Fin::Refusee, LectureImpossible},
            {"t.tiff", Fin::Refusee, LectureImpossible}, {"ment.bmp", Fin::Refusee, LectureImpossible},
            {"geant.bmp", Fin::Refusee, TropGrande},     {"tube.png", Fin::Impossible, -1},
            {"absent.png", Fin::Impossible, -1}};
        for (const auto& [nom, fin, bilan] : cas) {
            const long memoire = MemoireResidente();
            const auto r = Attendre(c, s + nom, s + "sortie.bmp", 0, 2);
            QVERIFY2(r.fin == fin && r.bilan == bilan, nom);
            if (QByteArray(nom) == "geant.bmp") {
                QCOMPARE(int(r.largeur), 60000);
                QVERIFY2(r.dureeMs < 500 && r.creteKio < CreteMaxKio,
                         qPrintable(QStringLiteral("%1 ms, %2 KiB").arg(r.dureeMs).arg(r.creteKio)));
                QVERIFY(MemoireResidente() - memoire < 8 * 1024);
            }
        }
        QCOMPARE(EntreesDe(s), avant);
    }

    // A crash, hang, hog or memory limit ends the helper only, leaving nothing; its output is named on
    // success only, beside a name taken meanwhile; none of our descriptors leaks.
    void limites() {
        QTemporaryDir d;
        const QString s = d.path() + u'/';
        EcrireImage(s + "grande.png", 3000, 3000, FIF_PNG);
        const QStringList avant = EntreesDe(s);
        auto script = [](const QString& commande) { return QStringList{"-c", commande, "sh"}; };
        const int ouvert = ::open("/dev/null", O_RDONLY); // without close-on-exec
        const std::initializer_list<std::tuple<QStringList, ConversionIsolee::Limites, Fin>> cas = {
            {script("printf partiel >&$2; kill -SEGV $$"), {}, Fin::Interrompue},
            {script("printf partiel >&$2; exec sleep 60"), {0, 60, 300}, Fin::DelaiDepasse},
            {script("while :; do :; done"), {0, 1, 20000}, Fin::Interrompue},
            {script("printf partiel >&$2; exit 3"), {}, Fin::Refusee},
            {script(QStringLiteral("[ -e /proc/$$/fd/%1 ] && exit 9; printf complet >&$2").arg(ouvert)),
             {},
             Fin::Reussie}};
        for (const auto& [arguments, limites, fin] : cas) {
            ConversionIsolee c("/bin/sh", arguments);
            c.ReglerLimites(limites);
            QElapsedTimer montre;
            montre.start();
            const QString cible = s + "cible.bin";
            std::optional<ConversionIsolee::Resultat> r;
            QObject::connect(&c, &ConversionIsolee::terminee, [&](const auto& x) { r = x; });
            QVERIFY(c.Lancer(s + "grande.png", cible, 0, 2));
            QVERIFY(!r && !c.Lancer(s + "grande.png", cible, 0, 2));
            // The name is taken while the helper runs: the output goes beside it.
            if (fin == Fin::Reussie)
                QVERIFY(Ecrire(cible, "pris"));
            QTRY_VERIFY_WITH_TIMEOUT(r.has_value(), 20000);
            QVERIFY2(r->fin == fin, qPrintable(arguments[1]));
            QVERIFY(montre.elapsed() < 10000);
            if (fin == Fin::Reussie) {
                QCOMPARE(r->chemin, s + "cible_1.bin");
                QCOMPARE(Lire(r->chemin) + Lire(cible), QByteArray("completpris"));
                QVERIFY(QFile::remove(cible) && QFile::remove(r->chemin));
            }
            QCOMPARE(EntreesDe(s), avant);
        }
        ::close(ouvert);
        // Too little memory for 9 megapixels and their copy (not under the address sanitizer).
        ConversionIsolee c(OVAN_DECODEUR);
#if !defined(__SANITIZE_ADDRESS__)
        c.ReglerLimites({64 << 20, 60, 60000});
        QVERIFY(!Attendre(c, s + "grande.png", s + "grande.bmp", 0, 3).Reussie());
        c.ReglerLimites({});
#endif
        QVERIFY(Attendre(c, s + "grande.png", s + "grande.bmp", 0, 3).Reussie());
        ConversionIsolee absent(s + "absent");
        QCOMPARE(Attendre(absent, s + "grande.png", s + "x.bmp", 0, 2).fin, Fin::Impossible);
    }

    // Capture names (one count per extension) and refusals; only a name's last dot counts.
    void capture() {
        QTemporaryDir d;
        const QString s = d.path() + u'/';
        QCOMPARE(CheminSortieImage(s, "scan", 3), s + "scan.tiff");
        QCOMPARE(CheminSortieImage(s, "archive.old.png", 1), s + "archive.old.jpg");
        QCOMPARE(ConvFormatImage(s, 2, 0), QString()); // no capture yet
        EcrireImage(s + "CaptEcran1.bmp", 64, 48, FIF_BMP);
        QCOMPARE(QStringList({ConvFormatImage(s, 2, 0), ConvFormatImage(s, 2, 1), ConvFormatImage(s, 3, 4)}),
                 QStringList({"CaptEcran_1.png", "CaptEcran_2.png", "CaptEcran_1.tiff"}));
        const QStringList avant = EntreesDe(s);
        QCOMPARE(ConvFormatImage(s, 2, -1) + ConvFormatImage(s, 1, 5) + ConvFormatImage(s, 4, 0), QString());
        QCOMPARE(EntreesDe(s), avant);
        FIBITMAP* lue = FreeImage_Load(FIF_TIFF, QFile::encodeName(s + "CaptEcran_1.tiff").constData());
        QVERIFY(lue && FreeImage_GetBPP(lue) == 24 && FreeImage_GetWidth(lue) == 64);
        FreeImage_Unload(lue);
    }
    void captureBmp_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("couleurs");
        QTest::addColumn<int>("ecart"); // bytes the screen leaves after each row's own
        QTest::newRow("1 bit") << 1 << 2 << 3;
        QTest::newRow("4 bits") << 4 << 16 << 3;
        QTest::newRow("8 bits, 256 colours") << 8 << 256 << 3;
        QTest::newRow("8 bits, 16 colours given") << 8 << 16 << 0;
        QTest::newRow("16 bits") << 16 << 0 << 3;
        QTest::newRow("24 bits") << 24 << 0 << 0;
        QTest::newRow("32 bits") << 32 << 0 << 3;
    }
    // The headers field by field, the colour table, each row bottom first padded with zeros; pixels
    // that do not add up give nothing.
    void captureBmp() {
        QFETCH(int, bits);
        QFETCH(int, couleurs);
        QFETCH(int, ecart);
        const int largeur = 5, hauteur = 3;
        const qsizetype utiles = (largeur * bits + 7) / 8, pas = utiles + ecart;
        // Byte x of row y holds y * 16 + x; the last row ends the pixels.
        CaptureBmp::Pixels p{largeur, hauteur, bits, {}, QByteArray(pas * (hauteur - 1) + utiles, '\xEE'),
                             pas};
        for (int y = 0; y < hauteur; ++y)
            for (qsizetype x = 0; x < utiles; ++x)
                p.octets[y * p.ligne + x] = char(y * 16 + x);
        QByteArray table;
        for (int i = 0; i < couleurs; ++i) {
            p.palette << quint32((i << 16) | ((2 * i & 0xFF) << 8) | (3 * i & 0xFF));
            table.append(char(3 * i)).append(char(2 * i)).append(char(i)).append('\0');
        }
        const QByteArray f = CaptureBmp::Fichier(p);
        const qsizetype ligne = CaptureBmp::OctetsParLigne(largeur, bits);
        QVERIFY(ligne % 4 == 0 && ligne >= utiles && ligne < utiles + 4);
        const quint32 debut = 54 + 4 * couleurs;
        QCOMPARE(f.size(), qsizetype(debut + hauteur * ligne));
        QCOMPARE(f.left(2), QByteArray("BM"));
        QList<quint32> champs; // from offset 2, every 4 bytes
        for (int position = 2; position <= 50; position += 4)
            champs << qFromLittleEndian<quint32>(f.constData() + position);
        QCOMPARE(champs, (QList<quint32>{quint32(f.size()), 0, debut, 40, largeur, hauteur,
                                         quint32(1 | bits << 16), 0, 0, 0, 0, quint32(couleurs), 0}));
        QCOMPARE(f.mid(54, 4 * couleurs), table);
        for (int rang = 0; rang < hauteur; ++rang) {
            const QByteArray stockee = f.mid(debut + rang * ligne, ligne);
            QCOMPARE(stockee.left(utiles), p.octets.mid((hauteur - 1 - rang) * p.ligne, utiles));
            QCOMPARE(stockee.mid(utiles), QByteArray(ligne - utiles, '\0'));
        }
        for (const CaptureBmp::Pixels& faux : {CaptureBmp::Pixels{0, 5, 24, {}, QByteArray(100, 0), 12},
                                               {4, 5, 12, {}, QByteArray(100, 0), 12},
                                               {4, 5, 24, {}, QByteArray(30, 0), 12},
                                               {4, 5, 24, {}, QByteArray(100, 0), 8}})
            QVERIFY(CaptureBmp::Fichier(faux).isEmpty());
        QVERIFY(!CaptureBmp::Ecrire(QStringLiteral("/nonexistent/dir/x.bmp"), QByteArray("BM")));
    }
};

QTEST_GUILESS_MAIN(TestToolsNoyau)
#include "tst_tools_noyau.moc"

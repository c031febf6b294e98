// Pictures converted by the helper process and read back; hostile files; the helper's limits; names.
#include "Fichiers.h"
#include "core/tools/ConversionFormats.h"
#include "core/tools/ConversionFreeImage.h"
#include "core/tools/ConversionIsolee.h"
#include "support/Memoire.h"

#include <FreeImage.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using Fin = ConversionIsolee::Fin;

namespace {

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

QStringList Entrees(const QString& dossier) {
    return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class TestToolsImagesConversion : public QObject {
    Q_OBJECT
    QTemporaryDir m_dossier;
    QString D() const { return m_dossier.path() + u'/'; }

private slots:
    // Every format and quality: type, depth, size, colours, TIFF compression, JPEG size growing with
    // quality; a quality outside the table writes nothing.
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
        const QStringList avant = Entrees(D());
        for (auto [format, qualite] : {std::pair{2, 2}, {0, -1}, {4, 0}}) {
            const auto r = Attendre(c, D() + "source.png", D() + "z.png", format, qualite);
            QVERIFY(r.fin == Fin::Refusee && r.bilan == ConversionFreeImage::ReglageInconnu);
        }
        QCOMPARE(Entrees(D()), avant);
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
        const QStringList avant = Entrees(s);
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
                QVERIFY2(r.dureeMs < 500 && r.creteKio < 64 * 1024,
                         qPrintable(QStringLiteral("%1 ms, %2 KiB").arg(r.dureeMs).arg(r.creteKio)));
                QVERIFY(MemoireResidente() - memoire < 8 * 1024);
            }
        }
        QCOMPARE(Entrees(s), avant);
    }

    // A crash, a hang, a processor hog, a memory limit end the helper only and leave nothing; its
    // output is named on success only, beside a name taken meanwhile; none of our descriptors leaks.
    void limites() {
        QTemporaryDir d;
        const QString s = d.path() + u'/';
        EcrireImage(s + "grande.png", 3000, 3000, FIF_PNG);
        const QStringList avant = Entrees(s);
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
            QCOMPARE(Entrees(s), avant);
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
        const QStringList avant = Entrees(s);
        QCOMPARE(ConvFormatImage(s, 2, -1) + ConvFormatImage(s, 1, 5) + ConvFormatImage(s, 4, 0), QString());
        QCOMPARE(Entrees(s), avant);
        FIBITMAP* lue = FreeImage_Load(FIF_TIFF, QFile::encodeName(s + "CaptEcran_1.tiff").constData());
        QVERIFY(lue && FreeImage_GetBPP(lue) == 24 && FreeImage_GetWidth(lue) == 64);
        FreeImage_Unload(lue);
    }
};

QTEST_GUILESS_MAIN(TestToolsImagesConversion)
#include "tst_tools_images_conversion.moc"

// The files generated beside the program: the smiley bitmaps, the icon file, the sounds, and the
// sounds played for real.
#include "ui/app/Images.h"
#include "ui/platform/Sons.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>

namespace {

QString DossierProgramme() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../OVAN_Messenger")) +
           u'/';
}

QByteArray Lire(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint16 Mot(const QByteArray& o, int position) {
    return qFromLittleEndian<quint16>(o.constData() + position);
}

quint32 Double(const QByteArray& o, int position) {
    return qFromLittleEndian<quint32>(o.constData() + position);
}

QString Son(const char* nom) {
    return DossierProgramme() + QStringLiteral("Sons/%1.wav").arg(QLatin1String(nom));
}

} // namespace

class TestResourcesFichiers : public QObject {
    Q_OBJECT

private slots:
    void smileysBmp_data();
    void smileysBmp();
    void fichierIco();
    void sons();
    void sonsReels();
};

void TestResourcesFichiers::smileysBmp_data() {
    QTest::addColumn<int>("k");
    for (int k = 1; k <= 25; ++k) {
        QTest::newRow(qPrintable(QStringLiteral("smiley%1").arg(k))) << k;
    }
}

// 24-bit bitmaps the chat inserts as pictures: right size, white ground.
void TestResourcesFichiers::smileysBmp() {
    QFETCH(int, k);

    const QString chemin = DossierProgramme() + QStringLiteral("Smileys/smiley%1.bmp").arg(k);
    const QByteArray octets = Lire(chemin);
    QVERIFY2(octets.size() >= 54, qPrintable(chemin));
    QVERIFY(octets.startsWith("BM"));
    QCOMPARE(Double(octets, 2), quint32(octets.size()));
    QCOMPARE(Double(octets, 10), 54u);
    QCOMPARE(Mot(octets, 28), quint16(24));
    QCOMPARE(Double(octets, 30), 0u);

    const QSize taille = k == 23 ? QSize(22, 22) : (k == 13 || k == 25) ? QSize(20, 20) : QSize(19, 19);
    QCOMPARE(int(qint32(Double(octets, 18))), taille.width());
    QCOMPARE(int(qint32(Double(octets, 22))), taille.height()); // positive: bottom-up
    const int ligne = (taille.width() * 3 + 3) & ~3;
    QCOMPARE(octets.size(), 54 + ligne * taille.height());

    QImage bmp;
    QVERIFY(bmp.loadFromData(octets, "BMP"));
    QCOMPARE(bmp.size(), taille);
    QCOMPARE(bmp.pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(Images::TailleNaturelle(QStringLiteral("img_smy%1").arg(k)), taille);
}

void TestResourcesFichiers::fichierIco() {
    const QByteArray o = Lire(DossierProgramme() + QStringLiteral("OVAN_Messenger.ico"));
    QVERIFY(o.size() > 6);
    QCOMPARE(Mot(o, 0), quint16(0));
    QCOMPARE(Mot(o, 2), quint16(1));
    const int nombre = Mot(o, 4);
    QVERIFY(nombre >= 4);
    QVERIFY(o.size() >= 6 + 16 * nombre);

    QSet<int> cotes;
    int plusGrand = -1;
    QByteArray donneesPlusGrand;
    for (int i = 0; i < nombre; ++i) {
        const int e = 6 + 16 * i;
        const int l = uchar(o[e]) ? uchar(o[e]) : 256;
        const int h = uchar(o[e + 1]) ? uchar(o[e + 1]) : 256;
        QCOMPARE(l, h);
        QCOMPARE(Mot(o, e + 6), quint16(32));
        const quint32 taille = Double(o, e + 8);
        const quint32 position = Double(o, e + 12);
        QVERIFY(position >= quint32(6 + 16 * nombre));
        QVERIFY(qint64(position) + taille <= o.size());
        const QByteArray donnees = o.mid(int(position), int(taille));
        QVERIFY(donnees.startsWith("\x89PNG"));
        QImage image;
        QVERIFY(image.loadFromData(donnees, "PNG"));
        QCOMPARE(image.size(), QSize(l, l));
        cotes.insert(l);
        if (l > plusGrand) {
            plusGrand = l;
            donneesPlusGrand = donnees;
        }
    }
    QVERIFY(cotes.contains(16));
    QVERIFY(cotes.contains(32));
    QCOMPARE(plusGrand, 256);

    QImage grand;
    QVERIFY(grand.loadFromData(donneesPlusGrand));
    QVERIFY(grand.hasAlphaChannel());
    QCOMPARE(qAlpha(grand.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(grand.pixel(128, 150)), 255);
}

// Short 16-bit mono PCM at 44.1 kHz, one per event, that start and end at rest (no click) and
// never clip.
void TestResourcesFichiers::sons() {
    QList<QByteArray> vus;
    // "fmt " of 16 bytes: PCM, mono, 44100 Hz, 88200 bytes a second, blocks of 2, 16 bits.
    const QByteArray entete("WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xac\0\0\x88\x58\x01\0\x02\0\x10\0data", 32);
    for (const char* nom : {"coucou", "msg", "open", "close"}) {
        const QByteArray o = Lire(Son(nom));
        QVERIFY2(o.size() > 44 && o.startsWith("RIFF") && o.mid(8, 32) == entete, nom);
        QCOMPARE(Double(o, 4), quint32(o.size() - 8));
        QCOMPARE(Double(o, 40), quint32(o.size() - 44));
        const QByteArray donnees = o.mid(44);
        const qsizetype n = donnees.size() / 2;
        QVERIFY(n >= 4410 && n <= 44100);
        double crete = 0;
        double energie = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const double v = qint16(Mot(donnees, int(2 * i))) / 32768.0;
            crete = std::max(crete, std::abs(v));
            energie += v * v;
        }
        QVERIFY2(crete < 0.9, nom);
        QVERIFY2(std::sqrt(energie / n) > 0.02, nom);
        QVERIFY2(std::abs(qint16(Mot(donnees, 0))) < 328 &&
                     std::abs(qint16(Mot(donnees, int(2 * n - 2)))) < 328,
                 nom);
        QVERIFY2(!vus.contains(donnees), nom);
        vus << donnees;
    }
}

void TestResourcesFichiers::sonsReels() {
    QTemporaryDir dossier;
    const QString faux = dossier.filePath(QStringLiteral("faux.wav"));
    QFile f(faux);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("pas un son") > 0);
    f.close();

    // Nothing to play: the audio layer is not even started.
    SonsReels sons;
    sons.Jouer(dossier.filePath(QStringLiteral("absent.wav")));
    sons.Jouer(faux);
    sons.Jouer(QString());
    QVERIFY(!sons.Effet());

    // Without an audio device it may fail to load: it must still return at once and never hang.
    QElapsedTimer chrono;
    chrono.start();
    sons.Jouer(Son("msg"));
    sons.Jouer(Son("coucou"));
    QVERIFY(chrono.elapsed() < 2000);
    QVERIFY(sons.Effet());
    QCOMPARE(sons.Effet()->source(), QUrl::fromLocalFile(Son("coucou")));
    QTRY_VERIFY_WITH_TIMEOUT(sons.Effet()->status() != QSoundEffect::Loading, 5000);
    sons.Jouer(Son("msg"));
    QCOMPARE(sons.Effet()->source(), QUrl::fromLocalFile(Son("msg")));
    // Qt's loader thread must be done before the program ends, or what it holds is reported lost.
    QTRY_VERIFY_WITH_TIMEOUT(sons.Effet()->status() != QSoundEffect::Loading, 5000);
}

QTEST_MAIN(TestResourcesFichiers)
#include "tst_resources_fichiers.moc"

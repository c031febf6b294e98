// The files generated beside the program: the smiley bitmaps, the icon file, the sounds, and the
// sounds played for real.
#include "Fichiers.h"
#include "ui/app/Images.h"
#include "ui/platform/Sons.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>

namespace {

QString DossierProgramme() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../OVAN_Messenger") + u'/';
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
    // 24-bit bottom-up bitmaps the chat inserts as pictures, at the artwork's size, white ground.
    void smileysBmp() {
        for (int k = 1; k <= 25; ++k) {
            const QByteArray octets =
                Lire(DossierProgramme() + QStringLiteral("Smileys/smiley%1.bmp").arg(k));
            QImage bmp;
            QVERIFY2(bmp.loadFromData(octets, "BMP"), qPrintable(QString::number(k)));
            QCOMPARE(octets.mid(26, 4), QByteArray("\x01\0\x18\0", 4)); // one plane, 24 bits
            QVERIFY(qint32(Double(octets, 22)) > 0 && Double(octets, 30) == 0);
            QCOMPARE(bmp.size(), Images::TailleNaturelle(QStringLiteral("img_smy%1").arg(k)));
            QCOMPARE(bmp.pixel(0, 0), qRgb(255, 255, 255));
        }
        QCOMPARE(Images::TailleNaturelle("img_smy13"), QSize(20, 20));
    }

    // Square pictures from 16 to 256 pixels, with a transparent corner and an opaque middle.
    void fichierIco() {
        QImageReader ico(DossierProgramme() + "OVAN_Messenger.ico", "ico");
        QList<int> cotes;
        for (int i = 0; i < ico.imageCount() && ico.jumpToImage(i); ++i) {
            const QImage image = ico.read();
            QCOMPARE(image.width(), image.height());
            QVERIFY(image.hasAlphaChannel() && qAlpha(image.pixel(0, 0)) == 0);
            QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() * 150 / 256)), 255);
            cotes << image.width();
        }
        QVERIFY2(cotes.contains(16) && cotes.contains(32) && cotes.contains(256),
                 qPrintable(ico.errorString()));
    }

    // Short 16-bit mono PCM at 44.1 kHz, one per event, that start and end at rest (no click) and
    // never clip.
    void sons() {
        QList<QByteArray> vus;
        // "fmt " of 16 bytes: PCM, mono, 44100 Hz, 88200 bytes a second, blocks of 2, 16 bits.
        const QByteArray entete("WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xac\0\0\x88\x58\x01\0\x02\0\x10\0data",
                                32);
        for (const char* nom : {"coucou", "msg", "open", "close"}) {
            const QByteArray o = Lire(Son(nom));
            QVERIFY2(o.startsWith("RIFF") && o.mid(8, 32) == entete, nom);
            QVERIFY(Double(o, 4) == quint32(o.size() - 8) && Double(o, 40) == quint32(o.size() - 44));
            const auto* echantillons = reinterpret_cast<const qint16*>(o.constData() + 44);
            const qsizetype n = (o.size() - 44) / 2;
            QVERIFY(n >= 4410 && n <= 44100);
            double crete = 0, energie = 0;
            for (qsizetype i = 0; i < n; ++i) {
                const double v = qFromLittleEndian(echantillons[i]) / 32768.0;
                crete = std::max(crete, std::abs(v));
                energie += v * v;
            }
            QVERIFY2(crete < 0.9 && std::sqrt(energie / n) > 0.02, nom);
            QVERIFY2(std::abs(qFromLittleEndian(echantillons[0])) < 328 &&
                         std::abs(qFromLittleEndian(echantillons[n - 1])) < 328,
                     nom);
            QVERIFY2(!vus.contains(o.mid(44)), nom);
            vus << o.mid(44);
        }
    }

    // Nothing to play does not even start the audio layer; without an audio device a sound may fail
    // to load, but playing returns at once and the latest sound is the one loaded.
    void sonsReels() {
        QTemporaryDir dossier;
        QFile faux(dossier.filePath("faux.wav"));
        QVERIFY(faux.open(QIODevice::WriteOnly) && faux.write("pas un son") > 0);
        faux.close();
        SonsReels sons;
        sons.Jouer(dossier.filePath("absent.wav"));
        sons.Jouer(faux.fileName());
        sons.Jouer(QString());
        QVERIFY(!sons.Effet());
        QElapsedTimer chrono;
        chrono.start();
        sons.Jouer(Son("msg"));
        sons.Jouer(Son("coucou"));
        QVERIFY(chrono.elapsed() < 2000);
        QCOMPARE(sons.Effet()->source(), QUrl::fromLocalFile(Son("coucou")));
        QTRY_VERIFY_WITH_TIMEOUT(sons.Effet()->status() != QSoundEffect::Loading, 5000);
        sons.Jouer(Son("msg"));
        QCOMPARE(sons.Effet()->source(), QUrl::fromLocalFile(Son("msg")));
        // Qt's loader thread must be done before the program ends, or what it holds is reported lost.
        QTRY_VERIFY_WITH_TIMEOUT(sons.Effet()->status() != QSoundEffect::Loading, 5000);
    }
};

QTEST_MAIN(TestResourcesFichiers)
#include "tst_resources_fichiers.moc"

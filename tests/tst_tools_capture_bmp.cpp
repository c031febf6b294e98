// The raw capture's bitmap file, from made-up pixels at each depth a screen can have.
#include "core/tools/CaptureBmp.h"

#include <QTest>
#include <QtEndian>

namespace {

quint32 Long(const QByteArray& f, int position) {
    return qFromLittleEndian<quint32>(f.constData() + position);
}

quint16 Mot(const QByteArray& f, int position) {
    return qFromLittleEndian<quint16>(f.constData() + position);
}

// Rows whose bytes say where they are: row y, byte x holds y * 16 + x (mod 256).
CaptureBmp::Pixels Motif(int largeur, int hauteur, int bits, qsizetype ligne) {
    CaptureBmp::Pixels p{largeur, hauteur, bits, {}, QByteArray(ligne * hauteur, '\xEE'), ligne};
    const qsizetype utiles = (qsizetype(largeur) * bits + 7) / 8;
    for (int y = 0; y < hauteur; ++y) {
        for (qsizetype x = 0; x < utiles; ++x) {
            p.octets[y * ligne + x] = char(y * 16 + x);
        }
    }
    return p;
}

} // namespace

class TestToolsCaptureBmp : public QObject {
    Q_OBJECT
private slots:
    void entetesEtLignes_data();
    void entetesEtLignes();
    void ecranCourant();
    void pixelsIncoherents();
};

void TestToolsCaptureBmp::entetesEtLignes_data() {
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("couleurs");
    QTest::newRow("8 bits, 256 colours") << 8 << 256;
    QTest::newRow("8 bits, 16 colours given") << 8 << 16;
    QTest::newRow("16 bits") << 16 << 0;
    QTest::newRow("24 bits") << 24 << 0;
    QTest::newRow("32 bits") << 32 << 0;
}

// The headers field by field, the colour table, and each row bottom first, padded with zeros.
void TestToolsCaptureBmp::entetesEtLignes() {
    QFETCH(int, bits);
    QFETCH(int, couleurs);
    const int largeur = 5, hauteur = 3;
    CaptureBmp::Pixels p = Motif(largeur, hauteur, bits, (largeur * bits + 7) / 8 + 3);
    for (int i = 0; i < couleurs; ++i) {
        p.palette << quint32((i << 16) | ((2 * i & 0xFF) << 8) | (3 * i & 0xFF));
    }
    const QByteArray f = CaptureBmp::Fichier(p);
    const qsizetype ligne = CaptureBmp::OctetsParLigne(largeur, bits);
    QCOMPARE(ligne % 4, 0);
    QVERIFY(ligne >= (largeur * bits + 7) / 8 && ligne < (largeur * bits + 7) / 8 + 4);
    const int debut = 54 + 4 * couleurs;
    QCOMPARE(f.left(2), QByteArray("BM"));
    QCOMPARE(Long(f, 2), quint32(debut + hauteur * ligne));
    QCOMPARE(f.size(), qsizetype(debut + hauteur * ligne));
    QCOMPARE(Long(f, 6), 0u);
    QCOMPARE(Long(f, 10), quint32(debut));
    QCOMPARE(Long(f, 14), 40u);
    QCOMPARE(Long(f, 18), quint32(largeur));
    QCOMPARE(Long(f, 22), quint32(hauteur));
    QCOMPARE(Mot(f, 26), quint16(1));
    QCOMPARE(Mot(f, 28), quint16(bits));
    for (int champ : {30, 34, 38, 42, 50}) {
        QCOMPARE(Long(f, champ), 0u);
    }
    QCOMPARE(Long(f, 46), quint32(couleurs));
    for (int i = 0; i < couleurs; ++i) {
        const QByteArray entree = f.mid(54 + 4 * i, 4);
        QCOMPARE(quint8(entree[0]), quint8(3 * i));
        QCOMPARE(quint8(entree[1]), quint8(2 * i));
        QCOMPARE(quint8(entree[2]), quint8(i));
        QCOMPARE(quint8(entree[3]), quint8(0));
    }
    const qsizetype utiles = (largeur * bits + 7) / 8;
    for (int rang = 0; rang < hauteur; ++rang) {
        const int y = hauteur - 1 - rang;
        const QByteArray stockee = f.mid(debut + rang * ligne, ligne);
        QCOMPARE(stockee.left(utiles), p.octets.mid(y * p.ligne, utiles));
        QCOMPARE(stockee.mid(utiles), QByteArray(ligne - utiles, '\0'));
    }
}

// The sizes the document gives for a 1366 x 768 screen.
void TestToolsCaptureBmp::ecranCourant() {
    CaptureBmp::Pixels p{1366, 768, 24, {}, QByteArray(4098 * 768, '\x10'), 4098};
    const QByteArray f = CaptureBmp::Fichier(p);
    QCOMPARE(CaptureBmp::OctetsParLigne(1366, 24), qsizetype(4100));
    QCOMPARE(f.size(), qsizetype(54 + 768 * 4100));
    CaptureBmp::Pixels huit{8, 2, 8, QList<quint32>(256, 0), QByteArray(16, '\1'), 8};
    QCOMPARE(Long(CaptureBmp::Fichier(huit), 10), 1078u);
    CaptureBmp::Pixels trenteDeux{4, 2, 32, {}, QByteArray(32, '\1'), 16};
    const QByteArray f32 = CaptureBmp::Fichier(trenteDeux);
    QCOMPARE(Long(f32, 10), 54u);
    QCOMPARE(Long(f32, 46), 0u);
}

void TestToolsCaptureBmp::pixelsIncoherents() {
    QVERIFY(CaptureBmp::Fichier({0, 5, 24, {}, QByteArray(100, 0), 12}).isEmpty());
    QVERIFY(CaptureBmp::Fichier({4, 5, 12, {}, QByteArray(100, 0), 12}).isEmpty());
    QVERIFY(CaptureBmp::Fichier({4, 5, 24, {}, QByteArray(30, 0), 12}).isEmpty());
    QVERIFY(CaptureBmp::Fichier({4, 5, 24, {}, QByteArray(100, 0), 8}).isEmpty());
    QVERIFY(!CaptureBmp::Ecrire(QStringLiteral("/nonexistent/dir/x.bmp"), QByteArray("BM")));
}

QTEST_GUILESS_MAIN(TestToolsCaptureBmp)
#include "tst_tools_capture_bmp.moc"

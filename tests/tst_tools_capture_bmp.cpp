// The raw capture's bitmap file, from made-up pixels at each depth a screen can have.
#include "core/tools/CaptureBmp.h"

#include <QTest>
#include <QtEndian>

class TestToolsCaptureBmp : public QObject {
    Q_OBJECT
private slots:
    void entetesEtLignes_data() {
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
    // The headers field by field, the colour table, and each row bottom first, padded with zeros.
    void entetesEtLignes() {
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
        QCOMPARE(ligne % 4, 0);
        QVERIFY(ligne >= utiles && ligne < utiles + 4);
        const quint32 debut = 54 + 4 * couleurs;
        QCOMPARE(f.size(), qsizetype(debut + hauteur * ligne));
        QCOMPARE(f.left(2), QByteArray("BM"));
        const std::pair<int, quint32> champs[] = {{2, quint32(f.size())},
                                                  {6, 0},
                                                  {10, debut},
                                                  {14, 40},
                                                  {18, largeur},
                                                  {22, hauteur},
                                                  {26, 1 | bits << 16},
                                                  {30, 0},
                                                  {34, 0},
                                                  {38, 0},
                                                  {42, 0},
                                                  {46, couleurs},
                                                  {50, 0}};
        for (const auto& [position, valeur] : champs)
            QCOMPARE(qFromLittleEndian<quint32>(f.constData() + position), valeur);
        QCOMPARE(f.mid(54, 4 * couleurs), table);
        for (int rang = 0; rang < hauteur; ++rang) {
            const QByteArray stockee = f.mid(debut + rang * ligne, ligne);
            QCOMPARE(stockee.left(utiles), p.octets.mid((hauteur - 1 - rang) * p.ligne, utiles));
            QCOMPARE(stockee.mid(utiles), QByteArray(ligne - utiles, '\0'));
        }
    }

    void pixelsIncoherents() {
        QVERIFY(CaptureBmp::Fichier({0, 5, 24, {}, QByteArray(100, 0), 12}).isEmpty());
        QVERIFY(CaptureBmp::Fichier({4, 5, 12, {}, QByteArray(100, 0), 12}).isEmpty());
        QVERIFY(CaptureBmp::Fichier({4, 5, 24, {}, QByteArray(30, 0), 12}).isEmpty());
        QVERIFY(CaptureBmp::Fichier({4, 5, 24, {}, QByteArray(100, 0), 8}).isEmpty());
        QVERIFY(!CaptureBmp::Ecrire(QStringLiteral("/nonexistent/dir/x.bmp"), QByteArray("BM")));
    }
};

QTEST_GUILESS_MAIN(TestToolsCaptureBmp)
#include "tst_tools_capture_bmp.moc"

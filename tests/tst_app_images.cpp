// The artwork compiled into the program: every picture draws, disabled faces are grey twins,
// names are found whatever their case, tabs and links lie on the zones that react.
#include "ui/app/Images.h"

#include <QTest>

#include <cmath>

namespace {

bool ToutTransparent(const QImage& image) {
    const QImage i = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < i.height(); ++y) {
        for (int x = 0; x < i.width(); ++x) {
            if (qAlpha(i.pixel(x, y)) != 0) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

class TestAppImages : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void chaqueNomSeDessine_data();
    void chaqueNomSeDessine();
    void facesGrisees_data();
    void facesGrisees();
    void recherche();
    void iconeProgramme();
    void ongletsSurLeursZones_data();
    void ongletsSurLeursZones();
    void liensDansLeursZones();
};

void TestAppImages::initTestCase() {
    QVERIFY2(!Images::Noms().isEmpty(), "no artwork compiled into the program");
}

void TestAppImages::chaqueNomSeDessine_data() {
    QTest::addColumn<QString>("nom");
    for (const QString& nom : Images::Noms()) {
        QTest::newRow(qPrintable(nom)) << nom;
    }
}

// Every picture at its own size and at 200 %: sharp (twice the pixels), never blank.
void TestAppImages::chaqueNomSeDessine() {
    QFETCH(QString, nom);

    QVERIFY(Images::Existe(nom));
    const QSize naturelle = Images::TailleNaturelle(nom);
    QVERIFY(!naturelle.isEmpty());

    const QPixmap simple = Images::Pixmap(nom);
    QVERIFY(!simple.isNull());
    QCOMPARE(simple.size(), naturelle);
    QVERIFY(!ToutTransparent(simple.toImage()));

    const QPixmap double_ = Images::Pixmap(nom, 2.0);
    QCOMPARE(double_.size(), naturelle * 2);
    QCOMPARE(double_.devicePixelRatio(), 2.0);
    QCOMPARE(double_.deviceIndependentSize().toSize(), naturelle);
    QVERIFY(!ToutTransparent(double_.toImage()));
}

void TestAppImages::facesGrisees_data() {
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("grisee");
    int nombre = 0;
    for (const QString& nom : Images::Noms()) {
        if (nom.endsWith(QLatin1String("_e"))) {
            const QString grisee = nom.chopped(2) + QLatin1String("_d");
            QTest::newRow(qPrintable(grisee)) << nom << grisee;
            ++nombre;
        }
    }
    QCOMPARE(nombre, 9);
}

// Same shape, grey and lighter: the disabled face reads as the same button, not now.
void TestAppImages::facesGrisees() {
    QFETCH(QString, active);
    QFETCH(QString, grisee);

    QVERIFY(Images::Existe(grisee));
    QCOMPARE(Images::TailleNaturelle(grisee), Images::TailleNaturelle(active));
    const QSize taille = Images::TailleNaturelle(active) * 2;
    const QImage e = Images::Image(active, taille).convertToFormat(QImage::Format_ARGB32);
    const QImage d = Images::Image(grisee, taille).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(e != d);

    double lumE = 0;
    double lumD = 0;
    int opaques = 0;
    for (int y = 0; y < taille.height(); ++y) {
        for (int x = 0; x < taille.width(); ++x) {
            const QRgb pe = e.pixel(x, y);
            const QRgb pd = d.pixel(x, y);
            QVERIFY(std::abs(qAlpha(pe) - qAlpha(pd)) <= 1);
            if (qAlpha(pd) == 255) {
                QVERIFY2(std::abs(qRed(pd) - qGreen(pd)) <= 1 && std::abs(qGreen(pd) - qBlue(pd)) <= 1,
                         qPrintable(QStringLiteral("colour left at %1,%2").arg(x).arg(y)));
                lumE += qGray(pe);
                lumD += qGray(pd);
                ++opaques;
            }
        }
    }
    QVERIFY(opaques > taille.width() * taille.height() / 2);
    QVERIFY(lumD > lumE);
}

void TestAppImages::recherche() {
    QVERIFY(Images::Existe(QStringLiteral("IMG_FOND")));
    QVERIFY(Images::Existe(QStringLiteral("Img_Conn_D")));
    QVERIFY(Images::Existe(QStringLiteral("a")));
    QCOMPARE(Images::TailleNaturelle(QStringLiteral("IMG_SMY23")), QSize(22, 22));
    QCOMPARE(Images::Pixmap(QStringLiteral("IMG_CONN_D")).toImage(),
             Images::Pixmap(QStringLiteral("img_conn_d")).toImage());

    // Only an enabled face has a disabled twin.
    for (const QString& inconnu :
         {QStringLiteral("img_rien"), QStringLiteral("img_quit_d"), QStringLiteral("img_conn"), QString()}) {
        QVERIFY2(!Images::Existe(inconnu), qPrintable(inconnu));
        QVERIFY(Images::TailleNaturelle(inconnu).isEmpty());
        QVERIFY(Images::Pixmap(inconnu).isNull());
        QVERIFY(Images::Pixmap(inconnu, QSize(10, 10), 2.0).isNull());
        QVERIFY(Images::Image(inconnu, QSize(10, 10)).isNull());
    }
    QVERIFY(Images::Pixmap(QStringLiteral("img_ok"), QSize()).isNull());
}

void TestAppImages::iconeProgramme() {
    const QIcon icone = Images::IconeProgramme();
    QVERIFY(!icone.isNull());
    const QList<QSize> tailles = icone.availableSizes();
    QVERIFY(tailles.contains(QSize(16, 16)));
    QVERIFY(tailles.contains(QSize(256, 256)));
    QVERIFY(!ToutTransparent(icone.pixmap(16, 16).toImage()));
}

void TestAppImages::ongletsSurLeursZones_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QList<int>>("bords"); // x0, x1 of each tab, inclusive
    QTest::addColumn<int>("y0");
    QTest::addColumn<int>("y1");
    QTest::newRow("img_fenappos") << QStringLiteral("img_fenappos") << QList<int>{14, 102, 105, 193, 196, 245}
                                  << 123 << 139;
    QTest::newRow("img_fenoption") << QStringLiteral("img_fenoption")
                                   << QList<int>{15, 103, 106, 194, 197, 285} << 75 << 93;
}

// Page n lights tab n, and a tab's drawing covers exactly the zone that reacts to clicks.
void TestAppImages::ongletsSurLeursZones() {
    QFETCH(QString, page);
    QFETCH(QList<int>, bords);
    QFETCH(int, y0);
    QFETCH(int, y1);

    QImage pages[3];
    for (int n = 0; n < 3; ++n) {
        const QString nom = page + QString::number(n + 1);
        pages[n] = Images::Image(nom, Images::TailleNaturelle(nom)).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!pages[n].isNull());
    }
    const int y = (y0 + y1) / 2;
    for (int onglet = 0; onglet < 3; ++onglet) {
        const int autre1 = (onglet + 1) % 3;
        const int autre2 = (onglet + 2) % 3;
        for (int x : {bords[2 * onglet], bords[2 * onglet + 1]}) {
            const QString ou = QStringLiteral("tab %1 at x %2").arg(onglet + 1).arg(x);
            QVERIFY2(pages[onglet].pixel(x, y) != pages[autre1].pixel(x, y), qPrintable(ou));
            QVERIFY2(pages[autre1].pixel(x, y) == pages[autre2].pixel(x, y), qPrintable(ou));
        }
        // Just outside the zone nothing changes from page to page.
        for (int x : {bords[2 * onglet] - 1, bords[2 * onglet + 1] + 1}) {
            const QString ou = QStringLiteral("beside tab %1 at x %2").arg(onglet + 1).arg(x);
            QVERIFY2(pages[onglet].pixel(x, y) == pages[autre1].pixel(x, y), qPrintable(ou));
        }
    }
}

// The two e-mail links: blue text inside their zones, no link blue elsewhere on those rows.
void TestAppImages::liensDansLeursZones() {
    const QImage page = Images::Image(QStringLiteral("img_fenappos2"), QSize(355, 275));
    auto bleu = [&](int x, int y) {
        const QRgb c = page.pixel(x, y);
        return qBlue(c) > qRed(c) + 80 && qBlue(c) > qGreen(c) + 40;
    };
    const QRect zones[] = {QRect(QPoint(83, 190), QPoint(171, 200)),
                           QRect(QPoint(83, 220), QPoint(169, 230))};
    for (const QRect& zone : zones) {
        int dedans = 0;
        for (int y = zone.top(); y <= zone.bottom(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                if (zone.contains(x, y)) {
                    dedans += bleu(x, y);
                } else {
                    QVERIFY2(!bleu(x, y), qPrintable(QStringLiteral("link colour at %1,%2").arg(x).arg(y)));
                }
            }
        }
        QVERIFY(dedans > 60);
        // The underline runs along the zone's width.
        int souligne = 0;
        for (int x = zone.left(); x <= zone.right(); ++x) {
            souligne += bleu(x, zone.bottom());
        }
        QVERIFY(souligne > zone.width() * 8 / 10);
    }
}

QTEST_MAIN(TestAppImages)
#include "tst_app_images.moc"

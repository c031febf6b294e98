// The artwork compiled into the program and the files generated beside it.
#include "app/Images.h"

#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QSet>
#include <QTest>
#include <QtEndian>

#include <cmath>

namespace {

QSize TailleSmiley(int k) {
    return k == 23 ? QSize(22, 22) : (k == 13 || k == 25) ? QSize(20, 20) : QSize(19, 19);
}

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

QString DossierProgramme() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../OVAN_Messenger/");
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

struct Son {
    int frequence = 0;
    int canaux = 0;
    int bits = 0;
    int format = 0;
    std::vector<double> echantillons; // -1..1
    QString erreur;

    double Duree() const { return double(echantillons.size()) / frequence; }
};

// Walks the RIFF chunks rather than assuming a 44-byte header.
Son LireWav(const QByteArray& o) {
    Son s;
    if (o.size() < 12 || !o.startsWith("RIFF") || o.mid(8, 4) != "WAVE") {
        s.erreur = QStringLiteral("not RIFF/WAVE");
        return s;
    }
    if (Double(o, 4) != quint32(o.size() - 8)) {
        s.erreur = QStringLiteral("RIFF size field does not match the file");
        return s;
    }
    int p = 12;
    bool fmt = false;
    while (p + 8 <= o.size()) {
        const QByteArray id = o.mid(p, 4);
        const quint32 taille = Double(o, p + 4);
        const int debut = p + 8;
        if (debut + qint64(taille) > o.size()) {
            s.erreur = QStringLiteral("chunk past the end");
            return s;
        }
        if (id == "fmt ") {
            s.format = Mot(o, debut);
            s.canaux = Mot(o, debut + 2);
            s.frequence = int(Double(o, debut + 4));
            s.bits = Mot(o, debut + 14);
            if (Double(o, debut + 8) != quint32(s.frequence * s.canaux * s.bits / 8) ||
                Mot(o, debut + 12) != s.canaux * s.bits / 8) {
                s.erreur = QStringLiteral("byte rate or block align inconsistent");
                return s;
            }
            fmt = true;
        } else if (id == "data" && fmt && s.bits == 16) {
            for (quint32 i = 0; i + 1 < taille; i += 2) {
                s.echantillons.push_back(qint16(Mot(o, debut + int(i))) / 32768.0);
            }
        }
        p = debut + int(taille) + int(taille & 1);
    }
    if (!fmt || s.echantillons.empty()) {
        s.erreur = QStringLiteral("missing fmt or data chunk");
    }
    return s;
}

} // namespace

class TestImages : public QObject {
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

    void smileysBmp_data();
    void smileysBmp();
    void fichierIco();
    void sons_data();
    void sons();
    void sonsDistincts();
};

void TestImages::initTestCase() {
    QVERIFY2(!Images::Noms().isEmpty(), "no artwork compiled into the program");
}

void TestImages::chaqueNomSeDessine_data() {
    QTest::addColumn<QString>("nom");
    for (const QString& nom : Images::Noms()) {
        QTest::newRow(qPrintable(nom)) << nom;
    }
}

// Every picture at its own size and at 200 %: sharp (twice the pixels), never blank.
void TestImages::chaqueNomSeDessine() {
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

void TestImages::facesGrisees_data() {
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
void TestImages::facesGrisees() {
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

void TestImages::recherche() {
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

void TestImages::iconeProgramme() {
    const QIcon icone = Images::IconeProgramme();
    QVERIFY(!icone.isNull());
    const QList<QSize> tailles = icone.availableSizes();
    QVERIFY(tailles.contains(QSize(16, 16)));
    QVERIFY(tailles.contains(QSize(256, 256)));
    QVERIFY(!ToutTransparent(icone.pixmap(16, 16).toImage()));
}

void TestImages::ongletsSurLeursZones_data() {
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
void TestImages::ongletsSurLeursZones() {
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
void TestImages::liensDansLeursZones() {
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

void TestImages::smileysBmp_data() {
    QTest::addColumn<int>("k");
    for (int k = 1; k <= 25; ++k) {
        QTest::newRow(qPrintable(QStringLiteral("smiley%1").arg(k))) << k;
    }
}

// 24-bit bitmaps the chat inserts as pictures: right size, white ground.
void TestImages::smileysBmp() {
    QFETCH(int, k);

    const QString chemin = DossierProgramme() + QStringLiteral("Smileys/smiley%1.bmp").arg(k);
    const QByteArray octets = Lire(chemin);
    QVERIFY2(octets.size() >= 54, qPrintable(chemin));
    QVERIFY(octets.startsWith("BM"));
    QCOMPARE(Double(octets, 2), quint32(octets.size()));
    QCOMPARE(Double(octets, 10), 54u);
    QCOMPARE(Mot(octets, 28), quint16(24));
    QCOMPARE(Double(octets, 30), 0u);

    const QSize taille = TailleSmiley(k);
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

void TestImages::fichierIco() {
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

void TestImages::sons_data() {
    QTest::addColumn<QString>("nom");
    for (const char* nom : {"coucou", "msg", "open", "close"}) {
        QTest::newRow(nom) << QString::fromLatin1(nom);
    }
}

// Short PCM sounds that start and end at rest (no click) and never clip.
void TestImages::sons() {
    QFETCH(QString, nom);

    const Son s = LireWav(Lire(DossierProgramme() + QStringLiteral("Sons/%1.wav").arg(nom)));
    QVERIFY2(s.erreur.isEmpty(), qPrintable(s.erreur));
    QCOMPARE(s.format, 1);
    QCOMPARE(s.canaux, 1);
    QCOMPARE(s.bits, 16);
    QCOMPARE(s.frequence, 44100);
    QVERIFY(s.Duree() >= 0.1 && s.Duree() <= 1.0);

    double crete = 0;
    double energie = 0;
    for (double v : s.echantillons) {
        crete = std::max(crete, std::abs(v));
        energie += v * v;
    }
    QVERIFY2(crete < 0.9, qPrintable(QString::number(crete)));
    QVERIFY(std::sqrt(energie / s.echantillons.size()) > 0.02);
    QVERIFY(std::abs(s.echantillons.front()) < 0.01);
    QVERIFY(std::abs(s.echantillons.back()) < 0.01);
}

// Each event has a sound of its own.
void TestImages::sonsDistincts() {
    QList<std::vector<double>> sons;
    for (const char* nom : {"coucou", "msg", "open", "close"}) {
        const Son s =
            LireWav(Lire(DossierProgramme() + QStringLiteral("Sons/%1.wav").arg(QLatin1String(nom))));
        QVERIFY2(s.erreur.isEmpty(), nom);
        for (const auto& autre : sons) {
            QVERIFY2(autre != s.echantillons, nom);
        }
        sons.append(s.echantillons);
    }
}

QTEST_MAIN(TestImages)
#include "tst_images.moc"

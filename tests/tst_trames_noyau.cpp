// The core's frames without a window: what each received frame means, and the bytes we send.
#include "chat/DecodeurTrames.h"
#include "chat/EnvoiTrames.h"
#include "chat/Trame.h"

#include <QTest>

namespace {

// A literal that may hold 0x00 bytes.
template <std::size_t N> QByteArray O(const char (&s)[N]) {
    return QByteArray(s, qsizetype(N - 1));
}

// Every signal of a decoder, as one readable line each, in the order they came.
struct Journal {
    QStringList lignes;

    explicit Journal(DecodeurTrames& d) {
        QObject::connect(&d, &DecodeurTrames::connecte, [this](const QString& p) { Noter("LOG " + p); });
        QObject::connect(&d, &DecodeurTrames::pseudoChange, [this](const QString& p) { Noter("PSE " + p); });
        QObject::connect(&d, &DecodeurTrames::message, [this](int p, int c, int s, const QString& t) {
            Noter(QStringLiteral("TXT %1 %2 %3 ").arg(p).arg(c).arg(s) + t);
        });
        QObject::connect(&d, &DecodeurTrames::statut, [this](bool a) { Noter(a ? "STA abs" : "STA prs"); });
        QObject::connect(&d, &DecodeurTrames::frappe, [this](bool e) { Noter(e ? "TAP ecr" : "TAP vid"); });
        QObject::connect(&d, &DecodeurTrames::attentePseudo, [this] { Noter("ATT"); });
        QObject::connect(&d, &DecodeurTrames::offre,
                         [this](const QString& n, qint64 t, const QByteArray& tt) {
                             Noter("DEM " + n + '|' + QString::number(t) + '|' + QString::fromLatin1(tt));
                         });
        QObject::connect(&d, &DecodeurTrames::reponse, [this](bool o) { Noter(o ? "RPS oui" : "RPS non"); });
        QObject::connect(&d, &DecodeurTrames::annulation, [this] { Noter("ANN"); });
    }
    void Noter(const QString& ligne) { lignes.append(ligne); }
};

// The bytes of one or more reads through the real reader, then the decoder.
QStringList Decoder(const QByteArray& flux) {
    DecodeurTrames decodeur;
    Journal journal(decodeur);
    Trame::LecteurTrames lecteur;
    for (const Trame::TrameRecue& trame : lecteur.Ajouter(flux))
        decodeur.Decoder(trame);
    return journal.lignes;
}

QByteArray OctetsC1() {
    QByteArray octets;
    for (int o = 0x80; o <= 0x9F; ++o)
        octets += char(o);
    return octets;
}

} // namespace

class TestTramesNoyau : public QObject {
    Q_OBJECT

private slots:
    void chaqueBalise_data();
    void chaqueBalise();
    void mauvaisesDonnees_data();
    void mauvaisesDonnees();
    void envoiOctetsExacts();
    void envoiPuisDecodage();
};

void TestTramesNoyau::chaqueBalise_data() {
    QTest::addColumn<QByteArray>("flux");
    QTest::addColumn<QStringList>("attendu");
    QTest::newRow("LOG") << QByteArray("[LOG]Zo\xe9\x03") << QStringList{"LOG Zoé"};
    QTest::newRow("PSE") << QByteArray("[PSE]\x80uro\x03") << QStringList{"PSE €uro"};
    QTest::newRow("TXT") << QByteArray("[TXT]165_Salut\r\n\xe7"
                                       "a va\x03")
                         << QStringList{"TXT 1 6 5 Salut\r\nça va"};
    QTest::newRow("STA") << QByteArray("[STA]abs\x03[STA]prs\x03") << QStringList{"STA abs", "STA prs"};
    QTest::newRow("TAP") << QByteArray("[TAP]ecr\x03[TAP]vid\x03") << QStringList{"TAP ecr", "TAP vid"};
    QTest::newRow("ATT") << QByteArray("[ATT]\x03") << QStringList{"ATT"};
    QTest::newRow("DEM") << QByteArray("[DEM]\xe9t\xe9 2.txt\\5000000000\x03")
                         << QStringList{"DEM été 2.txt|5000000000|5000000000"};
    QTest::newRow("RPS") << QByteArray("[RPS]OUI\x03[RPS]NON\x03") << QStringList{"RPS oui", "RPS non"};
    QTest::newRow("ANN") << QByteArray("[ANN]\x03") << QStringList{"ANN"};
    // One read, several kinds: the signals keep the frames' order; an unknown tag emits nothing.
    QTest::newRow("ordre") << QByteArray("[ANN]\x03[XYZ]abs\x03[LOG]B\x03[ATT]\x03")
                           << QStringList{"ANN", "LOG B", "ATT"};
}

void TestTramesNoyau::chaqueBalise() {
    QFETCH(QByteArray, flux);
    QFETCH(QStringList, attendu);
    QCOMPARE(Decoder(flux), attendu);
}

void TestTramesNoyau::mauvaisesDonnees_data() {
    QTest::addColumn<QByteArray>("flux");
    QTest::addColumn<QStringList>("attendu");
    const QString c1 = QStringLiteral("€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ");

    // "[TXT]": a non-digit counts 0; 9 passes as 9, the window maps what its tables lack.
    QTest::newRow("txt non-chiffres") << QByteArray("[TXT]x9-_t\x03") << QStringList{"TXT 0 9 0 t"};
    QTest::newRow("txt hors tables") << QByteArray("[TXT]999_u\x03") << QStringList{"TXT 9 9 9 u"};
    QTest::newRow("txt vide") << QByteArray("[TXT]\x03") << QStringList{"TXT 0 0 0 "};
    QTest::newRow("txt court") << QByteArray("[TXT]12\x03") << QStringList{"TXT 1 2 0 "};
    QTest::newRow("txt 60 Kio") << "[TXT]000_" + QByteArray(60 * 1024, 'L') + "\x03"
                                << QStringList{"TXT 0 0 0 " + QString(60 * 1024, u'L')};
    QTest::newRow("txt 0x80..0x9F") << "[TXT]000_" + OctetsC1() + "\x03" << QStringList{"TXT 0 0 0 " + c1};
    QTest::newRow("pseudo 0x80..0x9F")
        << "[LOG]" + OctetsC1() + "\x03[PSE]\x03" << QStringList{"LOG " + c1, "PSE "};

    // "[STA]" and "[TAP]" mean something for their two words only.
    QTest::newRow("sta autres") << QByteArray("[STA]zzz\x03[STA]\x03[STA]absent\x03[STA]ABS\x03[STA]" +
                                              QByteArray(60 * 1024, 'a') + "\x03")
                                << QStringList{};
    QTest::newRow("tap autres") << QByteArray("[TAP]???\x03[TAP]\x03[TAP]ecrit\x03[TAP]VID\x03")
                                << QStringList{};
    QTest::newRow("rps autres") << QByteArray("[RPS]oui\x03[RPS]\x03[RPS]OUI \x03")
                                << QStringList{"RPS non", "RPS non", "RPS non"};

    // "[DEM]": the size reads its leading digits and stops at anything else.
    QTest::newRow("taille non-chiffres")
        << QByteArray("[DEM]f\\12ab\x03[DEM]f\\-5\x03[DEM]f\\ 7\x03[DEM]f\\\x03")
        << QStringList{"DEM f|12|12ab", "DEM f|0|-5", "DEM f|0| 7", "DEM f|0|"};
    QTest::newRow("taille 2^50") << QByteArray("[DEM]f\\1125899906842624\x03")
                                 << QStringList{"DEM f|1125899906842624|1125899906842624"};
    QTest::newRow("taille au-dela de 2^50")
        << QByteArray("[DEM]f\\1125899906842625\x03[DEM]f\\99999999999999999999999999\x03")
        << QStringList{"DEM f|-1|1125899906842625", "DEM f|-1|99999999999999999999999999"};
    QTest::newRow("sans barre") << QByteArray("[DEM]nom seul 12\x03[DEM]\x03")
                                << QStringList{"DEM nom seul 12|0|", "DEM |0|"};
    QTest::newRow("deux barres") << QByteArray("[DEM]a\\b\\3\x03") << QStringList{"DEM a|0|b\\3"};
    QTest::newRow("nom 0x80..0x9F") << "[DEM]" + OctetsC1() + "\\1\x03" << QStringList{"DEM " + c1 + "|1|1"};
}

void TestTramesNoyau::mauvaisesDonnees() {
    QFETCH(QByteArray, flux);
    QFETCH(QStringList, attendu);
    QCOMPARE(Decoder(flux), attendu);
}

void TestTramesNoyau::envoiOctetsExacts() {
    QByteArrayList envoye;
    EnvoiTrames envoi([&envoye](const QByteArray& trame) { envoye.append(trame); });
    envoi.Log(QStringLiteral("Zoé"));
    envoi.Att();
    envoi.Pse(QStringLiteral("A\u0003B\u0000C"));
    envoi.Message(1, 6, 5, QStringLiteral("a\r\nb €"));
    // Out-of-range indexes go as 0; what Windows-1252 lacks goes as '?', controls go.
    envoi.Message(10, -1, 3, QStringLiteral("日\tx\u0003"));
    envoi.Statut(true);
    envoi.Statut(false);
    envoi.Frappe(true);
    envoi.Frappe(false);
    envoi.Offre(QStringLiteral("a\\b é.txt"), Q_INT64_C(5000000000));
    envoi.Offre(QStringLiteral("x"), -3);
    envoi.Reponse(true);
    envoi.Reponse(false);
    envoi.Annulation();
    const QByteArrayList attendu = {
        "[LOG]Zo\xe9\x03", "[ATT]\x03",
        "[PSE]ABC\x03",    "[TXT]165_a\r\nb \x80\x03",
        "[TXT]003_?x\x03", "[STA]abs\x03",
        "[STA]prs\x03",    "[TAP]ecr\x03",
        "[TAP]vid\x03",    "[DEM]a_b \xe9.txt\\5000000000\x03",
        "[DEM]x\\0\x03",   "[RPS]OUI\x03",
        "[RPS]NON\x03",    "[ANN]\x03",
    };
    QCOMPARE(envoye, attendu);
    QCOMPARE(EnvoiTrames::TexteSurLeFil(QStringLiteral("a\tb\r\n€日\u0003\u0000")), O("ab\r\n\x80?"));
}

void TestTramesNoyau::envoiPuisDecodage() {
    // What we send reads back as the same events through the real reader and decoder.
    QByteArray flux;
    EnvoiTrames envoi([&flux](const QByteArray& trame) { flux += trame; });
    envoi.Log(QStringLiteral("Zoé"));
    envoi.Message(4, 2, 7, QStringLiteral("Œuvre\r\n2"));
    envoi.Offre(QStringLiteral("r\\s.bin"), Trame::TailleMaxFichier);
    envoi.Frappe(true);
    envoi.Reponse(true);
    QCOMPARE(Decoder(flux),
             (QStringList{"LOG Zoé", "TXT 4 2 7 Œuvre\r\n2", "DEM r_s.bin|1125899906842624|1125899906842624",
                          "TAP ecr", "RPS oui"}));
}

QTEST_GUILESS_MAIN(TestTramesNoyau)
#include "tst_trames_noyau.moc"

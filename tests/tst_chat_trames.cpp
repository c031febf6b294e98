// Frames in the core, without a window: the reader (cut anywhere, bounded), what each received
// frame means, and the bytes we send.
#include "core/chat/DecodeurTrames.h"
#include "core/chat/EnvoiTrames.h"
#include "core/chat/Trame.h"

#include <QTest>

using namespace Trame;

namespace {

// A literal that may hold 0x00 bytes.
template <std::size_t N> QByteArray O(const char (&s)[N]) {
    return QByteArray(s, qsizetype(N - 1));
}

// Every signal of a decoder, as one readable line each, in the order they came.
struct Journal {
    QStringList lignes;

    explicit Journal(DecodeurTrames& d) {
        QObject::connect(&d, &DecodeurTrames::connecte, [this](const QString& p) { lignes << "LOG " + p; });
        QObject::connect(&d, &DecodeurTrames::pseudoChange,
                         [this](const QString& p) { lignes << "PSE " + p; });
        QObject::connect(&d, &DecodeurTrames::message, [this](int p, int c, int s, const QString& t) {
            lignes << QStringLiteral("TXT %1 %2 %3 ").arg(p).arg(c).arg(s) + t;
        });
        QObject::connect(&d, &DecodeurTrames::statut,
                         [this](bool a) { lignes << (a ? "STA abs" : "STA prs"); });
        QObject::connect(&d, &DecodeurTrames::frappe,
                         [this](bool e) { lignes << (e ? "TAP ecr" : "TAP vid"); });
        QObject::connect(&d, &DecodeurTrames::attentePseudo, [this] { lignes << "ATT"; });
        QObject::connect(&d, &DecodeurTrames::offre,
                         [this](const QString& n, qint64 t, const QByteArray& tt) {
                             lignes << "DEM " + n + '|' + QString::number(t) + '|' + QString::fromLatin1(tt);
                         });
        QObject::connect(&d, &DecodeurTrames::reponse,
                         [this](bool o) { lignes << (o ? "RPS oui" : "RPS non"); });
        QObject::connect(&d, &DecodeurTrames::annulation, [this] { lignes << "ANN"; });
    }
};

// Each frame as tag + payload; also checks that the Balise matches the tag.
QByteArrayList Decrire(const QList<TrameRecue>& trames) {
    QByteArrayList liste;
    for (const TrameRecue& t : trames) {
        if (Texte(t.balise) != t.entete)
            liste.append("balise fausse pour " + t.entete);
        liste.append(t.entete + t.donnee);
    }
    return liste;
}

} // namespace

class TestChatTrames : public QObject {
    Q_OBJECT

private slots:
    void octetsDeControleRetires() {
        QByteArray tous;
        for (int i = 0; i < 0x20; ++i)
            tous.append(char(i));
        QCOMPARE(Construire(Balise::TXT, tous + "a\x7F"), QByteArray("[TXT]\n\ra\x7F\x03"));
        // A text cannot smuggle a second frame in.
        LecteurTrames lecteur;
        const QByteArrayList lu = Decrire(lecteur.Ajouter(Message(0, 0, 0, QStringLiteral("x\x03[RPS]OUI"))));
        QCOMPARE(lu, QByteArrayList{"[TXT]000_x[RPS]OUI"});
    }

    // Cut into three reads at every pair of positions: each frame once, in the read with its 0x03.
    void lecteurTrameCoupeeNImporteOu() {
        const QByteArray flux("[LOG]Toto\x03[TXT]123_a_b 42\x03[ATT]\x03");
        for (qsizetype i = 0; i <= flux.size(); ++i) {
            for (qsizetype j = i; j <= flux.size(); ++j) {
                LecteurTrames lecteur;
                QByteArrayList recu;
                qsizetype fourni = 0;
                for (const QByteArray& morceau : {flux.first(i), flux.sliced(i, j - i), flux.sliced(j)}) {
                    recu += Decrire(lecteur.Ajouter(morceau));
                    fourni += morceau.size();
                    QCOMPARE(recu.size(), flux.first(fourni).count(Terminateur));
                }
                QVERIFY2(recu == QByteArrayList({"[LOG]Toto", "[TXT]123_a_b 42", "[ATT]"}),
                         qPrintable(QStringLiteral("coupes %1 %2").arg(i).arg(j)));
                QCOMPARE(lecteur.EnAttente(), 0);
            }
        }
    }

    void lecteur_data() {
        QTest::addColumn<QByteArrayList>("lectures");
        QTest::addColumn<QByteArrayList>("attendu");
        QTest::newRow("balises inconnues, trames courtes")
            << QByteArrayList{"[XYZ]abc\x03[AT\x03\x03[txt]000_a\x03[ATT\x03[ANN]\x03[TXT]x\x03"
                              "ATT]\x03[RPS]oui\x03"}
            << QByteArrayList{"[ANN]", "[TXT]x", "[RPS]oui"};
        QTest::newRow("octets nuls retires") << QByteArrayList{O("\0[T\0XT]0\0"
                                                                 "00_a\0b\x03\0[AN"),
                                                               O("\0N]\0\x03\0")}
                                             << QByteArrayList{"[TXT]000_ab", "[ANN]"};
        const QByteArray texte(TailleMaxEnAttente - 5, 'a');
        QTest::newRow("attente a la limite")
            << QByteArrayList{"[TXT]" + texte.first(100), texte.sliced(100), "\x03"}
            << QByteArrayList{"[TXT]" + texte};
        // The rest of a dropped frame may look like a frame of its own.
        const QByteArray rebut(4096, 'r');
        QTest::newRow("jetee en plusieurs lectures")
            << (QByteArrayList{"[TXT]000_"} + QByteArrayList(21, rebut) +
                QByteArrayList{"[RPS]OUI\x03[ATT]\x03", "[ANN]\x03"})
            << QByteArrayList{"[ATT]", "[ANN]"};
        QTest::newRow("jetee en une lecture")
            << QByteArrayList{"[ATT]\x03[TXT]" + QByteArray(TailleMaxEnAttente + 1, 'r'), "[LOG]pira",
                              "te\x03[ANN]\x03"}
            << QByteArrayList{"[ATT]", "[ANN]"};
    }
    void lecteur() {
        QFETCH(QByteArrayList, lectures);
        QFETCH(QByteArrayList, attendu);
        LecteurTrames lecteur;
        QByteArrayList lu;
        for (const QByteArray& l : lectures) {
            lu += Decrire(lecteur.Ajouter(l));
            QVERIFY(lecteur.EnAttente() <= TailleMaxEnAttente);
        }
        QCOMPARE(lu, attendu);
        QCOMPARE(lecteur.EnAttente(), 0);
    }

    // Vider starts a new connection: nothing left to throw away.
    void lecteurVide() {
        LecteurTrames vide;
        vide.Ajouter(QByteArray(TailleMaxEnAttente + 1, 'r'));
        vide.Vider();
        QCOMPARE(Decrire(vide.Ajouter("[ATT]\x03")), QByteArrayList{"[ATT]"});
    }

    // What each frame means, through the real reader and the decoder, as the signals it gives.
    void decodage_data() {
        QTest::addColumn<QByteArray>("flux");
        QTest::addColumn<QStringList>("attendu");
        // Every text field is Windows-1252 (0x80 to 0x9F are not Latin-1).
        QTest::newRow("LOG") << QByteArray("[LOG]Zo\xe9\x9c\x03") << QStringList{"LOG Zoéœ"};
        QTest::newRow("PSE") << QByteArray("[PSE]\x80uro\x03[PSE]\x03") << QStringList{"PSE €uro", "PSE "};
        QTest::newRow("TXT") << QByteArray("[TXT]165_Salut\r\n\xe7"
                                           "a va \x85\x03")
                             << QStringList{"TXT 1 6 5 Salut\r\nça va …"};
        QTest::newRow("STA, TAP") << QByteArray("[STA]abs\x03[STA]prs\x03[TAP]ecr\x03[TAP]vid\x03")
                                  << QStringList{"STA abs", "STA prs", "TAP ecr", "TAP vid"};
        QTest::newRow("DEM") << QByteArray("[DEM]\xe9t\xe9 \x8a.txt\\5000000000\x03")
                             << QStringList{"DEM été Š.txt|5000000000|5000000000"};
        QTest::newRow("RPS") << QByteArray("[RPS]OUI\x03[RPS]NON\x03") << QStringList{"RPS oui", "RPS non"};
        // One read, several kinds: the signals keep the frames' order; an unknown tag emits nothing.
        QTest::newRow("ordre") << QByteArray("[ANN]\x03[XYZ]abs\x03[LOG]B\x03[ATT]\x03")
                               << QStringList{"ANN", "LOG B", "ATT"};
        // "[TXT]": a non-digit counts 0; 9 passes as 9, the window maps what its tables lack.
        QTest::newRow("txt non-chiffres") << QByteArray("[TXT]x9-_t\x03") << QStringList{"TXT 0 9 0 t"};
        QTest::newRow("txt hors tables") << QByteArray("[TXT]999_u\x03") << QStringList{"TXT 9 9 9 u"};
        QTest::newRow("txt vide, court")
            << QByteArray("[TXT]\x03[TXT]12\x03") << QStringList{"TXT 0 0 0 ", "TXT 1 2 0 "};
        QTest::newRow("txt 4e octet libre, _ dans le texte")
            << QByteArray("[TXT]987X1_2__3\x03") << QStringList{"TXT 9 8 7 1_2__3"};
        QTest::newRow("txt 60 Kio") << "[TXT]000_" + QByteArray(60 * 1024, 'L') + "\x03"
                                    << QStringList{"TXT 0 0 0 " + QString(60 * 1024, u'L')};
        // "[STA]" and "[TAP]" mean something for their two words only.
        QTest::newRow("sta, tap autres")
            << QByteArray("[STA]zzz\x03[STA]\x03[STA]absent\x03[STA]ABS\x03[STA]" +
                          QByteArray(60 * 1024, 'a') + "\x03[TAP]???\x03[TAP]\x03[TAP]ecrit\x03[TAP]VID\x03")
            << QStringList{};
        QTest::newRow("rps autres") << QByteArray("[RPS]oui\x03[RPS]\x03[RPS]OUI \x03")
                                    << QStringList{"RPS non", "RPS non", "RPS non"};
        // "[DEM]": the size reads its leading digits and stops at anything else.
        QTest::newRow("taille non-chiffres")
            << QByteArray(
                   "[DEM]f\\12ab\x03[DEM]f\\-5\x03[DEM]f\\+5\x03[DEM]f\\ 7\x03[DEM]f\\\x03[DEM]f\\007\x03")
            << QStringList{"DEM f|12|12ab", "DEM f|0|-5", "DEM f|0|+5",
                           "DEM f|0| 7",    "DEM f|0|",   "DEM f|7|007"};
        QTest::newRow("taille 2^50 et au-dela")
            << QByteArray("[DEM]f\\1125899906842624\x03[DEM]f\\1125899906842625\x03[DEM]"
                          "f\\99999999999999999999999999\x03")
            << QStringList{"DEM f|1125899906842624|1125899906842624", "DEM f|-1|1125899906842625",
                           "DEM f|-1|99999999999999999999999999"};
        QTest::newRow("sans barre, deux barres, nom vide")
            << QByteArray("[DEM]nom seul 12\x03[DEM]\x03[DEM]a\\b\\3\x03[DEM]\\5\x03")
            << QStringList{"DEM nom seul 12|0|", "DEM |0|", "DEM a|0|b\\3", "DEM |5|5"};
    }
    void decodage() {
        QFETCH(QByteArray, flux);
        QFETCH(QStringList, attendu);
        DecodeurTrames decodeur;
        Journal journal(decodeur);
        LecteurTrames lecteur;
        for (const TrameRecue& trame : lecteur.Ajouter(flux))
            decodeur.Decoder(trame);
        QCOMPARE(journal.lignes, attendu);
    }

    void envoiOctetsExacts() {
        QByteArray envoye;
        EnvoiTrames envoi([&envoye](const QByteArray& trame) { envoye += trame + '|'; });
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
        QCOMPARE(
            envoye,
            "[LOG]Zo\xe9\x03|[ATT]\x03|[PSE]ABC\x03|[TXT]165_a\r\nb \x80\x03|[TXT]003_?x\x03|[STA]abs\x03|"
            "[STA]prs\x03|[TAP]ecr\x03|[TAP]vid\x03|[DEM]a_b \xe9.txt\\5000000000\x03|[DEM]x\\0\x03|"
            "[RPS]OUI\x03|[RPS]NON\x03|[ANN]\x03|");
        QCOMPARE(EnvoiTrames::TexteSurLeFil(QStringLiteral("a\tb\r\n€日\u0003\u0000")), O("ab\r\n\x80?"));
    }

    // Bold 4, italic 2, underline 1 become the view's effects; 8, 9 and anything else have none.
    void effetsDesStyles() {
        const QList<int> effets = {0, 0, 4, 2, 6, 1, 5, 3, 7, 0, 0};
        for (int style = -1; style <= 9; ++style)
            QCOMPARE(Trame::StyleVersEffets(style), effets[style + 1]);
    }
};

QTEST_GUILESS_MAIN(TestChatTrames)
#include "tst_chat_trames.moc"

#include "chat/Trame.h"

#include <QTest>

using namespace Trame;

namespace {

// A literal that may hold 0x00 bytes.
template <std::size_t N> QByteArray O(const char (&s)[N]) {
    return QByteArray(s, qsizetype(N - 1));
}

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

class TestTrame : public QObject {
    Q_OBJECT

private slots:
    void construire_data();
    void construire();
    void octetsDeControleRetires();
    void coupeTrame();

    void lecteurPlusieursTramesDansUneLecture();
    void lecteurTrameCoupeeNImporteOu();
    void lecteurIgnoreBalisesInconnuesEtTramesCourtes();
    void lecteurOctetsNulsRetires();
    void lecteurAttenteALaLimite();
    void lecteurAttenteTropLongueJetee();
    void lecteurRafale();

    void allerRetour();
    void lireMessage_data();
    void lireMessage();
    void lireOffre_data();
    void lireOffre();
    void lireTaille_data();
    void lireTaille();
    void styleVersEffets_data();
    void styleVersEffets();
};

void TestTrame::construire_data() {
    QTest::addColumn<QByteArray>("trame");
    QTest::addColumn<QByteArray>("attendu");

    QTest::newRow("LOG") << Log(QStringLiteral("Toto")) << QByteArray("[LOG]Toto\x03");
    QTest::newRow("ATT") << Att() << QByteArray("[ATT]\x03");
    QTest::newRow("PSE") << Pse(QStringLiteral("Zoé")) << QByteArray("[PSE]Zo\xE9\x03");
    QTest::newRow("PSE vide") << Pse(QString()) << QByteArray("[PSE]\x03");
    QTest::newRow("STA abs") << Sta(true) << QByteArray("[STA]abs\x03");
    QTest::newRow("STA prs") << Sta(false) << QByteArray("[STA]prs\x03");
    QTest::newRow("TAP ecr") << Tap(true) << QByteArray("[TAP]ecr\x03");
    QTest::newRow("TAP vid") << Tap(false) << QByteArray("[TAP]vid\x03");
    QTest::newRow("DEM") << Dem(QStringLiteral("photo.jpg"), 1024) << QByteArray("[DEM]photo.jpg\\1024\x03");
    QTest::newRow("DEM 0") << Dem(QStringLiteral("a b.txt"), 0) << QByteArray("[DEM]a b.txt\\0\x03");
    QTest::newRow("DEM grand") << Dem(QStringLiteral("x"), Q_INT64_C(5000000000))
                               << QByteArray("[DEM]x\\5000000000\x03");
    QTest::newRow("DEM negatif") << Dem(QStringLiteral("x"), -3) << QByteArray("[DEM]x\\0\x03");
    QTest::newRow("DEM \\ dans le nom") << Dem(QStringLiteral("a\\b"), 7) << QByteArray("[DEM]a_b\\7\x03");
    QTest::newRow("RPS OUI") << Rps(true) << QByteArray("[RPS]OUI\x03");
    QTest::newRow("RPS NON") << Rps(false) << QByteArray("[RPS]NON\x03");
    QTest::newRow("ANN") << Ann() << QByteArray("[ANN]\x03");
    QTest::newRow("TXT Salut") << Message(1, 6, 5, QStringLiteral("Salut"))
                               << QByteArray("[TXT]165_Salut\x03");
    QTest::newRow("TXT hors 0..9") << Message(10, -1, 9, QStringLiteral("a")) << QByteArray("[TXT]009_a\x03");
    QTest::newRow("TXT euro") << Message(0, 0, 0, QStringLiteral("5 €")) << QByteArray("[TXT]000_5 \x80\x03");
    QTest::newRow("Inconnue") << Construire(Balise::Inconnue, QByteArray("x")) << QByteArray();
}

void TestTrame::construire() {
    QFETCH(QByteArray, trame);
    QFETCH(QByteArray, attendu);
    QCOMPARE(trame, attendu);
}

void TestTrame::octetsDeControleRetires() {
    QByteArray tous;
    for (int i = 0; i < 0x20; ++i)
        tous.append(char(i));
    tous.append("a\x7F");
    QCOMPARE(Construire(Balise::TXT, tous), QByteArray("[TXT]\n\ra\x7F\x03"));

    QCOMPARE(Message(0, 0, 0, QStringLiteral("l1\r\nl2\x03\x01\t")), QByteArray("[TXT]000_l1\r\nl2\x03"));
    QCOMPARE(Log(QString::fromLatin1(O("A\0B\x03"))), QByteArray("[LOG]AB\x03"));

    // A text cannot smuggle a second frame in.
    LecteurTrames lecteur;
    const QByteArrayList lu = Decrire(lecteur.Ajouter(Message(0, 0, 0, QStringLiteral("x\x03[RPS]OUI"))));
    QCOMPARE(lu, QByteArrayList{"[TXT]000_x[RPS]OUI"});
}

void TestTrame::coupeTrame() {
    QCOMPARE(CoupeTrame("[ATT]\x03"), QByteArray("[ATT]"));
    QCOMPARE(CoupeTrame("[TXT]a\x03[ANN]\x03"), QByteArray("[TXT]a"));
    QCOMPARE(CoupeTrame("sans fin"), QByteArray("sans fin"));
    QCOMPARE(CoupeTrame("\x03suite"), QByteArray());
    QCOMPARE(CoupeTrame(QByteArray()), QByteArray());
}

void TestTrame::lecteurPlusieursTramesDansUneLecture() {
    LecteurTrames lecteur;
    const QList<TrameRecue> trames = lecteur.Ajouter("[TAP]ecr\x03[TXT]000_Bonjour\x03[ANN]\x03");
    QCOMPARE(trames.size(), 3);
    QCOMPARE(trames[0].balise, Balise::TAP);
    QCOMPARE(trames[0].entete, QByteArray("[TAP]"));
    QCOMPARE(trames[0].donnee, QByteArray("ecr"));
    QCOMPARE(trames[1].balise, Balise::TXT);
    QCOMPARE(trames[1].donnee, QByteArray("000_Bonjour"));
    QCOMPARE(trames[2].balise, Balise::ANN);
    QVERIFY(trames[2].donnee.isEmpty());
    QCOMPARE(lecteur.EnAttente(), 0);
}

// The stream is cut into three reads at every pair of positions (empty reads included):
// each frame comes once, whole, in the read that brings its 0x03.
void TestTrame::lecteurTrameCoupeeNImporteOu() {
    const QByteArray flux("[LOG]Toto\x03[TXT]123_a_b 42\x03[ATT]\x03");
    const QByteArrayList attendu{"[LOG]Toto", "[TXT]123_a_b 42", "[ATT]"};

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
            QVERIFY2(recu == attendu, qPrintable(QStringLiteral("coupes %1 %2").arg(i).arg(j)));
            QCOMPARE(lecteur.EnAttente(), 0);
        }
    }
}

void TestTrame::lecteurIgnoreBalisesInconnuesEtTramesCourtes() {
    LecteurTrames lecteur;
    const QByteArray lu("[XYZ]abc\x03[AT\x03\x03[txt]000_a\x03[ATT\x03"
                        "[ANN]\x03[TXT]x\x03"
                        "ATT]\x03"
                        "[RPS]oui\x03");
    QCOMPARE(Decrire(lecteur.Ajouter(lu)), (QByteArrayList{"[ANN]", "[TXT]x", "[RPS]oui"}));
    QCOMPARE(lecteur.EnAttente(), 0);
}

void TestTrame::lecteurOctetsNulsRetires() {
    LecteurTrames lecteur;
    QCOMPARE(Decrire(lecteur.Ajouter(O("\0[T\0XT]0\0"
                                       "00_a\0b\x03\0[AN"))),
             QByteArrayList{"[TXT]000_ab"});
    QCOMPARE(lecteur.EnAttente(), 3);
    QCOMPARE(Decrire(lecteur.Ajouter(O("\0N]\0\x03\0"))), QByteArrayList{"[ANN]"});
    QCOMPARE(lecteur.EnAttente(), 0);
}

void TestTrame::lecteurAttenteALaLimite() {
    LecteurTrames lecteur;
    const QByteArray texte(TailleMaxEnAttente - 5, 'a');
    QVERIFY(lecteur.Ajouter("[TXT]" + texte.first(100)).isEmpty());
    QVERIFY(lecteur.Ajouter(texte.sliced(100)).isEmpty());
    QCOMPARE(lecteur.EnAttente(), TailleMaxEnAttente);

    const QList<TrameRecue> trames = lecteur.Ajouter("\x03");
    QCOMPARE(trames.size(), 1);
    QCOMPARE(trames[0].donnee, texte);
}

void TestTrame::lecteurAttenteTropLongueJetee() {
    const QByteArray rebut(4096, 'r');

    // Over many reads: the tail never passes the limit and its end is not taken for a frame.
    LecteurTrames lecteur;
    QVERIFY(lecteur.Ajouter("[TXT]000_").isEmpty());
    for (int i = 0; i < 20; ++i) {
        QVERIFY(lecteur.Ajouter(rebut).isEmpty());
        QVERIFY(lecteur.EnAttente() <= TailleMaxEnAttente);
    }
    QCOMPARE(lecteur.EnAttente(), 0);
    QVERIFY(lecteur.Ajouter(rebut).isEmpty());
    // The rest of the dropped frame may look like a frame of its own.
    QCOMPARE(Decrire(lecteur.Ajouter("[RPS]OUI\x03[ATT]\x03")), QByteArrayList{"[ATT]"});
    QCOMPARE(Decrire(lecteur.Ajouter("[ANN]\x03")), QByteArrayList{"[ANN]"});

    // In one big read after good frames, and the end of the rebut in a later read.
    LecteurTrames gros;
    const QByteArray enorme = "[ATT]\x03[TXT]" + QByteArray(TailleMaxEnAttente + 1, 'r');
    QCOMPARE(Decrire(gros.Ajouter(enorme)), QByteArrayList{"[ATT]"});
    QCOMPARE(gros.EnAttente(), 0);
    QVERIFY(gros.Ajouter("[LOG]pira").isEmpty());
    QCOMPARE(Decrire(gros.Ajouter("te\x03[ANN]\x03")), QByteArrayList{"[ANN]"});

    // Vider starts a new connection: nothing left to throw away.
    LecteurTrames vide;
    vide.Ajouter(QByteArray(TailleMaxEnAttente + 1, 'r'));
    vide.Vider();
    QCOMPARE(Decrire(vide.Ajouter("[ATT]\x03")), QByteArrayList{"[ATT]"});
}

void TestTrame::lecteurRafale() {
    const int nombre = 10000;
    QByteArray flux;
    for (int i = 0; i < nombre; ++i)
        flux += Message(i % 10, 0, 0, QString::number(i));

    for (const qsizetype taille : {qsizetype(1), qsizetype(7), qsizetype(64 * 1024), flux.size()}) {
        LecteurTrames lecteur;
        QList<TrameRecue> trames;
        for (qsizetype debut = 0; debut < flux.size(); debut += taille)
            trames += lecteur.Ajouter(flux.sliced(debut, std::min(taille, flux.size() - debut)));
        QCOMPARE(trames.size(), nombre);
        for (int i = 0; i < nombre; ++i) {
            const MessageTxt m = LireMessage(trames[i].donnee);
            if (m.police != i % 10 || m.texte != QByteArray::number(i))
                QFAIL(qPrintable(QStringLiteral("trame %1, lectures de %2").arg(i).arg(taille)));
        }
    }
}

void TestTrame::allerRetour() {
    LecteurTrames lecteur;
    const QList<TrameRecue> trames = lecteur.Ajouter(Message(3, 7, 6, QStringLiteral("œuvre_2 à 100 %")) +
                                                     Dem(QStringLiteral("rapport 2024.pdf"), 123456789));
    QCOMPARE(trames.size(), 2);

    const MessageTxt m = LireMessage(trames[0].donnee);
    QCOMPARE(m.police, 3);
    QCOMPARE(m.couleur, 7);
    QCOMPARE(m.style, 6);
    QCOMPARE(m.texte, QByteArray("\x9Cuvre_2 \xE0 100 %"));

    const OffreFichier offre = LireOffre(trames[1].donnee);
    QCOMPARE(offre.nom, QByteArray("rapport 2024.pdf"));
    QCOMPARE(LireTaille(offre.tailleTexte), Q_INT64_C(123456789));
}

void TestTrame::lireMessage_data() {
    QTest::addColumn<QByteArray>("donnee");
    QTest::addColumn<int>("police");
    QTest::addColumn<int>("couleur");
    QTest::addColumn<int>("style");
    QTest::addColumn<QByteArray>("texte");

    QTest::newRow("Salut") << QByteArray("165_Salut") << 1 << 6 << 5 << QByteArray("Salut");
    QTest::newRow("_ et chiffres") << QByteArray("000_1_2__3") << 0 << 0 << 0 << QByteArray("1_2__3");
    QTest::newRow("pas des chiffres") << QByteArray("x9-_t") << 0 << 9 << 0 << QByteArray("t");
    QTest::newRow("4e octet libre") << QByteArray("987Xtexte") << 9 << 8 << 7 << QByteArray("texte");
    QTest::newRow("texte vide") << QByteArray("123_") << 1 << 2 << 3 << QByteArray();
    QTest::newRow("trop court") << QByteArray("12") << 1 << 2 << 0 << QByteArray();
    QTest::newRow("vide") << QByteArray() << 0 << 0 << 0 << QByteArray();
}

void TestTrame::lireMessage() {
    QFETCH(QByteArray, donnee);
    const MessageTxt m = LireMessage(donnee);
    QTEST(m.police, "police");
    QTEST(m.couleur, "couleur");
    QTEST(m.style, "style");
    QTEST(m.texte, "texte");
}

void TestTrame::lireOffre_data() {
    QTest::addColumn<QByteArray>("donnee");
    QTest::addColumn<QByteArray>("nom");
    QTest::addColumn<QByteArray>("tailleTexte");

    QTest::newRow("simple") << QByteArray("photo.jpg\\1024") << QByteArray("photo.jpg") << QByteArray("1024");
    QTest::newRow("espace, taille 0") << QByteArray("a b.txt\\0") << QByteArray("a b.txt") << QByteArray("0");
    QTest::newRow("premier \\") << QByteArray("a\\b\\3") << QByteArray("a") << QByteArray("b\\3");
    QTest::newRow("nom vide") << QByteArray("\\5") << QByteArray() << QByteArray("5");
    QTest::newRow("taille vide") << QByteArray("f\\") << QByteArray("f") << QByteArray();
    QTest::newRow("sans \\") << QByteArray("fichier") << QByteArray("fichier") << QByteArray();
    QTest::newRow("vide") << QByteArray() << QByteArray() << QByteArray();
}

void TestTrame::lireOffre() {
    QFETCH(QByteArray, donnee);
    const OffreFichier offre = LireOffre(donnee);
    QTEST(offre.nom, "nom");
    QTEST(offre.tailleTexte, "tailleTexte");
}

void TestTrame::lireTaille_data() {
    QTest::addColumn<QByteArray>("texte");
    QTest::addColumn<qint64>("taille");

    QTest::newRow("1024") << QByteArray("1024") << Q_INT64_C(1024);
    QTest::newRow("zeros devant") << QByteArray("007") << Q_INT64_C(7);
    QTest::newRow("12abc") << QByteArray("12abc") << Q_INT64_C(12);
    QTest::newRow("vide") << QByteArray() << Q_INT64_C(0);
    QTest::newRow("lettres") << QByteArray("abc") << Q_INT64_C(0);
    QTest::newRow("plus") << QByteArray("+5") << Q_INT64_C(0);
    QTest::newRow("moins") << QByteArray("-5") << Q_INT64_C(0);
    QTest::newRow("espace") << QByteArray(" 5") << Q_INT64_C(0);
    QTest::newRow("au-dessus de 4 Gio") << QByteArray("5000000000") << Q_INT64_C(5000000000);
    QTest::newRow("maximum") << QByteArray::number(TailleMaxFichier) << TailleMaxFichier;
    QTest::newRow("maximum + 1") << QByteArray::number(TailleMaxFichier + 1) << Q_INT64_C(-1);
    QTest::newRow("max qint64") << QByteArray("9223372036854775807") << Q_INT64_C(-1);
    QTest::newRow("debordement") << QByteArray(40, '9') << Q_INT64_C(-1);
}

void TestTrame::lireTaille() {
    QFETCH(QByteArray, texte);
    QTEST(LireTaille(texte), "taille");
}

void TestTrame::styleVersEffets_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("effets");

    const int effets[] = {0, 4, 2, 6, 1, 5, 3, 7};
    for (int style = 0; style < 8; ++style)
        QTest::addRow("%d", style) << style << effets[style];
    QTest::newRow("-1") << -1 << 0;
    QTest::newRow("8") << 8 << 0;
}

void TestTrame::styleVersEffets() {
    QFETCH(int, style);
    QTEST(StyleVersEffets(style), "effets");
}

QTEST_APPLESS_MAIN(TestTrame)
#include "tst_trame.moc"

// The bytes of the wire and of config.ini, without a window: the frame reader (cut anywhere, bounded),
// what each received frame means, the bytes we send, Windows-1252 text, config.ini's lines and
// settings read and written, its safe save.
#include "core/chat/DecodeurTrames.h"
#include "core/chat/EnvoiTrames.h"
#include "core/chat/PoigneeDeMain.h"
#include "core/chat/Trame.h"
#include "core/platform/Ansi.h"
#include "core/platform/Emplacements.h"
#include "core/settings/FichierConfig.h"

#include "Fichiers.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <climits>

using namespace Trame;

Q_DECLARE_METATYPE(Reglages)

// Shown by QCOMPARE when two settings values differ.
char* toString(const Reglages& r) {
    auto texte = [](const std::optional<QString>& v) {
        return v ? '"' + v->left(40).toUtf8().toPercentEncoding(" \\:") + '"' : QByteArray("-");
    };
    auto nombre = [](const auto& v) { return v ? QByteArray::number(int(*v)) : QByteArray("-"); };
    return qstrdup(texte(r.Pseudo) + ' ' + texte(r.Dossier) + ' ' + nombre(r.Police) + ' ' +
                   nombre(r.Couleur) + ' ' + nombre(r.Gras) + nombre(r.Italique) + nombre(r.Souligne) + ' ' +
                   nombre(r.Format) + ' ' + nombre(r.Qualite) + ' ' + nombre(r.EnvoiCapture));
}

namespace {

// Pseudo, Dossier, Police, Couleur, Gras, Italique, Souligne, Format, Qualite, EnvoiCapture.
const Reglages Complets{"Zoé€", "/home/zoe/Reçus/", 4, 7, true, false, true, 1, 4, true};
const QByteArray
    CompletsEcrits("PSEUDO:Zo\xe9\x80\r\nDOSSIER:/home/zoe/Re\xe7us/\r\nPOLICE:4\r\nCOULEUR:7\r\nGRAS:1\r\n"
                   "ITALIQUE:0\r\nSOULIGNE:1\r\nFORMAT:1\r\nQUALITE:4\r\nENVOICAPT:1\r\n");

// A literal that may hold 0x00 bytes.
template <std::size_t N> QByteArray O(const char (&s)[N]) {
    return QByteArray(s, qsizetype(N - 1));
}

// Every signal of a decoder, as one readable line each, in the order they came.
struct Journal {
    QStringList lignes;

    explicit Journal(DecodeurTrames& d) {
        using D = DecodeurTrames;
        QObject::connect(&d, &D::connecte, [this](const QString& p) { lignes << "LOG " + p; });
        QObject::connect(&d, &D::pseudoChange, [this](const QString& p) { lignes << "PSE " + p; });
        QObject::connect(&d, &D::message, [this](int p, int c, int s, const QString& t) {
            lignes << QStringLiteral("TXT %1 %2 %3 ").arg(p).arg(c).arg(s) + t;
        });
        QObject::connect(&d, &D::statut, [this](bool a) { lignes << (a ? "STA abs" : "STA prs"); });
        QObject::connect(&d, &D::frappe, [this](bool e) { lignes << (e ? "TAP ecr" : "TAP vid"); });
        QObject::connect(&d, &D::attentePseudo, [this] { lignes << "ATT"; });
        QObject::connect(&d, &D::offre, [this](const QString& n, qint64 t, const QByteArray& tt) {
            lignes << "DEM " + n + '|' + QString::number(t) + '|' + QString::fromLatin1(tt);
        });
        QObject::connect(&d, &D::reponse, [this](bool o) { lignes << (o ? "RPS oui" : "RPS non"); });
        QObject::connect(&d, &D::annulation, [this] { lignes << "ANN"; });
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
        const QByteArrayList lu = Decrire(lecteur.Ajouter(Message(0, 0, 0, "x\x03[RPS]OUI")));
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
        envoi.Log("Zoé");
        envoi.Att();
        envoi.Pse(QStringLiteral("A\u0003B\u0000C"));
        envoi.Message(1, 6, 5, "a\r\nb €");
        // Out-of-range indexes go as 0; what Windows-1252 lacks goes as '?', controls go.
        envoi.Message(10, -1, 3, "日\tx\u0003");
        envoi.Statut(true);
        envoi.Statut(false);
        envoi.Frappe(true);
        envoi.Frappe(false);
        envoi.Offre("a\\b é.txt", Q_INT64_C(5000000000));
        envoi.Offre("x", -3);
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

    // Every byte both ways: Latin-1 but for 0x80 to 0x9F; the five undefined bytes stay themselves.
    void tousLesOctetsAllerRetour() {
        QByteArray octets;
        for (int i = 0; i < 256; ++i)
            octets.append(char(i));
        const QString texte = Ansi::DepuisAnsi(octets);
        QCOMPARE(texte.size(), 256);
        QCOMPARE(texte.mid(0x80, 32), "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ");
        for (int i = 0; i < 256; ++i)
            if (i < 0x80 || i >= 0xA0)
                QCOMPARE(texte.at(i).unicode(), char16_t(i));
        QCOMPARE(Ansi::VersAnsi(texte), octets);
        QCOMPARE(Ansi::VersAnsi(QString()), QByteArray());
        QCOMPARE(Ansi::DepuisAnsi(QByteArray()), QString());
    }

    // Every BMP character has its own byte, which decodes back to it, or becomes '?'; 256 have one.
    void seulsLes256CaracteresPassent() {
        int avecOctet = 0;
        for (char32_t c = 0; c <= 0xFFFF; ++c) {
            if (QChar::isSurrogate(c))
                continue;
            const QChar caractere{char16_t(c)};
            const QByteArray octet = Ansi::VersAnsi(QStringView(&caractere, 1));
            QCOMPARE(octet.size(), 1);
            if (c == '?' || octet != "?") {
                QCOMPARE(Ansi::DepuisAnsi(octet), QString(caractere));
                ++avecOctet;
            }
        }
        QCOMPARE(avecOctet, 256);
        // One '?' per unmappable character, beyond the BMP too, and C1 ones mapped elsewhere.
        QCOMPARE(Ansi::VersAnsi(QStringLiteral("Ça coûte 5 € — «œuf» 中 a😀b😀\u0080\u009F")),
                 QByteArray("\xC7"
                            "a co\xFB"
                            "te 5 \x80 \x97 \xAB\x9C"
                            "uf\xBB ? a?b???"));
        // A lone surrogate is one bad character, and does not swallow the next one.
        const QChar seule[] = {QChar(char16_t(0xD83D)), QChar(u'x'), QChar(char16_t(0xDE00))};
        QCOMPARE(Ansi::VersAnsi(QStringView(seule, 3)), QByteArray("?x?"));
    }

    void lignes() {
        const LignesConfig l =
            LireConfig("PSEUDO: Paul\r\nsans deux-points\nDOSSIER:D:\\Recus\\\n\nENVOICAPT:1");
        // Untrimmed, cut at the first colon; a last line without its line end loses nothing.
        QCOMPARE(l, (LignesConfig{{"PSEUDO", " Paul"}, {"DOSSIER", "D:\\Recus\\"}, {"ENVOICAPT", "1"}}));
        QCOMPARE(LireConfig("GRAS:"), (LignesConfig{{"GRAS", ""}}));
        QCOMPARE(LireConfig(":x\n"), (LignesConfig{{"", "x"}}));
        QCOMPARE(LireConfig(QByteArray("A\0B:\0\n", 6)),
                 (LignesConfig{{QByteArray("A\0B", 3), QByteArray(1, 0)}}));
        // Only LF ends a line, and only one CR before it is dropped.
        QCOMPARE(LireConfig("A:1\rB:2\r"), (LignesConfig{{"A", "1\rB:2"}}));
        QCOMPARE(LireConfig("A:1\r\r\n"), (LignesConfig{{"A", "1\r"}}));
        // A hand-edited file can leave CRs at the end of a value: writing must not eat them.
        QCOMPARE(EcrireConfig({{"A", "1"}, {"B", ""}, {"C", "x\r"}}), QByteArray("A:1\r\nB:\r\nC:x\r\r\n"));
    }

    void atoiCommeEnC() {
        QCOMPARE((QList<int>{Atoi("12abc"), Atoi(" \t\r -3"), Atoi("+4"), Atoi("x1"), Atoi("- 1"), Atoi("")}),
                 (QList<int>{12, -3, 4, 0, 0, 0}));
        QCOMPARE(Atoi("99999999999999999999"), INT_MAX);
        QCOMPARE(Atoi("-99999999999999999999"), INT_MIN);
    }

    void reglagesLus_data() {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<Reglages>("attendu");
        QTest::newRow("complet, CR LF") << CompletsEcrits << Complets;
        QTest::newRow("vide") << QByteArray() << Reglages{};
        QTest::newRow("autre ordre, LF, sans fin de ligne")
            << QByteArray("ENVOICAPT:1\nQUALITE:2\nPSEUDO:Paul")
            << Reglages{.Pseudo = "Paul", .Qualite = 2, .EnvoiCapture = true};
        QTest::newRow("cles sensibles a la casse, inconnues, vides, sans deux-points")
            << QByteArray("pseudo:Paul\nPSEUDO :Paul\n:Paul\nPSEUDO\nINCONNU:1\n") << Reglages{};
        QTest::newRow("index negatifs ignores, atoi")
            << QByteArray("POLICE:-1\nCOULEUR:  12x\nFORMAT:abc\nQUALITE:-0\n")
            << Reglages{.Couleur = 12, .Format = 0, .Qualite = 0};
        QTest::newRow("index enorme borne")
            << QByteArray("POLICE:99999999999999999999\n") << Reglages{.Police = INT_MAX};
        QTest::newRow("seul 1 coche")
            << QByteArray("GRAS:2\nITALIQUE:\nSOULIGNE: 1\nENVOICAPT:01\n")
            << Reglages{.Gras = false, .Italique = false, .Souligne = true, .EnvoiCapture = true};
        QTest::newRow("octets nuls gardes") << QByteArray("PSEUDO:a\0b\nGR\0AS:1\n", 19)
                                            << Reglages{.Pseudo = QString::fromUtf16(u"a\0b", 3)};
        // Texts and indexes: the last usable line; flags: ticked when any line says 1.
        QTest::newRow("doublons")
            << QByteArray("PSEUDO:Un\nPSEUDO:Deux\nPOLICE:3\nPOLICE:-2\nCOULEUR:1\nCOULEUR:5\n"
                          "GRAS:1\nGRAS:0\nITALIQUE:0\nITALIQUE:1\n")
            << Reglages{.Pseudo = "Deux", .Police = 3, .Couleur = 5, .Gras = true, .Italique = true};
    }
    void reglagesLus() {
        QFETCH(QByteArray, contenu);
        QFETCH(Reglages, attendu);
        QCOMPARE(LireReglages(contenu), attendu);
    }

    void reglagesEcrits() {
        QCOMPARE(EcrireReglages(Complets), CompletsEcrits);
        // Only what is present; an empty list's index is written as it is.
        QCOMPARE(EcrireReglages({}), QByteArray());
        QCOMPARE(EcrireReglages({.Pseudo = QString(), .Qualite = -1, .EnvoiCapture = false}),
                 QByteArray("PSEUDO:\r\nQUALITE:-1\r\nENVOICAPT:0\r\n"));
        // Values longer than any box and values ending in CR come back whole.
        const Reglages long_{.Pseudo = QString(100000, u'é') + u'\r', .Dossier = "\r\r"};
        const QByteArray ecrit = EcrireReglages(long_);
        QCOMPARE(ecrit.size(), 100000 + 22);
        QCOMPARE(LireReglages(ecrit), long_);
    }

    void sauvegardeSure() {
        QTemporaryDir dossier;
        const QString d = dossier.path() + u'/';
        QVERIFY(SauverFichierConfig(d, "PSEUDO:Un\n"));
        QCOMPARE(Lire(d + "config.ini"), QByteArray("PSEUDO:Un\n"));
        QVERIFY(!QFile::exists(d + "config_tmp.ini"));
        // The temporary file cannot be made: the old file stays byte for byte.
        QVERIFY(QDir(d).mkdir("config_tmp.ini"));
        QVERIFY(!SauverFichierConfig(d, "PSEUDO:Deux\n"));
        QCOMPARE(Lire(d + "config.ini"), QByteArray("PSEUDO:Un\n"));
        QVERIFY(QDir(d).rmdir("config_tmp.ini"));
        // The folder is gone: nothing is made.
        QVERIFY(!SauverFichierConfig(d + "absent/", "PSEUDO:Trois\n"));
        QVERIFY(!QFile::exists(d + "absent"));
        // A folder is always written with its "/", the default one too: names are added to it.
        QVERIFY(DossierParDefaut().endsWith(u'/'));
    }

    // The handshake: short enough for any read of the other program, read back whole, and anything
    // malformed refused; names unknown here are kept for the caller, who keeps the common ones.
    void poigneeDeMain() {
        namespace P = PoigneeDeMain;
        QCOMPARE(P::Construire({}), QByteArray("[OVX]1;\x03"));
        QStringList beaucoup;
        for (int i = 0; i < 40; ++i)
            beaucoup << QStringLiteral("extension-%1").arg(i);
        const QByteArray trame = P::Construire(beaucoup + QStringList{"MAJ", "a b", ""});
        QVERIFY(trame.size() <= P::TailleMax && trame.size() > P::TailleMax - 18);
        const auto lue = P::Lire(trame.sliced(5).chopped(1));
        QVERIFY(lue && lue->version == P::Version && beaucoup.startsWith(lue->extensions.first()));
        QCOMPARE(P::Lire(QByteArray("12;b,a,b,zz-9")), (P::Annonce{12, {"b", "a", "zz-9"}}));
        // At the limit: 99 bytes whole are read, and no name makes a frame of 100.
        const QStringList pleins(5, QString(16, u'n'));
        QCOMPARE(P::Construire(pleins + QStringList{"cinq5", "b"}).size(), 98);
        QVERIFY(P::Lire("1;" + QByteArrayList(5, QByteArray(16, 'n')).join(',') + ",sixsix"));
        QCOMPARE(P::Lire(QByteArray("999;a"))->version, 999);
        // Empty, no ";", versions 0, 01, 1x, 1000, empty, upper-case, ";"-holding or 17-byte names.
        const QByteArrayList mauvaises =
            QByteArray("|1|;a|0;a|01;a|1x;a|1000;a|1;a,,b|1;A|1;a;b").split('|') +
            QByteArrayList{"1;" + QByteArray(17, 'a'), "1;" + QByteArray(100, 'a').replace(16, 1, ",")};
        for (const QByteArray& mauvaise : mauvaises)
            QVERIFY2(!P::Lire(mauvaise), mauvaise.constData());
        QCOMPARE(P::Communes({"reprise", "sha256", "lot"}, {"lot", "inconnue", "sha256"}),
                 QStringList({"sha256", "lot"}));
    }

    // A build keeps everything beside the program; installed, the data lie at the path given and
    // what is written goes to the user's data folder when the data folder may not be written.
    void emplacements() {
        QTemporaryDir racine;
        qputenv("XDG_DATA_HOME", racine.filePath("maison").toUtf8());
        const QString r = racine.path() + u'/';
        QVERIFY(QDir(r).mkpath("build/Smileys") && QDir(r).mkpath("usr/bin") && QDir(r).mkpath("opt/bin"));
        const Emplacements build = Emplacements::Choisir(r + "build", "../share/ovan-messenger");
        QCOMPARE(build.donnees, r + "build/");
        QCOMPARE(build.ecriture, r + "build/");
        QVERIFY(QDir(r).mkpath("opt/share/ovan-messenger"));
        const Emplacements inscriptible = Emplacements::Choisir(r + "opt/bin", "../share/ovan-messenger");
        QCOMPARE(inscriptible.donnees, r + "opt/share/ovan-messenger/");
        QCOMPARE(inscriptible.ecriture, inscriptible.donnees);
        // A folder that cannot be written, even by root: one that is not there.
        const Emplacements installe = Emplacements::Choisir(r + "usr/bin", "../share/ovan-messenger");
        QCOMPARE(installe.donnees, r + "usr/share/ovan-messenger/");
        QCOMPARE(installe.ecriture, r + "maison/ovan-messenger/");
        QVERIFY(QFileInfo(installe.ecriture).isDir());
        QCOMPARE(Emplacements::Choisir(r + "usr/bin", QString()).donnees, r + "usr/bin/");
        qunsetenv("XDG_DATA_HOME");
    }
};

QTEST_GUILESS_MAIN(TestChatTrames)
#include "tst_chat_trames.moc"

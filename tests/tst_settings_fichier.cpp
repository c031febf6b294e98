// config.ini without a window: its lines, the settings read and written, the safe save.
#include "Fichiers.h"
#include "core/settings/FichierConfig.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <climits>

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
const Reglages Complets{
    QStringLiteral("Zoé€"), QStringLiteral("/home/zoe/Reçus/"), 4, 7, true, false, true, 1, 4, true};
const QByteArray
    CompletsEcrits("PSEUDO:Zo\xe9\x80\r\nDOSSIER:/home/zoe/Re\xe7us/\r\nPOLICE:4\r\nCOULEUR:7\r\nGRAS:1\r\n"
                   "ITALIQUE:0\r\nSOULIGNE:1\r\nFORMAT:1\r\nQUALITE:4\r\nENVOICAPT:1\r\n");

} // namespace

class TestSettingsFichier : public QObject {
    Q_OBJECT

private slots:
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
            << Reglages{.Pseudo = QStringLiteral("Paul"), .Qualite = 2, .EnvoiCapture = true};
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
        QTest::newRow("doublons") << QByteArray(
                                         "PSEUDO:Un\nPSEUDO:Deux\nPOLICE:3\nPOLICE:-2\nCOULEUR:1\nCOULEUR:5\n"
                                         "GRAS:1\nGRAS:0\nITALIQUE:0\nITALIQUE:1\n")
                                  << Reglages{.Pseudo = QStringLiteral("Deux"),
                                              .Police = 3,
                                              .Couleur = 5,
                                              .Gras = true,
                                              .Italique = true};
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
        const Reglages long_{.Pseudo = QString(100000, u'é') + u'\r', .Dossier = QStringLiteral("\r\r")};
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
        QVERIFY(QDir(d).mkdir(QStringLiteral("config_tmp.ini")));
        QVERIFY(!SauverFichierConfig(d, "PSEUDO:Deux\n"));
        QCOMPARE(Lire(d + "config.ini"), QByteArray("PSEUDO:Un\n"));
        QVERIFY(QDir(d).rmdir(QStringLiteral("config_tmp.ini")));
        // The folder is gone: nothing is made.
        QVERIFY(!SauverFichierConfig(d + "absent/", "PSEUDO:Trois\n"));
        QVERIFY(!QFile::exists(d + "absent"));
        // A folder is always written with its "/", the default one too: names are added to it.
        QVERIFY(DossierParDefaut().endsWith(u'/'));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFichier)
#include "tst_settings_fichier.moc"

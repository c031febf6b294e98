// The transfer's texts (sizes, rate, time left) and the names of received files that cannot come
// from a contact's frames (backslashes, characters outside Windows-1252, numbered names).
#include "core/transfer/ConversionsTransfert.h"
#include "core/transfer/NomsFichiers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace NomsFichiers;

namespace {

// Lays out entries under d: "x/" a folder, "->x" a link to nowhere, anything else an empty file.
void Creer(const QString& d, const QStringList& entrees) {
    for (const QString& e : entrees)
        if (e.endsWith(u'/'))
            QVERIFY(QDir(d).mkdir(e));
        else if (e.startsWith("->"))
            QVERIFY(QFile::link(d + "absent", d + e.sliced(2)));
        else
            QVERIFY(QFile(d + e).open(QIODevice::WriteOnly));
}

} // namespace

class TestTransferNoms : public QObject {
    Q_OBJECT

private slots:
    // Byte counts around each unit switch, and past 4 GiB.
    void taille() {
        const std::initializer_list<std::pair<qint64, const char*>> cas = {
            {0, "0 octets"},          {999, "999 octets"},      {1000, "0,97 Ko"},
            {1075, "1,04 Ko"},        {1536, "1,50 Ko"},        {10239, "9,99 Ko"},
            {10240, "10,0 Ko"},       {1023999, "999,9 Ko"},    {1024000, "0,97 Mo"},
            {1048575999, "999,9 Mo"}, {1048576000, "0,97 Go"},  {4294967296, "4,00 Go"},
            {5905580032, "5,50 Go"},  {10737418240, "10,0 Go"}, {1LL << 50, "1048576,0 Go"},
            {-1, "? octets"}};
        for (const auto& [octets, texte] : cas)
            QCOMPARE(ConvTaille(octets), QString::fromUtf8(texte));
    }

    // Done, total, seconds -> rate and time left after their prefixes; no rate: labels unchanged.
    void debitTemps() {
        const std::initializer_list<std::tuple<qint64, qint64, double, const char*, const char*>> cas = {
            {999, 1999, 1, "999 octets/seconde", "0 min 1 sec"},
            {1000, 91000, 1, "0 Ko/seconde", "1 min 30 sec"},
            {2048, 4096, 1, "2 Ko/seconde", "0 min 1 sec"},
            {2999, 94438, 2, "1 Ko/seconde", "1 min 1 sec"},
            {5368709120, 10737418240, 1000, "5242 Ko/seconde", "16 min 40 sec"},
            {3000, 2000, 1, "2 Ko/seconde", "0 min 0 sec"},
            {0, 100, 1, nullptr, nullptr},
            {1, 100, 2, nullptr, nullptr},
            {100, 200, 0, nullptr, nullptr},
            {100, 200, -1, nullptr, nullptr},
            {100, 200, std::nan(""), nullptr, nullptr},
            {LLONG_MAX, LLONG_MAX, 1e-300, nullptr, nullptr}};
        for (const auto& [faits, total, secondes, debit, temps] : cas) {
            const auto textes = ConvOctDebitTemps(faits, total, secondes);
            QCOMPARE(textes.has_value(), debit != nullptr);
            if (textes) {
                QCOMPARE(textes->debit, QStringLiteral("Débit : ") + debit);
                QCOMPARE(textes->temps, QStringLiteral("Temps restant estimé : ") + temps);
            }
        }
    }

    void existence() {
        QTemporaryDir tmp;
        const QString d = tmp.path() + u'/';
        Creer(d, {"dossier/", "fichier", "->lienMort"});
        QVERIFY(QFile::link(d + "dossier", d + "lienDossier"));
        const std::initializer_list<std::tuple<QString, bool, bool>> cas = {
            {d + "fichier", true, false},  {d + "dossier", true, true},
            {d + "dossier/", true, true},  {d + "lienDossier/", true, true},
            {d + "lienMort", true, false}, {d + "absent", false, false},
            {QString(), false, false},     {"/", true, true}};
        for (const auto& [chemin, fichier, dossier] : cas)
            QVERIFY2(FichExist(chemin) == fichier && DossExist(chemin) == dossier, qPrintable(chemin));
    }

    void changeNom() {
        const QString e125 = QStringLiteral("é").repeated(125);
        const std::initializer_list<std::tuple<QStringList, QString, QString>> cas = {
            {{"photo.jpg", "->photo_1.jpg"}, "photo.jpg", "photo_2.jpg"},
            {{"photo_7.jpg"}, "photo_7.jpg", "photo_8.jpg"},
            {{"x_10.txt", "x_11.txt"}, "x_10.txt", "x_12.txt"},
            {{"mon_fichier.txt"}, "mon_fichier.txt", "mon_fichier_1.txt"},
            {{"v_2b.txt"}, "v_2b.txt", "v_3.txt"},
            {{"a.b_5"}, "a.b_5", "a_1.b_5"},
            {{"v_2.d/", "v_2.d/notes"}, "v_2.d/notes", "v_2.d/notes_1"},
            {{"x_99999999999999999999.txt"}, "x_99999999999999999999.txt", "x_99999999999999999999_1.txt"},
            {{e125 + ".txt"}, e125 + ".txt", e125.chopped(1) + "_1.txt"}}; // 255 bytes at most
        for (const auto& [existants, nom, attendu] : cas) {
            QTemporaryDir tmp;
            const QString d = tmp.path() + u'/';
            Creer(d, existants);
            QCOMPARE(ChangeNom(d + nom), d + attendu);
        }
    }

    void nomSur() {
        const QString e = QStringLiteral("é"), rire = QStringLiteral("😀");
        const std::initializer_list<std::pair<QString, QString>> cas = {
            {" rapport final .pdf", " rapport final .pdf"},
            {"a\\b", "b"},
            {"C:\\Users\\x\\photo.jpg", "photo.jpg"},
            {QStringLiteral("a\tb\x7f\u0085c\r\n"), "abc"},
            {QStringLiteral("a") + QChar(char16_t(0xD800)) + u'b', "ab"},
            {rire + ".png", rire + ".png"},
            {"..\\", ""},
            {".\x01.", ""},
            {e.repeated(150) + ".txt", e.repeated(125) + ".txt"},
            {rire.repeated(80), rire.repeated(63)},
            {QStringLiteral("€").repeated(100), QStringLiteral("€").repeated(85)},
            {QString(254, u'a') + e, QString(254, u'a')},
            {"a." + QString(300, u'b'), "a." + QString(253, u'b')}};
        for (const auto& [recu, sur] : cas)
            QCOMPARE(NomSur(recu), sur);
    }
};

QTEST_GUILESS_MAIN(TestTransferNoms)
#include "tst_transfer_noms.moc"

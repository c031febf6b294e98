// The conversation core against a raw contact on the file port: names, sizes, strangers, failures.
#include "FauxContact.h"
#include "Fichiers.h"
#include "core/chat/Conversation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>

namespace {

QStringList Entrees(const QString& dossier) {
    return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A core on 127.0.0.n whose files go to recus/, beside an empty dehors/ that nothing may reach, a
// contact Eve on 127.0.0.n+1, and a user who says yes to every offer.
struct Banc {
    QTemporaryDir dossier;
    QString adresse, recus = dossier.filePath("recus/"), dehors = dossier.filePath("dehors/");
    Conversation c;
    FauxContact f;
    QSignalSpy refus{&c, &Conversation::offreRefusee};
    QSignalSpy fins{&c, &Conversation::transfertFini};
    explicit Banc(int n)
        : adresse(QStringLiteral("127.0.0.%1").arg(n)), c(QHostAddress(adresse)),
          f(QStringLiteral("127.0.0.%1").arg(n + 1)) {
        QObject::connect(&c, &Conversation::offreRecue, &c, [this] { c.RepondreOffre(true); });
    }
    bool Relier() {
        QDir().mkpath(recus);
        QDir().mkpath(dehors);
        c.ReglerDossierReception(recus);
        c.ReglerPseudoSaisi(QStringLiteral("Moi"));
        if (!c.Ecouter() || !c.EcouterFichiers() || !f.EcouterFichier() || !f.Appeler(adresse))
            return false;
        f.Envoyer("[LOG]Eve\x03");
        return QTest::qWaitFor([this] { return c.SonPseudo() == QStringLiteral("Eve"); });
    }
    // The contact offers a file; the whole answer.
    QByteArray Offrir(const QByteArray& offre) {
        f.Oublier();
        f.Envoyer("[DEM]" + offre + '\x03');
        return f.AttendreTrames(1) ? f.Octets() : QByteArray();
    }
    // How the last transfer ended.
    std::pair<IssueTransfert, RaisonEchec> Issue() const {
        return {fins.last().at(0).value<IssueTransfert>(), fins.last().at(1).value<RaisonEchec>()};
    }
    bool Echoue(RaisonEchec raison) const {
        return !fins.isEmpty() && Issue() == std::pair(IssueTransfert::Echec, raison);
    }
    int Reussis() const {
        return int(std::count_if(fins.begin(), fins.end(), [](const QList<QVariant>& f) {
            return f.at(0).value<IssueTransfert>() == IssueTransfert::Termine;
        }));
    }
    // Waits until at least fait bytes have come.
    bool Recu(qint64 fait) {
        QSignalSpy progression(&c, &Conversation::progression);
        return QTest::qWaitFor(
            [&] { return !progression.isEmpty() && progression.last().at(0).toLongLong() >= fait; });
    }
    // An offer accepted, and the first bytes of its stream.
    bool Entamer(const QByteArray& offre, const QByteArray& debut) {
        if (Offrir(offre) != "[RPS]OUI\x03" || !f.ConnecterFichier(adresse))
            return false;
        f.Oublier();
        f.EnvoyerFichier(debut);
        return true;
    }
    // After a yes: the contact streams octets and closes; true once the file is there.
    bool Livrer(const QByteArray& octets) {
        const int avant = Reussis();
        if (!f.ConnecterFichier(adresse))
            return false;
        f.EnvoyerFichier(octets);
        f.FermerFichier();
        return QTest::qWaitFor([&] { return Reussis() > avant; }, 10000);
    }
};

} // namespace

class TestTransferHostile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }

    // Every name lands inside the folder as a new regular file, or is refused with a reason; what was
    // there, links included, stays.
    void nomsHostiles() {
        Banc b(110);
        QVERIFY(b.Relier());
        QVERIFY(QFile::link(b.dehors + QStringLiteral("cible.txt"), b.recus + QStringLiteral("lien.txt")));
        QVERIFY(QFile::link(b.dehors, b.recus + QStringLiteral("liendossier")));
        QVERIFY(QFile::link(b.recus + QStringLiteral("boucle"), b.recus + QStringLiteral("boucle")));
        QVERIFY(QDir().mkpath(b.recus + QStringLiteral("sousdossier")));
        const QByteArray a300(300, 'a'), e300(300, '\xe9');
        const QString e127 = QString(127, QChar(0xE9));
        // What goes after "[DEM]", and the name the file gets ("" when refused).
        const QList<std::pair<QByteArray, QString>> cas = {
            {"../x1\\5", "x1"},
            {"/tmp/x3\\5", "x3"},
            {"a/../../x4\\5", "x4"},
            {"C:/Windows/x5.exe\\5", "x5.exe"},
            {"..\\5", ""},
            {".\\5", ""},
            {"\\5", ""},
            {"/\\5", ""},
            {"dossier/\\5", ""},
            {"x/.\\5", ""},
            {"\x01\x02\x1f\\5", ""},
            {"\x7f\\5", ""},
            // Bytes that Windows-1252 leaves undefined read as control characters.
            {"\x81\x8d\x8f\x90\x9d\\5", ""},
            {"ab\x81"
             "cd.txt\\5",
             "abcd.txt"},
            {"cr\r\nlf.txt\\5", "crlf.txt"},
            {QByteArray("nu\0l.txt\\5", 10), "nul.txt"},
            {"x\x85y.txt\\5", QStringLiteral("x…y.txt")},
            {"\x80uro.txt\\5", QStringLiteral("€uro.txt")},
            {".bashrc\\5", ".bashrc"},
            {".ovan-0.part\\5", ".ovan-0.part"},
            {"...\\5", "..."},
            {"*?<>|\"\\5", "*?<>|\""},
            {"%2e%2e%2fx6\\5", "%2e%2e%2fx6"},
            {a300 + "\\5", QString(255, u'a')},
            {e300 + "\\5", e127},
            {QByteArray(260, 'b') + ".txt\\5", QString(251, u'b') + ".txt"},
            {"lien.txt\\5", "lien_1.txt"},
            {"liendossier\\5", "liendossier_1"},
            {"boucle\\5", "boucle_1"},
            {"sousdossier\\5", "sousdossier_1"},
            {"x1\\5", "x1_1"},
            {"x1\\5", "x1_2"},
            {"con\\5", "con"},
            {"nom.tar.gz\\5", "nom.tar.gz"},
            {"nom.tar.gz\\5", "nom.tar_1.gz"},
        };
        for (const auto& [offre, attendu] : cas) {
            const QByteArray quoi = "offre " + offre.toPercentEncoding();
            const QStringList avant = Entrees(b.recus);
            const QByteArray reponse = b.Offrir(offre);
            if (attendu.isEmpty()) {
                QVERIFY2(reponse == "[RPS]NON\x03", quoi);
                QVERIFY2(b.refus.last().at(1).value<Conversation::Refus>() ==
                             Conversation::Refus::NomInvalide,
                         quoi);
                QCOMPARE(Entrees(b.recus), avant);
                continue;
            }
            QVERIFY2(reponse == "[RPS]OUI\x03", quoi);
            QVERIFY2(b.Livrer("12345"), quoi);
            const QFileInfo recu(b.recus + attendu);
            QVERIFY2(recu.isFile() && !recu.isSymLink() && Lire(recu.filePath()) == "12345", quoi);
            QVERIFY2(Entrees(b.recus).size() == avant.size() + 1 && Entrees(b.dehors).isEmpty(), quoi);
            // The user reads the name the file was saved under, free of control characters.
            const Conversation::Fichier& fichier = b.c.FichierCourant();
            QVERIFY2((fichier.nomEnregistre.isEmpty() ? fichier.nom : fichier.nomEnregistre) == attendu,
                     quoi);
            QVERIFY2(std::none_of(fichier.nom.begin(), fichier.nom.end(),
                                  [](QChar ch) { return ch.category() == QChar::Other_Control; }),
                     quoi);
        }
        QVERIFY(QFileInfo(b.recus + QStringLiteral("lien.txt")).isSymLink());
        QVERIFY(QFileInfo(b.recus + QStringLiteral("sousdossier")).isDir());
        QVERIFY(QDir(b.recus + QStringLiteral("sousdossier")).isEmpty());
    }

    // Sizes are leading digits; an absurd one is refused; the file holds the announced bytes, never
    // more, and a stream that stops short leaves nothing.
    void taillesEtOctets() {
        Banc b(112);
        QVERIFY(b.Relier());
        const QList<std::tuple<QByteArray, QString, QByteArray>> cas = {
            {"s2.txt\\12abc", "s2.txt", "0123456789AB"},
            {"s3.txt\\-5", "s3.txt", ""},
            {"s5.txt", "s5.txt", ""},
            {"s6.txt\\10\\20", "s6.txt", "0123456789"},
        };
        for (const auto& [offre, nom, contenu] : cas) {
            QVERIFY2(b.Offrir(offre) == "[RPS]OUI\x03", offre);
            // The contact sends more than it announced: the rest is not written.
            QVERIFY2(b.Livrer("0123456789ABCDEFGHIJ"), offre);
            QCOMPARE(Lire(b.recus + nom), contenu);
        }
        for (const QByteArray& absurde :
             {QByteArray("1125899906842625"), QByteArray("9223372036854775808")}) {
            QCOMPARE(b.Offrir("grand.bin\\" + absurde), QByteArray("[RPS]NON\x03"));
            QCOMPARE(b.refus.last().at(0).toString(), QStringLiteral("grand.bin"));
            QCOMPARE(b.refus.last().at(1).value<Conversation::Refus>(), Conversation::Refus::TailleInvalide);
        }

        // Fewer bytes than announced, no cancel after: the contact is told, in case it missed the break.
        QVERIFY(b.Entamer("court.bin\\100", QByteArray(10, 'c')));
        b.f.FermerFichier();
        QTRY_VERIFY(b.Echoue(RaisonEchec::FluxInterrompu));
        QCOMPARE(b.c.FichierCourant().nom, QStringLiteral("court.bin"));
        QVERIFY(!QFileInfo::exists(b.recus + QStringLiteral("court.bin")));
        QVERIFY(Entrees(b.recus).filter(QStringLiteral("court")).isEmpty());
        QCOMPARE(b.f.Octets(), QByteArray("[ANN]\x03"));
    }

    // The frames byte for byte, the receiver's empty connection before its yes, and nothing but the
    // file's bytes on the sender's stream.
    void octetsExactsDesDeuxRoles() {
        Banc b(117);
        QVERIFY(b.Relier());
        QTemporaryDir source;
        const QString chemin = EcrireMotif(source.path() + QStringLiteral("/été.bin"), 300000);
        const QByteArray octets = Lire(chemin);
        b.f.Oublier();
        QCOMPARE(b.c.OffrirFichier(chemin), Conversation::Offre::Faite);
        QVERIFY(b.f.AttendreTrames(1));
        QCOMPARE(b.f.Octets(), QByteArray("[DEM]\xe9t\xe9.bin\\300000\x03"));
        QVERIFY(b.f.ConnecterFichier(b.adresse));
        const int appels = b.f.AppelsFichier();
        b.f.Envoyer("[RPS]OUI\x03");
        QTRY_COMPARE(b.f.AppelsFichier(), appels + 1);
        QTRY_COMPARE(b.f.LuSurAppel(appels).size(), octets.size());
        QTRY_COMPARE(b.Reussis(), 1);
        QCOMPARE(b.f.LuSurAppel(appels), octets);
        QCOMPARE(b.f.Octets(), QByteArray("[DEM]\xe9t\xe9.bin\\300000\x03"));

        // The copy receives, then cancels.
        b.c.AnnulerTransfert();
        const int appelsAvant = b.f.AppelsFichier();
        QCOMPARE(b.Offrir("re\xe7u.bin\\1000"), QByteArray("[RPS]OUI\x03"));
        QTRY_COMPARE(b.f.AppelsFichier(), appelsAvant + 1);
        QVERIFY(b.f.ConnecterFichier(b.adresse));
        b.f.EnvoyerFichier("abc");
        QVERIFY(b.Recu(3));
        b.f.Oublier();
        b.c.AnnulerTransfert();
        QVERIFY(b.f.AttendreTrames(1));
        QCOMPARE(b.f.Octets(), QByteArray("[ANN]\x03"));
        QTRY_VERIFY(b.Issue().first == IssueTransfert::Annule);
        QCOMPARE(b.c.FichierCourant().nom, QStringLiteral("reçu.bin"));
        QTRY_VERIFY(b.f.AppelFerme(appelsAvant));
        QCOMPARE(b.f.LuSurAppel(appelsAvant), QByteArray());
    }

    // A file-size limit, the folder removed, the contact gone: each ends the transfer, leaves nothing,
    // and the next transfer works.
    void echecsPuisNouveauTransfert() {
        Banc b(119);
        QVERIFY(b.Relier());
        int numero = 0;
        const auto transfertQuiMarche = [&] {
            const QByteArray nom = "apres" + QByteArray::number(++numero) + ".bin";
            return b.Offrir(nom + "\\3") == "[RPS]OUI\x03" && b.Livrer("xyz") &&
                   Lire(b.recus + QString::fromLatin1(nom)) == "xyz";
        };

        // A file-size limit: the write fails, the contact is told.
        rlimit ancienne{};
        getrlimit(RLIMIT_FSIZE, &ancienne);
        const rlimit limite{64 * 1024, ancienne.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limite), 0);
        QVERIFY(b.Entamer("limite.bin\\1000000", QByteArray(200000, 'l')));
        QVERIFY(b.f.AttendreTrames(1));
        setrlimit(RLIMIT_FSIZE, &ancienne);
        QCOMPARE(b.f.Octets(), QByteArray("[ANN]\x03"));
        QTRY_VERIFY(b.Echoue(RaisonEchec::EcritureImpossible));
        QVERIFY(!b.c.TransfertEnCours());
        QVERIFY(Entrees(b.recus).isEmpty());
        QVERIFY(transfertQuiMarche());

        // The folder removed while the bytes come.
        QVERIFY(b.Entamer("orphelin.bin\\2000", QByteArray(1000, 'o')) && b.Recu(1000));
        QVERIFY(QDir(b.recus).removeRecursively());
        b.f.Oublier();
        b.f.EnvoyerFichier(QByteArray(1000, 'o'));
        QVERIFY(b.f.AttendreTrames(1));
        QCOMPARE(b.f.Octets(), QByteArray("[ANN]\x03"));
        QTRY_VERIFY(b.Echoue(RaisonEchec::EcritureImpossible));
        QCOMPARE(b.c.FichierCourant().nom, QStringLiteral("orphelin.bin"));
        QVERIFY(QDir().mkpath(b.recus));
        QVERIFY(transfertQuiMarche());

        // The contact's machine goes away mid-stream: the chat and the stream are reset.
        QVERIFY(b.Entamer("coupe.bin\\2000", QByteArray(1000, 'c')) && b.Recu(1000));
        const int finsAvant = int(b.fins.count());
        b.f.FermerFichier(true);
        b.f.Reinitialiser(FauxContact::Lien::VersCopie);
        b.f.Reinitialiser(FauxContact::Lien::DepuisCopie);
        QTRY_COMPARE(b.c.Etat(), EtatConnexion::Ecoute);
        QTRY_COMPARE(b.fins.count(), finsAvant + 1);
        QCOMPARE(b.Issue().first, IssueTransfert::Echec);
        QCOMPARE(b.c.FichierCourant().nom, QStringLiteral("coupe.bin"));
        QVERIFY(Entrees(b.recus).filter(QStringLiteral("coupe")).isEmpty());
        // The contact comes back, from another address.
        FauxContact retour(QStringLiteral("127.0.0.121"));
        b.f.Oublier();
        QVERIFY(retour.EcouterFichier());
        QVERIFY(retour.Appeler(b.adresse));
        retour.Envoyer("[LOG]Eve\x03");
        QTRY_COMPARE(b.c.Etat(), EtatConnexion::Connecte);
        retour.Envoyer("[DEM]encore.bin\\3\x03");
        QTRY_COMPARE(retour.Trames().size(), 2); // our "[LOG]" and the yes
        QCOMPARE(retour.Trames().last().donnee, QByteArray("OUI"));
        QVERIFY(retour.ConnecterFichier(b.adresse));
        retour.EnvoyerFichier("xyz");
        retour.FermerFichier();
        QTRY_COMPARE(b.c.FichierCourant().nom, QStringLiteral("encore.bin"));
        QTRY_VERIFY(b.Issue().first == IssueTransfert::Termine);
        QCOMPARE(Lire(b.recus + QStringLiteral("encore.bin")), QByteArray("xyz"));
    }
};

QTEST_GUILESS_MAIN(TestTransferHostile)
#include "tst_transfer_hostile.moc"

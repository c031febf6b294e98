// The transfer core without a window: received files' names and the transfer's texts; the file port
// between two channels and against peers by hand that stop, intrude or never come; the conversation
// core against a raw contact: names, sizes, failures.
#include "FauxContact.h"
#include "Fichiers.h"
#include "core/chat/Conversation.h"
#include "core/transfer/CanalFichier.h"
#include "core/transfer/ConversionsTransfert.h"
#include "core/transfer/FichierRecu.h"
#include "core/transfer/FluxVerifie.h"
#include "core/transfer/Lot.h"
#include "core/transfer/NomsFichiers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <list>
#include <sys/resource.h>
#include <unistd.h>

using namespace NomsFichiers;

namespace {

constexpr quint16 Port = 46001;

QHostAddress Ip(int n) {
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(n));
}

// A sender by hand: accepts the receiver's empty connection, streams from its address what the test writes.
struct EmetteurBrut {
    explicit EmetteurBrut(int ip) : adresse(Ip(ip)) { ecoute.listen(adresse, Port); }
    bool Connecter(int recepteur) {
        flux.bind(adresse, 0);
        flux.connectToHost(Ip(recepteur), Port);
        return flux.waitForConnected(5000);
    }
    QHostAddress adresse;
    QTcpServer ecoute;
    QTcpSocket flux;
};

// A flush held by the test: the worker waits in it until the test lets it go.
QSemaphore g_vidageCommence, g_vidageLibre;
std::atomic<bool> g_vidageTropLong{false};
void VidageRetenu() {
    g_vidageCommence.release();
    if (!g_vidageLibre.tryAcquire(1, 20000))
        g_vidageTropLong = true;
}

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

// Whether this process holds a file of dossier open.
bool FichierOuvertIci(const QString& dossier) {
    const QByteArray cible = QFile::encodeName(QFileInfo(dossier).canonicalFilePath()) + '/';
    // Folders too, and entries since removed: what the descriptor names, as the kernel says it.
    for (const QString& fd :
         QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char lien[4096];
        const ssize_t n = ::readlink(QFile::encodeName("/proc/self/fd/" + fd).constData(), lien, sizeof lien);
        if (n > 0 && QByteArray(lien, n).startsWith(cible))
            return true;
    }
    return false;
}

// A core on 127.0.0.n saving to recus/ (dehors/ must stay empty), Eve on .n+1, every offer accepted.
// A batch's list as it travels: kind, size, path.
QByteArray Manifeste(const QList<std::tuple<char, qint64, QByteArray>>& entrees) {
    QByteArray m;
    for (const auto& [genre, taille, chemin] : entrees)
        m += genre + FluxVerifie::VersOctets(taille) + char(chemin.size() >> 8) + char(chemin.size() & 0xFF) +
             chemin;
    return m;
}

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
    std::pair<IssueTransfert, RaisonEchec> Derniere() const {
        return {fins.last().at(0).value<IssueTransfert>(), fins.last().at(1).value<RaisonEchec>()};
    }
    bool Echoue(RaisonEchec raison) const {
        return !fins.isEmpty() && Derniere() == std::pair(IssueTransfert::Echec, raison);
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

class TestTransferNoyau : public QObject {
    Q_OBJECT
    QTemporaryDir m_racine;
    QString Dossier(const QString& nom) {
        QDir().mkpath(m_racine.filePath(nom));
        return m_racine.filePath(nom);
    }
    QString Source(const QString& nom, const QByteArray& octets) {
        return Ecrire(m_racine.filePath(nom), octets) ? m_racine.filePath(nom) : "";
    }
    static RaisonEchec Raison(const QSignalSpy& echec) { return echec.last().at(0).value<RaisonEchec>(); }

private slots:
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }

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
            {"a/b\\c/d", "d"},
            {"C:\\Users/x\\photo.jpg", "photo.jpg"},
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

    // Every name lands inside the folder as a new regular file, or is refused; what was there stays.
    void nomsHostiles() {
        Banc b(110);
        QVERIFY(b.Relier());
        QVERIFY(QFile::link(b.dehors + QStringLiteral("cible.txt"), b.recus + QStringLiteral("lien.txt")));
        QVERIFY(QFile::link(b.dehors, b.recus + QStringLiteral("liendossier")));
        QVERIFY(QFile::link(b.recus + QStringLiteral("boucle"), b.recus + QStringLiteral("boucle")));
        QVERIFY(QDir().mkpath(b.recus + QStringLiteral("sousdossier")));
        // After "[DEM]", and the name saved ("" refused); Windows-1252's undefined bytes read as controls.
        const QList<std::pair<QByteArray, QString>> cas = {
            {"../x1\\5", "x1"},
            {"a/../../x4\\5", "x4"},
            {"..\\5", ""},
            {"\\5", ""},
            {"dossier/\\5", ""},
            {"\x01\x02\x1f\\5", ""},
            {"\x81\x8d\x8f\x90\x9d\\5", ""},
            {QByteArray("nu\0l.txt\\5", 10), "nul.txt"},
            {"x\x85y.txt\\5", QStringLiteral("x…y.txt")},
            {".bashrc\\5", ".bashrc"},
            {".ovan-0.part\\5", ".ovan-0.part"},
            {"...\\5", "..."},
            {"*?<>|\"\\5", "*?<>|\""},
            {"%2e%2e%2fx6\\5", "%2e%2e%2fx6"},
            {QByteArray(300, '\xe9') + "\\5", QString(127, QChar(0xE9))},
            {"lien.txt\\5", "lien_1.txt"},
            {"liendossier\\5", "liendossier_1"},
            {"boucle\\5", "boucle_1"},
            {"sousdossier\\5", "sousdossier_1"},
            {"x1\\5", "x1_1"},
        };
        for (const auto& [offre, attendu] : cas) {
            const QByteArray quoi = "offre " + offre.toPercentEncoding();
            const QStringList avant = EntreesDe(b.recus);
            const QByteArray reponse = b.Offrir(offre);
            if (attendu.isEmpty()) {
                QVERIFY2(reponse == "[RPS]NON\x03" && b.refus.last().at(1).value<Conversation::Refus>() ==
                                                          Conversation::Refus::NomInvalide,
                         quoi);
                QCOMPARE(EntreesDe(b.recus), avant);
                continue;
            }
            QVERIFY2(reponse == "[RPS]OUI\x03", quoi);
            QVERIFY2(b.Livrer("12345"), quoi);
            const QFileInfo recu(b.recus + attendu);
            QVERIFY2(recu.isFile() && !recu.isSymLink() && Lire(recu.filePath()) == "12345", quoi);
            QVERIFY2(EntreesDe(b.recus).size() == avant.size() + 1 && EntreesDe(b.dehors).isEmpty(), quoi);
            // The user reads the name the file was saved under.
            const Conversation::Fichier& fichier = b.c.FichierCourant();
            QVERIFY2((fichier.nomEnregistre.isEmpty() ? fichier.nom : fichier.nomEnregistre) == attendu,
                     quoi);
        }
        QVERIFY(QFileInfo(b.recus + QStringLiteral("lien.txt")).isSymLink());
        QVERIFY(QFileInfo(b.recus + QStringLiteral("sousdossier")).isDir());
        QVERIFY(QDir(b.recus + QStringLiteral("sousdossier")).isEmpty());
    }

    // Sizes: leading digits, absurd ones refused, never more bytes written, none if the stream stops short.
    void taillesEtOctets() {
        Banc b(112);
        QVERIFY(b.Relier());
        // The contact sends more than it announced: the rest is not written.
        for (auto [offre, contenu] :
             {std::pair<QByteArray, QByteArray>{"s2.txt\\12abc", "0123456789AB"}, {"s5.txt", ""}}) {
            QVERIFY2(b.Offrir(offre) == "[RPS]OUI\x03" && b.Livrer("0123456789ABCDEFGHIJ"), offre);
            QCOMPARE(Lire(b.recus + QString::fromLatin1(offre.first(6))), contenu);
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
        QVERIFY(EntreesDe(b.recus).filter(QStringLiteral("court")).isEmpty());
        QCOMPARE(b.f.Octets(), QByteArray("[ANN]\x03"));
    }

    // Frames byte for byte, the receiver's empty connection before its yes, only the file's bytes sent.
    void octetsExactsDesDeuxRoles() {
        Banc b(117);
        QVERIFY(b.Relier());
        const QString chemin = EcrireMotif(b.dossier.filePath(QStringLiteral("été.bin")), 300000);
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
    }

    // A file-size limit, the folder removed, the contact gone: each ends it, leaves nothing; the next works.
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
        QVERIFY(EntreesDe(b.recus).isEmpty());
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
        QCOMPARE(b.Derniere().first, IssueTransfert::Echec);
        QCOMPARE(b.c.FichierCourant().nom, QStringLiteral("coupe.bin"));
        QVERIFY(EntreesDe(b.recus).filter(QStringLiteral("coupe")).isEmpty());
        QVERIFY(!b.c.TransfertEnCours()); // a contact calling again may offer a file
    }

    void transfertEntreDeuxCanaux_data() {
        QTest::addColumn<qint64>("taille");
        QTest::newRow("vide") << qint64(0);
        QTest::newRow("plusieurs blocs, le dernier partiel") << qint64(3 * 1024 * 1024 + 17);
    }
    void transfertEntreDeuxCanaux() {
        QFETCH(qint64, taille);
        const QString dossier = Dossier(QTest::currentDataTag());
        const QByteArray octets = OctetsAuHasard(taille);
        const QString source = Source("source.bin", octets);
        CanalFichier a(Ip(60), Port), b(Ip(61), Port);
        QVERIFY(a.Ecouter() && b.Ecouter());
        QSignalSpy finA(&a, &CanalFichier::termine), finB(&b, &CanalFichier::termine);
        QSignalSpy echecA(&a, &CanalFichier::echec), echecB(&b, &CanalFichier::echec);
        QSignalSpy progression(&b, &CanalFichier::progression);
        QElapsedTimer montre;
        montre.start();
        // No negative size; proposed, accepted (receiver connects first), sent; nothing else meanwhile.
        QVERIFY(!a.Envoyer(Ip(61), source, -1) && !b.Recevoir(Ip(60), dossier, "x", -1));
        QVERIFY(a.Proposer(Ip(61)));
        QVERIFY(b.Recevoir(Ip(60), dossier, "rapport final.pdf", taille));
        QVERIFY(!b.Recevoir(Ip(60), dossier, "autre", 1) && !b.Proposer(Ip(60)) &&
                !b.Envoyer(Ip(60), source, 1));
        QVERIFY(a.Envoyer(Ip(61), source, taille));
        QTRY_VERIFY_WITH_TIMEOUT(finA.count() == 1 && finB.count() == 1, 20000);
        QCOMPARE(echecA.count() + echecB.count(), 0);
        QCOMPARE(EntreesDe(dossier), QStringList{"rapport final.pdf"});
        QVERIFY(Lire(dossier + "/rapport final.pdf") == octets);
        QCOMPARE(progression.last(), (QList<QVariant>{taille, taille}));
        QVERIFY2(progression.count() <= montre.elapsed() / 50 + 3,
                 qPrintable(QString::number(progression.count())));
        QVERIFY(!a.EnCours() && !b.EnCours());
    }

    // A copy of ours by hand: its stream goes silent (a machine asleep), and the same file offered
    // again takes the dead transfer's place, resuming from what came; the digest covers it all.
    void memeFichierReoffertSurUnFluxMort() {
        Banc b(124);
        QVERIFY(b.Relier());
        b.f.Envoyer("[OVX]1;reprise,sha256\x03");
        QTRY_VERIFY(b.c.PoigneeRecue());
        const QByteArray empreinte(32, 'e'), debut(600, 'a'), fin(400, 'b');
        QVERIFY(b.Entamer("film.bin\\1000", empreinte));
        QCOMPARE(b.f.LireFichier(8), FluxVerifie::VersOctets(0));
        b.f.EnvoyerFichier(debut);
        QVERIFY(b.Recu(600));
        QCOMPARE(b.Offrir("film.bin\\1000"), "[RPS]OUI\x03");
        QVERIFY(b.Echoue(RaisonEchec::FluxInterrompu));
        QVERIFY(b.f.ConnecterFichier(b.adresse));
        b.f.EnvoyerFichier(empreinte);
        QCOMPARE(b.f.LireFichier(8), FluxVerifie::VersOctets(600));
        b.f.EnvoyerFichier(fin + QCryptographicHash::hash(debut + fin, QCryptographicHash::Sha256));
        QCOMPARE(b.f.LireFichier(1), "V");
        QTRY_COMPARE(b.Reussis(), 1);
        QCOMPARE(Lire(b.recus + "film.bin"), debut + fin);
        QCOMPARE(EntreesDe(b.recus), QStringList{"film.bin"});
    }

    // A batch's list as the receiver reads it: every path confined to the batch, clashes renamed,
    // and held to its offer and to bounds whatever it claims.
    void lotsHostiles() {
        const auto lus = [](const std::optional<std::vector<EntreeLot>>& l) {
            QStringList s;
            for (const EntreeLot& e : l.value_or(std::vector<EntreeLot>{}))
                s << (e.dossier ? e.chemin + '/' : e.chemin + '=' + QString::number(e.taille));
            return s;
        };
        const QByteArray longue(300, 'n');
        const auto lu = Lot::Lire(Manifeste({{'F', 1, "../../etc/passwd"},
                                             {'F', 2, "/abs/x"},
                                             {'F', 3, "a\\..\\b\x01"},
                                             {'D', 0, "a"},
                                             {'F', 4, "a"},
                                             {'F', 5, "a/b"},
                                             {'F', 6, "etc/passwd"},
                                             {'D', 0, "/../."},
                                             {'F', 7, longue + ".txt"}}),
                                  7, 28);
        QCOMPARE(lus(lu),
                 QStringList({"etc/", "etc/passwd=1", "abs/", "abs/x=2", "a/", "a/b=3", "a/", "a_1=4",
                              "a/b_1=5", "etc/passwd_1=6", QString(longue.left(251)) + ".txt=7"}));
        // The count and the bytes must be the offer's; a kind, a size or a length out of bounds fails.
        const QByteArray un = Manifeste({{'F', 10, "x"}});
        for (const auto& [m, fichiers, total] :
             {std::tuple{un, 1, qint64(9)},
              {un, 2, 10},
              {un.chopped(1), 1, 10},
              {un + 'F', 1, 10},
              {Manifeste({{'L', 10, "x"}}), 1, 10},
              {Manifeste({{'D', 1, "x"}}), 0, 0},
              {Manifeste({{'F', 0, "/.."}}), 1, 0},
              {Manifeste({{'F', -1, "x"}}), 1, -1},
              {Manifeste({{'F', 0, QByteArray("a/").repeated(65) + "x"}}), 1, 0},
              {Manifeste({{'F', 0, (QByteArray(250, 'a') + '/').repeated(17)}}), 1, 0}}) {
            QVERIFY(!Lot::Lire(m, fichiers, total));
        }
        // 100,000 entries are read; one more is not.
        QByteArray cent = Manifeste({{'F', 0, "f"}}).repeated(Lot::EntreesMax);
        QCOMPARE(Lot::Lire(cent, Lot::EntreesMax, 0)->back().chemin, "f_99999");
        QVERIFY(!Lot::Lire(cent + Manifeste({{'F', 0, "f"}}), Lot::EntreesMax + 1, 0));
        // Made and removed without following a link.
        const QString d = Dossier("lot-liens");
        QVERIFY(QDir().mkpath(d + "/dehors") && QFile::link(d + "/dehors", d + "/lien"));
        QVERIFY(Ecrire(d + "/dehors/garde", "x"));
        const int fd = ::open(QFile::encodeName(d).constData(), O_RDONLY | O_DIRECTORY);
        QCOMPARE(Lot::OuvrirDossier(fd, "lien/x", true), -1);
        QVERIFY(Lot::Supprimer(fd, "lien"));
        // A tree as deep as a batch may make goes whole.
        QVERIFY(QDir().mkpath(d + "/profond/" + QString("p/").repeated(Lot::ProfondeurMax)));
        QVERIFY(Lot::Supprimer(fd, "profond") && !QFileInfo::exists(d + "/profond"));
        ::close(fd);
        QCOMPARE(EntreesDe(d + "/dehors"), QStringList{"garde"});
    }

    // A copy of ours by hand offers a batch: "[OVL]" before its offer, then a stream whose paths try
    // to leave the received-files folder. They land inside it; a batch that claims more bytes
    // than its offer fails and leaves nothing. A contact without the extension is told one file.
    void lotDUnContact() {
        Banc b(128);
        QVERIFY(b.Relier());
        QCOMPARE(b.c.OffrirFichiers({b.dehors, b.dehors}), Conversation::Offre::UnSeul);
        b.f.Envoyer("[OVX]1;sha256,reprise,lot\x03");
        QTRY_VERIFY(b.c.LotPossible());
        QSignalSpy offres(&b.c, &Conversation::offreRecue);
        const QByteArray m = Manifeste({{'F', 3, "../../../evade"}, {'F', 2, "/tmp/x/ici"}});
        for (const qint64 annonce : {5, 4}) {
            b.f.Envoyer("[OVL]2\x03");
            QVERIFY(b.Entamer("Lot\\" + QByteArray::number(annonce), FluxVerifie::VersOctets(m.size()) + m));
            QCOMPARE(offres.last().at(2).toInt(), 2);
            if (annonce == 4) {
                QTRY_VERIFY(b.Echoue(RaisonEchec::LotInvalide));
                break;
            }
            b.f.EnvoyerFichier(QByteArray(32, 'e'));
            QCOMPARE(b.f.LireFichier(8), FluxVerifie::VersOctets(0));
            b.f.EnvoyerFichier("abcde" + QCryptographicHash::hash(m + "abcde", QCryptographicHash::Sha256));
            QCOMPARE(b.f.LireFichier(1), "V");
            QTRY_COMPARE(b.Reussis(), 1);
            QCOMPARE(b.c.FichierCourant().chemin, b.recus + "evade");
            QVERIFY(!FichierOuvertIci(b.recus));
        }
        QCOMPARE(EntreesDe(b.recus), QStringList({"evade", "tmp"}));
        QCOMPARE(Lire(b.recus + "evade") + Lire(b.recus + "tmp/x/ici"), "abcde");
    }

    // A copy of ours by hand cancels a resumable transfer, its stream still open or already reset:
    // a bare "[ANN]" (its stream broke) keeps what came; "[OVA]" first (its user's cancel) keeps nothing.
    void annulationVoulueOuCoupure() {
        Banc b(126);
        QVERIFY(b.Relier());
        b.f.Envoyer("[OVX]1;reprise\x03");
        QTRY_VERIFY(b.c.PoigneeRecue());
        int essai = 0;
        for (const bool voulue : {false, true}) {
            for (const bool coupe : {false, true}) {
                QVERIFY(b.Entamer("x.bin\\1000", QByteArray(32, char('a' + essai++))));
                QCOMPARE(b.f.LireFichier(8), FluxVerifie::VersOctets(0));
                b.f.EnvoyerFichier(QByteArray(300, 'x'));
                QVERIFY(b.Recu(300));
                if (coupe) {
                    // The cancel comes once the worker has seen the reset and closed its file.
                    b.f.FermerFichier(true);
                    QTRY_VERIFY(!FichierOuvertIci(b.recus));
                }
                b.f.Envoyer(voulue ? "[OVA]\x03[ANN]\x03" : "[ANN]\x03");
                QTRY_COMPARE(b.fins.count(), essai);
                QCOMPARE(b.Derniere().first, IssueTransfert::Annule);
                QTRY_COMPARE(EntreesDe(b.recus).size(), voulue ? 0 : 1);
            }
        }
    }

    // Strangers are closed unread (anyone but the contact's first connection); the stream stops at the size.
    void appelantEtranger() {
        const QString dossier = Dossier("etranger");
        CanalFichier b(Ip(64), Port);
        QVERIFY(b.Ecouter());
        QSignalSpy fin(&b, &CanalFichier::termine), progression(&b, &CanalFichier::progression);
        EmetteurBrut tot(65);
        QVERIFY(tot.Connecter(64));
        QTRY_COMPARE(tot.flux.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(b.Recevoir(Ip(65), dossier, "f.bin", 6));
        EmetteurBrut intrus(66);
        QVERIFY(intrus.Connecter(64));
        intrus.flux.write("INTRUS");
        QTRY_COMPARE(intrus.flux.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(progression.count(), 0);
        EmetteurBrut contact(65), second(65);
        QVERIFY(contact.Connecter(64));
        contact.flux.write("con");
        QTRY_VERIFY(!progression.isEmpty());
        QVERIFY(second.Connecter(64));
        second.flux.write("XX");
        QTRY_COMPARE(second.flux.state(), QAbstractSocket::UnconnectedState);
        contact.flux.write("tact");
        QVERIFY(fin.wait(10000));
        QCOMPARE(EntreesDe(dossier), QStringList{"f.bin"});
        QCOMPARE(Lire(dossier + "/f.bin"), QByteArray("contac"));
    }

    void annulation() {
        // The receiver cancels while the sender holds back the second half.
        const QString dossier = Dossier("annulation");
        EmetteurBrut emetteur(68);
        CanalFichier b(Ip(67), Port);
        QVERIFY(b.Ecouter());
        QSignalSpy annuleB(&b, &CanalFichier::annule), progressionB(&b, &CanalFichier::progression);
        QVERIFY(b.Recevoir(Ip(68), dossier, "f.bin", 1000000));
        QVERIFY(emetteur.Connecter(67));
        emetteur.flux.write(OctetsAuHasard(500000));
        QTRY_VERIFY(!progressionB.isEmpty() && progressionB.last().at(0).toLongLong() == 500000);
        b.Annuler();
        QVERIFY(annuleB.wait(5000));
        QTRY_COMPARE(EntreesDe(dossier), QStringList{});
        QTRY_COMPARE(emetteur.flux.state(), QAbstractSocket::UnconnectedState);
        // The sender cancels while a receiver reads nothing and the socket buffers are full.
        QTcpServer recepteur;
        QVERIFY(recepteur.listen(Ip(69), Port));
        recepteur.pauseAccepting();
        constexpr qint64 Gros = 32 * 1024 * 1024;
        CanalFichier a(Ip(70), Port);
        QSignalSpy annuleA(&a, &CanalFichier::annule), echecA(&a, &CanalFichier::echec);
        QSignalSpy progressionA(&a, &CanalFichier::progression);
        QVERIFY(a.Envoyer(Ip(69), Source("gros.bin", OctetsAuHasard(Gros)), Gros));
        QTRY_VERIFY(progressionA.count() >= 2);
        a.Annuler();
        QVERIFY(annuleA.wait(5000));
        QCOMPARE(echecA.count(), 0);
        QVERIFY(progressionA.last().at(0).toLongLong() < Gros);
        recepteur.resumeAccepting();
        QVERIFY(recepteur.waitForNewConnection(5000));
        QTcpSocket* flux = recepteur.nextPendingConnection();
        QTRY_COMPARE(flux->state(), QAbstractSocket::UnconnectedState);
        // Nothing runs any more: a second cancel reports nothing.
        a.Annuler();
        QTest::qWait(0);
        QCOMPARE(annuleA.count(), 1);
    }

    // The name was taken while the bytes came: the old file stays, the failure says why.
    void nomPrisEntreTemps() {
        const QString dossier = Dossier("pris");
        EmetteurBrut emetteur(72);
        CanalFichier b(Ip(71), Port);
        QVERIFY(b.Ecouter());
        QSignalSpy echec(&b, &CanalFichier::echec);
        QVERIFY(b.Recevoir(Ip(72), dossier, "x.txt", 4));
        QVERIFY(Ecrire(dossier + "/x.txt", "ancien"));
        QVERIFY(emetteur.Connecter(71));
        emetteur.flux.write("neuf");
        QVERIFY(echec.wait(10000));
        QCOMPARE(Raison(echec), RaisonEchec::NomPris);
        QCOMPARE(EntreesDe(dossier), QStringList{"x.txt"});
        QCOMPARE(Lire(dossier + "/x.txt"), QByteArray("ancien"));
    }

    void pairAbsent() {
        // The sender accepts our empty connection but never streams.
        const QString dossier = Dossier("absent");
        EmetteurBrut muet(74);
        CanalFichier b(Ip(73), Port, 200);
        QVERIFY(b.Ecouter());
        QSignalSpy echecB(&b, &CanalFichier::echec);
        QVERIFY(b.Recevoir(Ip(74), dossier, "f.bin", 10));
        QVERIFY(echecB.wait(5000));
        QCOMPARE(Raison(echecB), RaisonEchec::DelaiDepasse);
        QCOMPARE(EntreesDe(dossier), QStringList{});
        // No one on the contact's port, then a file that cannot be opened.
        CanalFichier a(Ip(75), Port, 200);
        QSignalSpy echecA(&a, &CanalFichier::echec);
        QVERIFY(a.Envoyer(Ip(76), Source("trois", "abc"), 3));
        QVERIFY(echecA.wait(5000));
        QCOMPARE(Raison(echecA), RaisonEchec::ConnexionImpossible);
        QVERIFY(a.Envoyer(Ip(76), m_racine.filePath("manquant"), 3));
        QVERIFY(echecA.wait(5000));
        QCOMPARE(Raison(echecA), RaisonEchec::OuvertureImpossible);
    }

    void vidageLentEtAnnulationDuContact() {
        const QString dossier = Dossier("vidage"), source = Source("vidage.bin", OctetsAuHasard(100000));
        const int delai = 300;
        CanalFichier a(Ip(77), Port, delai), b(Ip(78), Port, delai);
        QVERIFY(a.Ecouter() && b.Ecouter());
        QSignalSpy finA(&a, &CanalFichier::termine), finB(&b, &CanalFichier::termine);
        QSignalSpy echecA(&a, &CanalFichier::echec), echecB(&b, &CanalFichier::echec);
        QSignalSpy annuleA(&a, &CanalFichier::annule), annuleB(&b, &CanalFichier::annule);
        FichierRecu::AvantVidage = &VidageRetenu;
        const auto retablir = qScopeGuard([] { FichierRecu::AvantVidage = nullptr; });
        // Offered, accepted and sent; true once the receiver's flush is held.
        const auto lancer = [&](const QString& nom) {
            return a.Proposer(Ip(78)) && b.Recevoir(Ip(77), dossier, nom, 100000) &&
                   a.Envoyer(Ip(78), source, 100000) &&
                   QTest::qWaitFor([] { return g_vidageCommence.tryAcquire(); });
        };
        // The receiver's flush takes many stall limits: the sender waits for its close, nobody fails.
        QVERIFY(lancer("lent.bin"));
        QVERIFY(!echecA.wait(6 * delai));
        g_vidageLibre.release();
        QTRY_VERIFY(finA.count() == 1 && finB.count() == 1);
        QCOMPARE(echecA.count() + echecB.count(), 0);
        QCOMPARE(EntreesDe(dossier), QStringList{"lent.bin"});
        // Cancelled in such a flush: nobody waits for the disk, nothing named; the sender reports the cancel.
        QVERIFY(lancer("annule.bin"));
        b.Annuler();
        QVERIFY(annuleB.wait(5000));
        QVERIFY(a.EnCours());
        g_vidageLibre.release();
        QVERIFY(!echecA.wait(CanalFichier::DelaiAnnulationMs / 3));
        QVERIFY(a.AnnulationDuContact());
        QVERIFY(annuleA.wait(5000));
        QVERIFY(!g_vidageTropLong);
        QTRY_COMPARE(EntreesDe(dossier), QStringList{"lent.bin"});
        QCOMPARE(echecA.count() + echecB.count(), 0);
        // Nothing runs: a cancel from the contact now is nothing to act on.
        QVERIFY(!a.AnnulationDuContact() && !b.AnnulationDuContact());
        // A stream the contact broke without its cancel following is a failure, after the wait.
        EmetteurBrut brise(80);
        QVERIFY(b.Recevoir(Ip(80), dossier, "brise.bin", 10));
        QVERIFY(brise.Connecter(78));
        brise.flux.write("abc");
        brise.flux.abort();
        QVERIFY(echecB.wait(CanalFichier::DelaiAnnulationMs + 5000));
        QCOMPARE(Raison(echecB), RaisonEchec::FluxInterrompu);
        QCOMPARE(annuleB.count(), 1);
    }

    // The port is taken when the channel first listens; once it is free, the next reset listens.
    void ecouteReprise() {
        QTcpServer occupant;
        QVERIFY(occupant.listen(Ip(81), Port));
        CanalFichier c(Ip(81), Port);
        QVERIFY(!c.Ecouter());
        occupant.close();
        c.Annuler();
        QVERIFY(c.EcouteActive());
    }

    // The contact's check of the port (a connection closed at once) never takes a transfer's place.
    void sondeDuContact() {
        const QString dossier = Dossier("sonde");
        CanalFichier c(Ip(208), Port);
        QVERIFY(c.Ecouter());
        QSignalSpy fin(&c, &CanalFichier::termine);
        std::list<EmetteurBrut> appels;
        const auto appeler = [&](int de, bool sonde) {
            EmetteurBrut& e = appels.emplace_back(de);
            const bool relie = e.Connecter(208);
            if (sonde)
                e.flux.close();
            return relie ? &e.flux : nullptr;
        };
        // A sender: a check that came before it was announced leaves room for the empty connection.
        c.NouveauContact(Ip(209));
        QVERIFY(c.Proposer(Ip(209)) && appeler(209, true));
        QTcpSocket* etranger = appeler(210, false);
        QTRY_VERIFY(etranger && etranger->state() == QAbstractSocket::UnconnectedState);
        c.SondeAttendue();
        QTcpSocket *vide = appeler(209, false), *troisieme = appeler(209, false);
        QTRY_VERIFY(troisieme && troisieme->state() == QAbstractSocket::UnconnectedState);
        QCOMPARE(vide->state(), QAbstractSocket::ConnectedState);
        // A receiver: the check is not the stream; once it failed, nothing is taken for it.
        for (const bool manquee : {false, true}) {
            c.NouveauContact(Ip(209));
            c.SondeAttendue();
            if (manquee)
                c.SondeManquee();
            QVERIFY(c.Recevoir(Ip(209), dossier, manquee ? "b" : "a", 3));
            QVERIFY(manquee || appeler(209, true));
            QTcpSocket* flux = appeler(209, false);
            QVERIFY(flux && flux->write("abc") == 3);
            QVERIFY(fin.wait(10000));
        }
    }
};

QTEST_GUILESS_MAIN(TestTransferNoyau)
#include "tst_transfer_noyau.moc"

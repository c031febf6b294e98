// Streams between two copies of ours: verified end to end and resumed after a break, through a
// relay that cuts the stream or flips a byte; what a receiver keeps between tries, and for how long.
#include "Fichiers.h"
#include "core/transfer/CanalFichier.h"
#include "core/transfer/FichierRecu.h"
#include "core/transfer/FluxVerifie.h"
#include "core/transfer/Lot.h"

#include <QDateTime>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <thread>

#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <utime.h>

namespace {

constexpr quint16 Port = 46021;
const QHostAddress A(QStringLiteral("127.0.0.170")), B(QStringLiteral("127.0.0.171")),
    R(QStringLiteral("127.0.0.172"));
const OptionsFlux Tout{true, true};
// Everything, in TLS with key nous expecting key contact (three keys, made once).
OptionsFlux Chiffre(int nous, int contact) {
    static const Identite cles[3] = {*Identites::Creer(), *Identites::Creer(), *Identites::Creer()};
    return {true, true,
            std::make_shared<const ParametresTls>(ParametresTls{cles[nous], cles[contact].empreinte})};
}
QSemaphore g_vidage, g_libre;

// Between A and B on R, on a thread of its own with plain sockets (a stream may be half-closed):
// holds B's empty connection, carries A's stream to B from R and the answers back, and cuts the
// stream after coupure bytes (B reads a short stream, A gets a reset) or flips the byte at retourne.
class Relais {
public:
    std::atomic<qint64> coupure{-1}, retourne{-1};
    // With noter, every byte carried either way is added to vu.
    std::atomic<bool> noter{false};
    QByteArray vu;
    // Bytes carried from A to B in the last try, and the last 32 of them (the digest).
    std::atomic<qint64> porte{0};
    QByteArray fin;

    Relais() {
        sockaddr_storage adresse{};
        const socklen_t taille = VersSockaddr(R, Port, adresse);
        m_ecoute = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int un = 1;
        ::setsockopt(m_ecoute, SOL_SOCKET, SO_REUSEADDR, &un, sizeof un);
        if (::bind(m_ecoute, reinterpret_cast<sockaddr*>(&adresse), taille) != 0 ||
            ::listen(m_ecoute, 8) != 0)
            qWarning("the relay cannot listen");
        m_fil = std::thread([this] { Tourner(); });
    }
    ~Relais() {
        m_arret.Demander();
        m_fil.join();
        ::close(m_ecoute);
        for (int fd : m_gardes)
            ::close(fd);
    }

private:
    void Tourner() {
        for (;;) {
            if (Attendre(m_ecoute, POLLIN, m_arret, -1) != Attente::Pret)
                return;
            const int fd = ::accept4(m_ecoute, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            if (!AdresseDistante(fd).isEqual(A, QHostAddress::TolerantConversion)) {
                m_gardes.push_back(fd);
                continue;
            }
            Porter(fd);
        }
    }

    void Porter(int amont) {
        porte = 0;
        sockaddr_storage local{}, b{};
        const socklen_t tl = VersSockaddr(R, 0, local), tb = VersSockaddr(B, Port, b);
        const int aval = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::bind(aval, reinterpret_cast<sockaddr*>(&local), tl) != 0 ||
            ::connect(aval, reinterpret_cast<sockaddr*>(&b), tb) != 0) {
            FermerSocket(aval, true);
            FermerSocket(amont, true);
            return;
        }
        char tampon[64 * 1024];
        bool amontFini = false, avalFini = false;
        while (!amontFini || !avalFini) {
            pollfd p[3] = {{amontFini ? -1 : amont, POLLIN, 0},
                           {avalFini ? -1 : aval, POLLIN, 0},
                           {m_arret.Descripteur(), POLLIN, 0}};
            ::poll(p, 3, -1);
            if (m_arret.Demande())
                break;
            if (p[0].revents) {
                const ssize_t n = ::recv(amont, tampon, sizeof tampon, 0);
                if (n <= 0) {
                    amontFini = true;
                    ::shutdown(aval, SHUT_WR);
                    continue;
                }
                qint64 envoyer = n;
                const qint64 r = retourne, c = coupure;
                if (r >= porte && r < porte + n)
                    tampon[r - porte] ^= 0x20;
                if (c >= 0 && porte + n >= c)
                    envoyer = c - porte;
                ::send(aval, tampon, size_t(envoyer), MSG_NOSIGNAL);
                vu += noter ? QByteArray(tampon, envoyer) : QByteArray();
                fin = (fin + QByteArray(tampon, envoyer)).right(32);
                porte += envoyer;
                if (envoyer < n || porte == c) {
                    ::shutdown(aval, SHUT_WR);
                    break;
                }
            }
            if (p[1].revents) {
                const ssize_t n = ::recv(aval, tampon, sizeof tampon, 0);
                if (n <= 0) {
                    avalFini = true;
                    ::shutdown(amont, SHUT_WR);
                    continue;
                }
                ::send(amont, tampon, size_t(n), MSG_NOSIGNAL);
                vu += noter ? QByteArray(tampon, n) : QByteArray();
            }
        }
        FermerSocket(amont, true);
        ::close(aval);
    }

    int m_ecoute = -1;
    std::vector<int> m_gardes;
    ArretTransfert m_arret;
    std::thread m_fil;
};

// One try from A to B through the relay: how each side ended, and where the receiver resumed.
struct Essai {
    RaisonEchec raisonA = RaisonEchec::ConnexionImpossible, raisonB = RaisonEchec::ConnexionImpossible;
    bool termineA = false, termineB = false;
    qint64 reprise = 0;
};

Essai Essayer(const std::function<void(CanalFichier& a, CanalFichier& b)>& lancer) {
    CanalFichier a(A, Port), b(B, Port);
    Essai e;
    if (!a.Ecouter() || !b.Ecouter())
        return e;
    QSignalSpy finA(&a, &CanalFichier::termine), finB(&b, &CanalFichier::termine),
        echecA(&a, &CanalFichier::echec), echecB(&b, &CanalFichier::echec),
        reprise(&b, &CanalFichier::reprise);
    lancer(a, b);
    if (!QTest::qWaitFor(
            [&] { return finA.count() + echecA.count() == 1 && finB.count() + echecB.count() == 1; }, 60000))
        qWarning("a try did not end on both sides");
    e.termineA = finA.count() == 1;
    e.termineB = finB.count() == 1;
    e.raisonA = echecA.isEmpty() ? e.raisonA : echecA.at(0).at(0).value<RaisonEchec>();
    e.raisonB = echecB.isEmpty() ? e.raisonB : echecB.at(0).at(0).value<RaisonEchec>();
    e.reprise = reprise.isEmpty() ? 0 : reprise.at(0).at(0).toLongLong();
    return e;
}

// pourA: the sender's options when they differ from the receiver's.
Essai Envoyer(const QString& source, qint64 taille, const QString& dossier, OptionsFlux options = Tout,
              std::optional<OptionsFlux> pourA = {}) {
    return Essayer([&](CanalFichier& a, CanalFichier& b) {
        b.Recevoir(R, dossier, QStringLiteral("photo.bin"), taille, options,
                   {QStringLiteral("Alice"), "photo.bin"});
        a.Envoyer(R, source, taille, pourA.value_or(options));
    });
}

Essai EnvoyerLot(const Lot::Source& lot, const QString& dossier, OptionsFlux pourB = {},
                 OptionsFlux pourA = {}) {
    return Essayer([&](CanalFichier& a, CanalFichier& b) {
        b.RecevoirLot(R, dossier, lot.NombreFichiers(), lot.total, {QStringLiteral("Alice"), lot.nom},
                      pourB.tls);
        a.EnvoyerLot(R, std::make_shared<const Lot::Source>(lot), pourA.tls);
    });
}

// Every file under dossier by its relative path, with its digest; folders end with "/".
QMap<QString, QByteArray> Arbre(const QString& dossier) {
    QMap<QString, QByteArray> arbre;
    QDirIterator it(dossier, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString relatif = QDir(dossier).relativeFilePath(info.filePath());
        arbre.insert(info.isDir() ? relatif + '/' : relatif,
                     info.isDir() ? QByteArray() : Empreinte(info.filePath()));
    }
    return arbre;
}

qint64 Taille(const QString& chemin) {
    return QFileInfo(chemin).size();
}

} // namespace

class TestTransferVerifie : public QObject {
    Q_OBJECT
    QTemporaryDir m_racine;

    QString Dossier(const QString& nom) {
        const QString d = m_racine.filePath(nom);
        QDir().mkpath(d);
        return d;
    }

private slots:
    // Cut at random points, resumed each time from what B held: the file ends whole and verified,
    // each try carries only what was missing, and nothing hidden stays behind.
    void coupeEtReprisJusquauBout_data() {
        QTest::addColumn<qint64>("taille");
        QTest::addColumn<int>("coupures");
        QTest::newRow("8 Mio, 6 coupures") << qint64(8 << 20) + 123 << 6;
        // OVAN_ESSAI_LONG: 1 GiB cut 20 times (about a minute).
        if (qEnvironmentVariableIsSet("OVAN_ESSAI_LONG"))
            QTest::newRow("1 Gio, 20 coupures") << (qint64(1) << 30) << 20;
    }
    void coupeEtReprisJusquauBout() {
        QFETCH(qint64, taille);
        QFETCH(int, coupures);
        const QString dossier = Dossier(QTest::currentDataTag());
        const QString source = EcrireMotif(dossier + "/../source-" + QTest::currentDataTag(), taille);
        const QString recus = Dossier(QStringLiteral("recus-") + QTest::currentDataTag());
        Relais relais;
        QRandomGenerator hasard(2026);
        qint64 tenu = 0;
        for (int i = 0; i < coupures; ++i) {
            // Past the fingerprint, before the end; each cut leaves more than the last.
            relais.coupure = 32 + 1 + qint64(hasard.bounded(quint64(taille - tenu) / 2));
            const Essai e = Envoyer(source, taille, recus);
            QVERIFY(!e.termineA && !e.termineB);
            QCOMPARE(e.raisonB, RaisonEchec::FluxInterrompu);
            QCOMPARE(e.reprise, tenu);
            const QStringList entrees = EntreesDe(recus);
            QCOMPARE(entrees.size(), 1);
            QVERIFY(entrees[0].startsWith(".ovan-reprise-"));
            QVERIFY(Taille(recus + '/' + entrees[0]) > tenu);
            tenu = Taille(recus + '/' + entrees[0]);
        }
        relais.coupure = -1;
        const Essai fin = Envoyer(source, taille, recus);
        QVERIFY(fin.termineA && fin.termineB);
        QCOMPARE(fin.reprise, tenu);
        // Fingerprint out, then only the missing bytes and the digest.
        QCOMPARE(relais.porte, 32 + taille - tenu + 32);
        // The digest covers the whole file, what B held before included.
        QCOMPARE(relais.fin, Empreinte(source));
        QCOMPARE(EntreesDe(recus), QStringList{"photo.bin"});
        QCOMPARE(Empreinte(recus + "/photo.bin"), Empreinte(source));
    }

    // One byte changed on the way: both sides say so, and the receiver keeps nothing, not even a
    // partial file to resume.
    void octetRetourneRienGarde() {
        const QString source = EcrireMotif(m_racine.filePath("retourne.bin"), 3 << 20);
        const QString recus = Dossier("recus-retourne");
        Relais relais;
        relais.retourne = 32 + 1'000'000;
        const Essai e = Envoyer(source, 3 << 20, recus);
        QVERIFY(!e.termineA && !e.termineB);
        QCOMPARE(e.raisonA, RaisonEchec::Endommage);
        QCOMPARE(e.raisonB, RaisonEchec::Endommage);
        QCOMPARE(EntreesDe(recus), QStringList());
        // Without verification the same damage would go unseen: the option is what catches it.
        relais.retourne = 1'000'000;
        const Essai brut = Envoyer(source, 3 << 20, recus, {});
        QVERIFY(brut.termineA && brut.termineB);
        QVERIFY(Empreinte(recus + "/photo.bin") != Empreinte(source));
        // A file shorter than announced cannot give its fingerprint: the sender says it cannot read it.
        relais.retourne = -1;
        QCOMPARE(Envoyer(source, (3 << 20) + 1, Dossier("recus-court")).raisonA,
                 RaisonEchec::LectureImpossible);
    }

    // A tree as one batch: empty folders, an empty file, small ones and a larger one, a link left
    // out. Cut twice, resumed each time from what B held, then whole and verified; sent again, it
    // lands beside the first under a new name. A flipped byte leaves nothing.
    void lotCoupeEtRepris() {
        const QString source = Dossier("lot/Photos");
        QVERIFY(QDir().mkpath(source + "/vide/encore") && QDir().mkpath(source + "/2026/été"));
        EcrireMotif(source + "/2026/été/grande.bin", 3 << 20);
        for (int i = 0; i < 40; ++i)
            EcrireMotif(source + QStringLiteral("/2026/p%1.jpg").arg(i), 4096 + i);
        QVERIFY(Ecrire(source + "/rien.txt", {}) && QFile::link(source + "/rien.txt", source + "/lien"));
        QString erreur;
        const auto lot = Lot::Composer({source}, erreur);
        QVERIFY2(lot, qPrintable(erreur));
        QCOMPARE(lot->NombreFichiers(), 42);
        QCOMPARE(lot->nom, "Photos");
        // Sorted: the same folder makes the same list at the next try.
        QCOMPARE(lot->entrees[1].chemin, "Photos/2026");
        const QString recus = Dossier("recus-lot");
        Relais relais;
        const qint64 tete = 8 + Lot::Manifeste(lot->entrees).size() + 32;
        qint64 tenu = 0;
        for (const qint64 coupure : {tete + 100'000, tete + 2'500'000}) {
            relais.coupure = coupure;
            const Essai e = EnvoyerLot(*lot, recus);
            QVERIFY(!e.termineA && !e.termineB);
            QCOMPARE(e.reprise, tenu);
            tenu += coupure - tete;
            const QStringList entrees = EntreesDe(recus);
            QVERIFY(entrees.size() == 1 && entrees[0].startsWith(".ovan-reprise-"));
        }
        relais.coupure = -1;
        const Essai fin = EnvoyerLot(*lot, recus);
        QVERIFY(fin.termineA && fin.termineB);
        QCOMPARE(fin.reprise, tenu);
        QCOMPARE(relais.porte, tete + lot->total - tenu + 32);
        auto attendu = Arbre(source);
        attendu.remove("lien");
        QCOMPARE(Arbre(recus + "/Photos"), attendu);
        QVERIFY(EnvoyerLot(*lot, recus).termineB);
        QCOMPARE(EntreesDe(recus), QStringList({"Photos", "Photos_1"}));
        QCOMPARE(Arbre(recus + "/Photos_1"), attendu);
        relais.retourne = tete + 3'000'000;
        const QString abime = Dossier("recus-lot-abime");
        const Essai e = EnvoyerLot(*lot, abime);
        QCOMPARE(e.raisonA, RaisonEchec::Endommage);
        QCOMPARE(e.raisonB, RaisonEchec::Endommage);
        QCOMPARE(EntreesDe(abime), QStringList());
        // In TLS: whole, and the relay sees neither the paths nor the bytes.
        relais.retourne = -1;
        relais.noter = true;
        QVERIFY(EnvoyerLot(*lot, Dossier("recus-lot-chiffre"), Chiffre(1, 0), Chiffre(0, 1)).termineA);
        QCOMPARE(Arbre(m_racine.filePath("recus-lot-chiffre/Photos")), attendu);
        QVERIFY(relais.vu.size() > lot->total && !relais.vu.contains("p1.jpg") &&
                !relais.vu.contains("Photos"));
        QVERIFY(!relais.vu.contains(Lire(source + "/2026/été/grande.bin").mid(77777, 24)));
    }

    // In TLS: cut once, resumed and verified, the relay seeing none of the file's bytes. A sender
    // whose key B does not expect fails on both sides; against a clear peer, both end; B keeps nothing.
    void chiffre() {
        const qint64 taille = 3 << 20;
        const QString source = EcrireMotif(m_racine.filePath("chiffre.bin"), taille);
        const QString recus = Dossier("recus-chiffre");
        Relais relais;
        relais.noter = true;
        relais.coupure = 1'000'000;
        QCOMPARE(Envoyer(source, taille, recus, Chiffre(1, 0), Chiffre(0, 1)).raisonB,
                 RaisonEchec::FluxInterrompu);
        relais.coupure = -1;
        const Essai e = Envoyer(source, taille, recus, Chiffre(1, 0), Chiffre(0, 1));
        QVERIFY(e.termineA && e.termineB && e.reprise > 900'000);
        QCOMPARE(Empreinte(recus + "/photo.bin"), Empreinte(source));
        QVERIFY(relais.vu.size() > taille && !relais.vu.contains(Lire(source).mid(77777, 24)));
        const Essai refus = Envoyer(source, taille, Dossier("refus"), Chiffre(1, 2), Chiffre(0, 1));
        QVERIFY(refus.raisonA == RaisonEchec::CleRefusee && refus.raisonB == RaisonEchec::CleRefusee);
        const Essai clair = Envoyer(source, taille, Dossier("refus"), Chiffre(1, 0), Tout);
        QVERIFY(!clair.termineB && clair.raisonA != RaisonEchec::ConnexionImpossible);
        QCOMPARE(EntreesDe(m_racine.filePath("refus")), QStringList());
        const Essai contreClair = Envoyer(source, taille, Dossier("clair"), Tout, Chiffre(0, 1));
        QVERIFY(contreClair.raisonA == RaisonEchec::CleRefusee && !contreClair.termineB);
    }

    // The source changed between two tries where its fingerprint cannot see (the middle, the time
    // put back): the resumed file is caught by the digest, and the next try starts over.
    void sourceChangeeEntreDeuxEssais() {
        const qint64 taille = 4 << 20;
        const QString source = EcrireMotif(m_racine.filePath("changee.bin"), taille);
        const QString recus = Dossier("recus-changee");
        Relais relais;
        relais.coupure = 32 + taille / 2;
        QCOMPARE(Envoyer(source, taille, recus).raisonB, RaisonEchec::FluxInterrompu);
        struct stat avant {};
        QVERIFY(::stat(QFile::encodeName(source).constData(), &avant) == 0);
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(taille / 4) && f.write("!") == 1);
        }
        const timespec temps[2] = {avant.st_atim, avant.st_mtim};
        QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(source).constData(), temps, 0) == 0);
        relais.coupure = -1;
        const Essai e = Envoyer(source, taille, recus);
        QVERIFY(e.reprise > 0);
        QCOMPARE(e.raisonA, RaisonEchec::Endommage);
        QCOMPARE(EntreesDe(recus), QStringList());
        const Essai encore = Envoyer(source, taille, recus);
        QVERIFY(encore.termineB && encore.reprise == 0);
        QCOMPARE(Empreinte(recus + "/photo.bin"), Empreinte(source));
    }

    // Every byte in, held before its flush: our cancel leaves nothing; the contact's (a copy of ours
    // sends one when its stream broke), quitting or a new offer of the same file keep it all.
    void annulerOuGarder() {
        const qint64 taille = 1 << 20;
        const QString source = EcrireMotif(m_racine.filePath("garder.bin"), taille);
        const QString recus = Dossier("recus-garder");
        FichierRecu::AvantVidage = [] {
            g_vidage.release();
            g_libre.acquire();
        };
        const auto remettre = qScopeGuard([] { FichierRecu::AvantVidage = nullptr; });
        for (const int fin : {0, 1, 0, 2}) {
            {
                CanalFichier a(A, Port), b(B, Port);
                QVERIFY(a.Ecouter() && b.Ecouter());
                QVERIFY(a.Proposer(B));
                QVERIFY(b.Recevoir(A, recus, "g.bin", taille, Tout, {"Alice", "g.bin"}));
                QVERIFY(a.Envoyer(B, source, taille, Tout));
                QTRY_VERIFY(g_vidage.available() == 1);
                g_vidage.acquire();
                fin == 0 ? b.Annuler() : fin == 1 ? void(b.AnnulationDuContact()) : b.Liberer();
                g_libre.release();
            } // the channel waits for its stopped worker
            const QStringList restent = EntreesDe(recus);
            QCOMPARE(restent.size(), fin == 0 ? 0 : 1);
            QVERIFY(fin == 0 ||
                    (restent[0].startsWith(".ovan-reprise-") && Taille(recus + '/' + restent[0]) == taille));
        }
    }

    // The receiving copy is killed (SIGKILL) half way: started again, it resumes from what it wrote.
    void recepteurTueReprend() {
        const qint64 taille = 256 << 20;
        const QString source = EcrireMotif(m_racine.filePath("tue.bin"), taille);
        const QString recus = Dossier("recus-tue");
        CanalFichier a(A, Port);
        QVERIFY(a.Ecouter() && a.Proposer(B));
        QSignalSpy echecA(&a, &CanalFichier::echec);
        QProcess recepteur;
        recepteur.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // It says "relie" once linked, then how far it got.
        QByteArrayList lignes;
        connect(&recepteur, &QProcess::readyReadStandardOutput, this, [&] {
            while (recepteur.canReadLine())
                lignes << recepteur.readLine().trimmed();
        });
        recepteur.start(QCoreApplication::applicationFilePath(),
                        {"--recepteur", recus, QString::number(taille)});
        QTRY_VERIFY(lignes.contains("relie"));
        QVERIFY(a.Envoyer(B, source, taille, Tout));
        QTRY_VERIFY_WITH_TIMEOUT(lignes.last().toLongLong() > taille / 4, 20000);
        ::kill(pid_t(recepteur.processId()), SIGKILL);
        QVERIFY(recepteur.waitForFinished());
        QVERIFY(echecA.wait(20000));
        const QStringList gardes = EntreesDe(recus);
        QVERIFY(gardes.size() == 1 && gardes[0].startsWith(".ovan-reprise-"));
        const qint64 tenu = Taille(recus + '/' + gardes[0]);
        QVERIFY2(tenu > taille / 4 && tenu < taille, qPrintable(QString::number(tenu)));
        CanalFichier b(B, Port);
        QSignalSpy finB(&b, &CanalFichier::termine), reprise(&b, &CanalFichier::reprise);
        QVERIFY(b.Ecouter() && a.Proposer(B));
        QVERIFY(b.Recevoir(A, recus, "tue.bin", taille, Tout, {"Alice", "tue.bin"}));
        QVERIFY(a.Envoyer(B, source, taille, Tout));
        QVERIFY(finB.wait(20000));
        QCOMPARE(reprise.value(0).value(0).toLongLong(), tenu);
        QCOMPARE(EntreesDe(recus), QStringList{"tue.bin"});
        QCOMPARE(Empreinte(recus + "/tue.bin"), Empreinte(source));
    }

    // What a receiver keeps: one partial file per sender and offered name, for a week.
    void partielsDUneSemaine() {
        const QString d = Dossier("partiels");
        const QByteArray e1(32, '1'), e2(32, '2');
        const QByteArray garde = FluxVerifie::NomPartiel("Alice", "a.bin", 10, e1);
        const QByteArray autreFichier = FluxVerifie::NomPartiel("Alice", "a.bin", 10, e2);
        const QByteArray autreNom = FluxVerifie::NomPartiel("Alice", "b.bin", 10, e1);
        const QByteArray autreExpediteur = FluxVerifie::NomPartiel("Bob", "a.bin", 10, e1);
        const QByteArray vieux = FluxVerifie::NomPartiel("Bob", "c.bin", 10, e1);
        QCOMPARE(QSet<QByteArray>({garde, autreFichier, autreNom, autreExpediteur}).size(), 4);
        for (const QByteArray& n : {garde, autreFichier, autreNom, autreExpediteur, vieux, QByteArray("x")})
            QVERIFY(Ecrire(d + '/' + n, "abc"));
        // Only plain files are ever removed: not a link, even one named like a partial file.
        const QByteArray lien = FluxVerifie::NomPartiel("Alice", "a.bin", 11, e1);
        QVERIFY(QFile::link(d + "/x", d + '/' + lien));
        const QDateTime maintenant = QDateTime::currentDateTimeUtc();
        const qint64 ilYA = maintenant.addDays(-FluxVerifie::JoursGardes).addSecs(-60).toSecsSinceEpoch();
        const utimbuf temps{ilYA, ilYA};
        QVERIFY(::utime(QFile::encodeName(d + '/' + vieux).constData(), &temps) == 0);
        const int dossier = ::open(QFile::encodeName(d).constData(), O_RDONLY | O_DIRECTORY);
        FluxVerifie::NettoyerPartiels(dossier, garde, maintenant);
        ::close(dossier);
        QStringList restent = EntreesDe(d);
        restent.sort();
        QStringList attendus{garde, autreNom, autreExpediteur, "x", lien};
        attendus.sort();
        QCOMPARE(restent, attendus);
    }
};

// The receiving copy of recepteurTueReprend, in a process of its own: --recepteur dossier taille.
int Recepteur(char** argv) {
    CanalFichier b(B, Port);
    const qint64 taille = QByteArray(argv[3]).toLongLong();
    QTextStream sortie(stdout);
    QObject::connect(&b, &CanalFichier::relie, [&] { sortie << "relie\n" << Qt::flush; });
    QObject::connect(&b, &CanalFichier::progression, [&](qint64 fait) {
        sortie << fait << '\n' << Qt::flush;
    });
    QObject::connect(&b, &CanalFichier::termine, qApp, &QCoreApplication::quit);
    QObject::connect(&b, &CanalFichier::echec, qApp, &QCoreApplication::quit);
    if (!b.Ecouter() ||
        !b.Recevoir(A, QString::fromLocal8Bit(argv[2]), "tue.bin", taille, Tout, {"Alice", "tue.bin"}))
        return 1;
    return QCoreApplication::exec();
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--recepteur") == 0)
        return Recepteur(argv);
    TestTransferVerifie essais;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&essais, argc, argv);
}
#include "tst_transfer_verifie.moc"

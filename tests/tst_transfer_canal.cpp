// The file port without any window: two channels on loopback, and peers built by hand that stop,
// overrun, intrude or never come.
#include "Fichiers.h"
#include "core/transfer/CanalFichier.h"
#include "core/transfer/FichierRecu.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

namespace {

constexpr quint16 Port = 46001;

QHostAddress Ip(int n) {
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(n));
}

QByteArray Octets(qint64 taille) {
    QList<quint32> mots((taille + 3) / 4);
    QRandomGenerator{quint32(taille)}.fillRange(mots.data(), mots.size());
    return QByteArray(reinterpret_cast<const char*>(mots.constData()), taille);
}

QStringList Entrees(const QString& dossier) {
    return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

RaisonEchec Raison(const QSignalSpy& echec) {
    return echec.last().at(0).value<RaisonEchec>();
}

// A sender built by hand: accepts the receiver's empty connection on its own port, and streams
// from its own address whatever the test writes.
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
    if (!g_vidageLibre.tryAcquire(1, 20000)) {
        g_vidageTropLong = true;
    }
}

} // namespace

class TestTransferCanal : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void transfertEntreDeuxCanaux_data();
    void transfertEntreDeuxCanaux();
    void fluxIncomplet_data();
    void fluxIncomplet();
    void appelantEtranger();
    void annulation();
    void nomPrisEntreTemps();
    void pairAbsent();
    void vidageLentEtAnnulationDuContact();
    void ecouteReprise();

private:
    QTemporaryDir m_racine;
};

void TestTransferCanal::initTestCase() {
    // As in main: a file-size limit must be a write error, not the end of the process.
    std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(m_racine.isValid());
}

void TestTransferCanal::transfertEntreDeuxCanaux_data() {
    QTest::addColumn<qint64>("taille");
    QTest::newRow("vide") << qint64(0);
    QTest::newRow("plusieurs blocs, le dernier partiel") << qint64(3 * 1024 * 1024 + 17);
}

void TestTransferCanal::transfertEntreDeuxCanaux() {
    QFETCH(qint64, taille);
    const QString dossier = m_racine.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(dossier));
    const QString source = m_racine.filePath(QStringLiteral("source.bin"));
    const QByteArray octets = Octets(taille);
    {
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(octets) == taille);
    }
    CanalFichier a(Ip(60), Port), b(Ip(61), Port);
    QVERIFY(a.Ecouter() && b.Ecouter());
    QSignalSpy finA(&a, &CanalFichier::termine), finB(&b, &CanalFichier::termine);
    QSignalSpy echecA(&a, &CanalFichier::echec), echecB(&b, &CanalFichier::echec);
    QSignalSpy progression(&b, &CanalFichier::progression);
    QElapsedTimer montre;
    montre.start();

    // The order of the offer: proposed, accepted (receiver connects first), then sent.
    QVERIFY(a.Proposer(Ip(61)));
    QVERIFY(b.Recevoir(Ip(60), dossier, QStringLiteral("rapport final.pdf"), taille));
    QVERIFY(!b.Recevoir(Ip(60), dossier, QStringLiteral("autre"), 1));
    QVERIFY(a.Envoyer(Ip(61), source, taille));
    QTRY_VERIFY_WITH_TIMEOUT(finA.count() == 1 && finB.count() == 1, 20000);
    QCOMPARE(echecA.count() + echecB.count(), 0);
    QCOMPARE(Entrees(dossier), QStringList{QStringLiteral("rapport final.pdf")});
    QVERIFY(Lire(dossier + QStringLiteral("/rapport final.pdf")) == octets);
    QCOMPARE(progression.last().at(0).toLongLong(), taille);
    QCOMPARE(progression.last().at(1).toLongLong(), taille);
    QVERIFY2(progression.count() <= montre.elapsed() / 50 + 3,
             qPrintable(QString::number(progression.count())));

    // Both sides are free again: the way back works without listening anew.
    QVERIFY(!a.EnCours() && !b.EnCours());
    QVERIFY(a.Recevoir(Ip(61), dossier, QStringLiteral("retour"), 5));
    QFile petit(m_racine.filePath(QStringLiteral("petit")));
    QVERIFY(petit.open(QIODevice::WriteOnly) && petit.write("12345") == 5);
    petit.close();
    QVERIFY(b.Envoyer(Ip(60), petit.fileName(), 5));
    QTRY_VERIFY(finA.count() == 2 && finB.count() == 2);
    QCOMPARE(Lire(dossier + QStringLiteral("/retour")), QByteArray("12345"));
}

void TestTransferCanal::fluxIncomplet_data() {
    QTest::addColumn<int>("envoyes");
    QTest::addColumn<bool>("limite");
    QTest::addColumn<bool>("reussite");
    QTest::addColumn<RaisonEchec>("raison");
    QTest::newRow("flux coupe a mi-chemin") << 100000 << false << false << RaisonEchec::FluxInterrompu;
    QTest::newRow("octets au-dela de la taille") << 300000 << false << true << RaisonEchec::FluxInterrompu;
    QTest::newRow("limite de taille de fichier")
        << 300000 << true << false << RaisonEchec::EcritureImpossible;
}

void TestTransferCanal::fluxIncomplet() {
    QFETCH(int, envoyes);
    QFETCH(bool, limite);
    QFETCH(bool, reussite);
    QFETCH(RaisonEchec, raison);
    constexpr qint64 Annonce = 200000;
    const QString dossier = m_racine.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(dossier));
    rlimit avant{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &avant) == 0);
    if (limite) {
        const rlimit petite{100000, avant.rlim_max};
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &petite) == 0);
    }
    EmetteurBrut emetteur(63);
    CanalFichier b(Ip(62), Port);
    QVERIFY(b.Ecouter());
    QSignalSpy fin(&b, &CanalFichier::termine), echec(&b, &CanalFichier::echec);
    QVERIFY(b.Recevoir(Ip(63), dossier, QStringLiteral("f.bin"), Annonce));
    QVERIFY(emetteur.Connecter(62));
    const QByteArray octets = Octets(envoyes);
    emetteur.flux.write(octets);
    emetteur.flux.disconnectFromHost();
    const bool fini = QTest::qWaitFor([&] { return fin.count() + echec.count() > 0; }, 10000);
    ::setrlimit(RLIMIT_FSIZE, &avant);
    QVERIFY(fini);
    if (reussite) {
        QCOMPARE(Entrees(dossier), QStringList{QStringLiteral("f.bin")});
        QVERIFY(Lire(dossier + QStringLiteral("/f.bin")) == octets.left(Annonce));
    } else {
        QCOMPARE(echec.count(), 1);
        QCOMPARE(Raison(echec), raison);
        QCOMPARE(Entrees(dossier), QStringList{});
    }
}

void TestTransferCanal::appelantEtranger() {
    const QString dossier = m_racine.filePath(QStringLiteral("etranger"));
    QVERIFY(QDir().mkpath(dossier));
    CanalFichier b(Ip(64), Port);
    QVERIFY(b.Ecouter());
    QSignalSpy fin(&b, &CanalFichier::termine), progression(&b, &CanalFichier::progression);

    // No transfer expected: even the contact is turned away.
    EmetteurBrut tot(65);
    QVERIFY(tot.Connecter(64));
    QTRY_COMPARE(tot.flux.state(), QAbstractSocket::UnconnectedState);

    QVERIFY(b.Recevoir(Ip(65), dossier, QStringLiteral("f.bin"), 6));
    QTcpSocket intrus;
    intrus.bind(Ip(66), 0);
    intrus.connectToHost(Ip(64), Port);
    QVERIFY(intrus.waitForConnected(5000));
    intrus.write("INTRUS");
    QTRY_COMPARE(intrus.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(progression.count(), 0);

    EmetteurBrut contact(65);
    QVERIFY(contact.Connecter(64));
    contact.flux.write("contact");
    QVERIFY(fin.wait(10000));
    QCOMPARE(Entrees(dossier), QStringList{QStringLiteral("f.bin")});
    QCOMPARE(Lire(dossier + QStringLiteral("/f.bin")), QByteArray("contac"));
}

void TestTransferCanal::annulation() {
    const QString dossier = m_racine.filePath(QStringLiteral("annulation"));
    QVERIFY(QDir().mkpath(dossier));

    // The receiver cancels while the sender holds back the second half.
    EmetteurBrut emetteur(68);
    CanalFichier b(Ip(67), Port);
    QVERIFY(b.Ecouter());
    QSignalSpy annuleB(&b, &CanalFichier::annule), progressionB(&b, &CanalFichier::progression);
    QVERIFY(b.Recevoir(Ip(68), dossier, QStringLiteral("f.bin"), 1000000));
    QVERIFY(emetteur.Connecter(67));
    emetteur.flux.write(Octets(500000));
    QTRY_VERIFY(!progressionB.isEmpty() && progressionB.last().at(0).toLongLong() == 500000);
    b.Annuler();
    QVERIFY(annuleB.wait(5000));
    QTRY_COMPARE(Entrees(dossier), QStringList{});
    QTRY_COMPARE(emetteur.flux.state(), QAbstractSocket::UnconnectedState);

    // The sender cancels while a receiver reads nothing and the socket buffers are full.
    QTcpServer recepteur;
    QVERIFY(recepteur.listen(Ip(69), Port));
    // Left in the kernel's queue, unread, until the end.
    recepteur.pauseAccepting();
    const QString source = m_racine.filePath(QStringLiteral("gros.bin"));
    {
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(Octets(32 * 1024 * 1024)) == 32 * 1024 * 1024);
    }
    CanalFichier a(Ip(70), Port);
    QSignalSpy annuleA(&a, &CanalFichier::annule), echecA(&a, &CanalFichier::echec);
    QSignalSpy progressionA(&a, &CanalFichier::progression);
    QVERIFY(a.Envoyer(Ip(69), source, 32 * 1024 * 1024));
    QTRY_VERIFY(progressionA.count() >= 2);
    a.Annuler();
    QVERIFY(annuleA.wait(5000));
    QCOMPARE(echecA.count(), 0);
    QVERIFY(progressionA.last().at(0).toLongLong() < 32 * 1024 * 1024);
    recepteur.resumeAccepting();
    QVERIFY(recepteur.waitForNewConnection(5000));
    QTcpSocket* flux = recepteur.nextPendingConnection();
    QTRY_COMPARE(flux->state(), QAbstractSocket::UnconnectedState);
    // Nothing runs any more: a second cancel reports nothing.
    a.Annuler();
    QTest::qWait(0);
    QCOMPARE(annuleA.count(), 1);
}

void TestTransferCanal::nomPrisEntreTemps() {
    const QString dossier = m_racine.filePath(QStringLiteral("pris"));
    QVERIFY(QDir().mkpath(dossier));
    EmetteurBrut emetteur(72);
    CanalFichier b(Ip(71), Port);
    QVERIFY(b.Ecouter());
    QSignalSpy echec(&b, &CanalFichier::echec);
    QVERIFY(b.Recevoir(Ip(72), dossier, QStringLiteral("x.txt"), 4));
    QFile deja(dossier + QStringLiteral("/x.txt"));
    QVERIFY(deja.open(QIODevice::WriteOnly) && deja.write("ancien") == 6);
    deja.close();
    QVERIFY(emetteur.Connecter(71));
    emetteur.flux.write("neuf");
    QVERIFY(echec.wait(10000));
    QCOMPARE(Raison(echec), RaisonEchec::NomPris);
    QCOMPARE(Entrees(dossier), QStringList{QStringLiteral("x.txt")});
    QCOMPARE(Lire(deja.fileName()), QByteArray("ancien"));
}

void TestTransferCanal::pairAbsent() {
    const QString dossier = m_racine.filePath(QStringLiteral("absent"));
    QVERIFY(QDir().mkpath(dossier));

    // The sender accepts our empty connection but never streams.
    EmetteurBrut muet(74);
    CanalFichier b(Ip(73), Port, 200);
    QVERIFY(b.Ecouter());
    QSignalSpy echecB(&b, &CanalFichier::echec);
    QVERIFY(b.Recevoir(Ip(74), dossier, QStringLiteral("f.bin"), 10));
    QVERIFY(echecB.wait(5000));
    QCOMPARE(Raison(echecB), RaisonEchec::DelaiDepasse);
    QCOMPARE(Entrees(dossier), QStringList{});

    // No one on the contact's port, then a file that cannot be opened.
    CanalFichier a(Ip(75), Port, 200);
    QSignalSpy echecA(&a, &CanalFichier::echec);
    QFile source(m_racine.filePath(QStringLiteral("trois")));
    QVERIFY(source.open(QIODevice::WriteOnly) && source.write("abc") == 3);
    source.close();
    QVERIFY(a.Envoyer(Ip(76), source.fileName(), 3));
    QVERIFY(echecA.wait(5000));
    QCOMPARE(Raison(echecA), RaisonEchec::ConnexionImpossible);
    QVERIFY(a.Envoyer(Ip(76), m_racine.filePath(QStringLiteral("manquant")), 3));
    QVERIFY(echecA.wait(5000));
    QCOMPARE(Raison(echecA), RaisonEchec::OuvertureImpossible);
}

void TestTransferCanal::vidageLentEtAnnulationDuContact() {
    const QString dossier = m_racine.filePath(QStringLiteral("vidage"));
    QVERIFY(QDir().mkpath(dossier));
    QFile source(m_racine.filePath(QStringLiteral("vidage.bin")));
    QVERIFY(source.open(QIODevice::WriteOnly) && source.write(Octets(100000)) == 100000);
    source.close();
    const int delai = 300;
    CanalFichier a(Ip(77), Port, delai), b(Ip(78), Port, delai);
    QVERIFY(a.Ecouter() && b.Ecouter());
    QSignalSpy finA(&a, &CanalFichier::termine), finB(&b, &CanalFichier::termine);
    QSignalSpy echecA(&a, &CanalFichier::echec), echecB(&b, &CanalFichier::echec);
    QSignalSpy annuleA(&a, &CanalFichier::annule), annuleB(&b, &CanalFichier::annule);
    FichierRecu::AvantVidage = &VidageRetenu;
    const auto retablir = qScopeGuard([] { FichierRecu::AvantVidage = nullptr; });

    // Every byte is there and the receiver's disk takes many stall limits to flush: the sender
    // waits for its close, and neither side fails.
    QVERIFY(a.Proposer(Ip(78)) && b.Recevoir(Ip(77), dossier, QStringLiteral("lent.bin"), 100000));
    QVERIFY(a.Envoyer(Ip(78), source.fileName(), 100000));
    QTRY_VERIFY(g_vidageCommence.available() > 0);
    g_vidageCommence.acquire();
    QVERIFY(!echecA.wait(6 * delai));
    g_vidageLibre.release();
    QTRY_VERIFY(finA.count() == 1 && finB.count() == 1);
    QCOMPARE(echecA.count() + echecB.count(), 0);
    QCOMPARE(Entrees(dossier), QStringList{QStringLiteral("lent.bin")});

    // The receiver cancels during such a flush: the interface does not wait for the disk, and
    // nothing is named. The sender sees the stream reset before the contact's cancel arrives,
    // and reports the cancel, not a failure.
    QVERIFY(a.Proposer(Ip(78)) && b.Recevoir(Ip(77), dossier, QStringLiteral("annule.bin"), 100000));
    QVERIFY(a.Envoyer(Ip(78), source.fileName(), 100000));
    QTRY_VERIFY(g_vidageCommence.available() > 0);
    g_vidageCommence.acquire();
    b.Annuler();
    QVERIFY(annuleB.wait(5000));
    QVERIFY(a.EnCours());
    g_vidageLibre.release();
    QVERIFY(!echecA.wait(CanalFichier::DelaiAnnulationMs / 3));
    QVERIFY(a.AnnulationDuContact());
    QVERIFY(annuleA.wait(5000));
    QVERIFY(!g_vidageTropLong);
    QTRY_COMPARE(Entrees(dossier), QStringList{QStringLiteral("lent.bin")});
    QCOMPARE(echecA.count() + echecB.count(), 0);
    // Nothing runs: a cancel from the contact now is nothing to act on.
    QVERIFY(!a.AnnulationDuContact() && !b.AnnulationDuContact());

    // A stream the contact broke without its cancel following is a failure, after the wait.
    EmetteurBrut brise(80);
    QVERIFY(b.Recevoir(Ip(80), dossier, QStringLiteral("brise.bin"), 10));
    QVERIFY(brise.Connecter(78));
    brise.flux.write("abc");
    brise.flux.abort();
    QVERIFY(echecB.wait(CanalFichier::DelaiAnnulationMs + 5000));
    QCOMPARE(Raison(echecB), RaisonEchec::FluxInterrompu);
    QCOMPARE(annuleB.count(), 1);
}

void TestTransferCanal::ecouteReprise() {
    // The port is taken when the channel first listens; once it is free, the next reset listens.
    QTcpServer occupant;
    QVERIFY(occupant.listen(Ip(81), Port));
    CanalFichier c(Ip(81), Port);
    QVERIFY(!c.Ecouter());
    occupant.close();
    c.Annuler();
    QVERIFY(c.EcouteActive());
}

QTEST_GUILESS_MAIN(TestTransferCanal)
#include "tst_transfer_canal.moc"

// The file port without any window: two channels, and peers built by hand that stop, intrude or never come.
#include "Fichiers.h"
#include "core/transfer/CanalFichier.h"
#include "core/transfer/FichierRecu.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

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

} // namespace

class TestTransferCanal : public QObject {
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
};

QTEST_GUILESS_MAIN(TestTransferCanal)
#include "tst_transfer_canal.moc"

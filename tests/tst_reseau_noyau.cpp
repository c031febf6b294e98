// The local network without a window: names made printable, and no mDNS daemon (no system bus).
#include "core/chat/SocketsChat.h"
#include "core/network/AnnonceDnssd.h"
#include "core/network/Dnssd.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

class TestReseauNoyau : public QObject {
    Q_OBJECT
private slots:
    // Printable text of bounded length; a name that would not resolve is reached by its address.
    void nomsVenusDuReseau() {
        for (auto [brut, lisible] : {std::pair<QByteArray, QString>{"Zo\xc3\xa9", "Zoé"},
                                     {"A\001B\r\nC\tD\177E", "ABCDE"},
                                     {"abc\342\200\256def", "abcdef"}, // a right-to-left override
                                     {"\xff\xfeok", "\uFFFD\uFFFDok"},
                                     {QByteArray(29, 'x') + "\xf0\x9f\x98\x80", QString(29, u'x')}})
            QCOMPARE(Dnssd::PseudoLisible(brut), lisible);
        QCOMPARE(Dnssd::PseudoLisible(QByteArray(200, 'x')).size(), 30);
        QCOMPARE(Dnssd::NomLisible(QByteArray(400, 'n')).size(), 255);
        for (auto [nom, adresse, pour] : {std::tuple{"poste-b.local", "10.0.0.2", "poste-b.local"},
                                          {"-x.local", "10.0.0.2", "10.0.0.2"},
                                          {"poste\\032b.local", "10.0.0.2", "10.0.0.2"},
                                          {"-x.local", "", ""}}) {
            const Dnssd::Poste poste{nom, adresse, false, {}};
            QCOMPARE(poste.PourContacter(50), pour);
        }
    }

    // Listings end at once and empty, no announcement, a ".local" name fails as an unknown one.
    void sansDemon() {
        const Dnssd::Arret arret{false};
        QElapsedTimer chrono;
        chrono.start();
        QVERIFY(Dnssd::Domaines(arret).isEmpty() && Dnssd::Postes("local", arret).isEmpty());
        QVERIFY(Dnssd::AdresseIPv4("poste.local", arret).isEmpty());
        QVERIFY2(chrono.elapsed() < 2000, "no daemon should not mean waiting");
        AnnonceDnssd annonce(SocketsChat::PortChat, "Zoé");
        annonce.Pseudo("Bob");
        QVERIFY(!annonce.Etablie());
        SocketsChat sockets{QHostAddress(QHostAddress::Any)};
        QSignalSpy erreur(&sockets, &SocketsChat::erreur);
        sockets.Connecter("absent.local", SocketsChat::Origine::Commande);
        QVERIFY(erreur.wait(15000));
    }
};

QTEST_GUILESS_MAIN(TestReseauNoyau)
#include "tst_reseau_noyau.moc"

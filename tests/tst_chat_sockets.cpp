// The chat sockets without any window: races of the connection, replaced sockets, framing over TCP.
#include "core/chat/SocketsChat.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

// A peer that only accepts and records, standing for the contact's listener.
struct FauxContact {
    explicit FauxContact(const QString& adresse, quint16 port = SocketsChat::PortChat) {
        serveur.listen(QHostAddress(adresse), port);
        QObject::connect(&serveur, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = serveur.nextPendingConnection()) {
                acceptes.append(s);
            }
        });
    }
    int Ouvertes() const {
        int n = 0;
        for (QTcpSocket* s : acceptes) {
            n += s->state() == QAbstractSocket::ConnectedState;
        }
        return n;
    }
    QTcpServer serveur;
    QList<QTcpSocket*> acceptes;
};

} // namespace

class TestChatSockets : public QObject {
    Q_OBJECT

private slots:
    void retourPendantSaPropreConnexion();
    void appelsCroises();
    void tramesCoupeesParTcp();
};

void TestChatSockets::retourPendantSaPropreConnexion() {
    // The contact's call back can be seen before our own connection's completion.
    FauxContact contact(QStringLiteral("127.0.0.21"));
    SocketsChat a(QHostAddress(QStringLiteral("127.0.0.20")));
    QVERIFY(a.Ecouter());
    QSignalSpy etablie(&a, &SocketsChat::connexionEtablie);
    a.Connecter(QStringLiteral("127.0.0.21"), SocketsChat::Origine::Commande);
    a.Connecter(QStringLiteral("127.0.0.21"), SocketsChat::Origine::Retour);
    QVERIFY(etablie.wait(5000));
    // A frame through W_Client: any connection made before it has been accepted by then.
    a.Envoyer(Trame::Att());
    QTRY_VERIFY(!contact.acceptes.isEmpty() && contact.acceptes.last()->bytesAvailable() > 0);
    QCOMPARE(contact.acceptes.size(), 1);
    QCOMPARE(contact.Ouvertes(), 1);
    QCOMPARE(etablie.count(), 1);

    // Listening again, as after a connection error: the old W_Client must not linger, open,
    // beside the new one.
    QSignalSpy fermee(contact.acceptes.first(), &QAbstractSocket::disconnected);
    QVERIFY(a.Ecouter());
    QVERIFY(fermee.count() == 1 || fermee.wait(5000));
    QCOMPARE(a.Etat(), EtatConnexion::Ecoute);
}

void TestChatSockets::appelsCroises() {
    // Both users click at once: each accepts the other's call and keeps its own connection.
    SocketsChat a(QHostAddress(QStringLiteral("127.0.0.20")));
    SocketsChat b(QHostAddress(QStringLiteral("127.0.0.21")));
    QVERIFY(a.Ecouter());
    QVERIFY(b.Ecouter());
    for (SocketsChat* s : {&a, &b}) {
        connect(s, &SocketsChat::connexionEtablie, s, [s] { s->ReglEtat(EtatConnexion::Connecte); });
        connect(s, &SocketsChat::appelAccepte, s, [s](const QString& adresse) {
            if (s->Etat() != EtatConnexion::Connecte) {
                s->Connecter(adresse, SocketsChat::Origine::Retour);
            }
        });
    }
    QSignalSpy erreursA(&a, &SocketsChat::erreur);
    QSignalSpy erreursB(&b, &SocketsChat::erreur);
    QSignalSpy fermeturesA(&a, &SocketsChat::fermeture);
    QSignalSpy fermeturesB(&b, &SocketsChat::fermeture);
    a.Connecter(QStringLiteral("127.0.0.21"), SocketsChat::Origine::Commande);
    b.Connecter(QStringLiteral("127.0.0.20"), SocketsChat::Origine::Commande);
    QTRY_COMPARE(a.Etat(), EtatConnexion::Connecte);
    QTRY_COMPARE(b.Etat(), EtatConnexion::Connecte);

    // The conversation works both ways.
    QSignalSpy recuA(&a, &SocketsChat::tramesRecues);
    QSignalSpy recuB(&b, &SocketsChat::tramesRecues);
    a.Envoyer(Trame::Log(QStringLiteral("Alice")));
    b.Envoyer(Trame::Log(QStringLiteral("Bob")));
    QVERIFY(recuB.count() == 1 || recuB.wait(5000));
    QVERIFY(recuA.count() == 1 || recuA.wait(5000));
    QCOMPARE(recuB[0][0].value<QList<Trame::TrameRecue>>().first().donnee, QByteArray("Alice"));
    QCOMPARE(recuA[0][0].value<QList<Trame::TrameRecue>>().first().donnee, QByteArray("Bob"));
    QCOMPARE(erreursA.count() + erreursB.count() + fermeturesA.count() + fermeturesB.count(), 0);
}

void TestChatSockets::tramesCoupeesParTcp() {
    SocketsChat b(QHostAddress(QStringLiteral("127.0.0.21")));
    QVERIFY(b.Ecouter());
    QSignalSpy recu(&b, &SocketsChat::tramesRecues);
    QTcpSocket pair;
    pair.bind(QHostAddress(QStringLiteral("127.0.0.20")));
    pair.connectToHost(QHostAddress(QStringLiteral("127.0.0.21")), SocketsChat::PortChat);
    QVERIFY(pair.waitForConnected(5000));

    const QByteArray flux =
        Trame::Log(QStringLiteral("Zoé")) + Trame::Message(1, 6, 5, QStringLiteral("Salut_42"));
    // Byte by byte, each in its own segment.
    pair.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    for (char c : flux) {
        pair.write(&c, 1);
        pair.flush();
        QCoreApplication::processEvents();
    }
    QList<Trame::TrameRecue> trames;
    QTRY_VERIFY((trames.clear(), [&] {
        for (const auto& appel : recu) {
            trames += appel[0].value<QList<Trame::TrameRecue>>();
        }
        return trames.size() == 2;
    }()));
    QCOMPARE(trames[0].balise, Trame::Balise::LOG);
    QCOMPARE(trames[0].donnee, QByteArray("Zo\xe9"));
    QCOMPARE(trames[1].donnee, QByteArray("165_Salut_42"));
    QCOMPARE(b.AdresseAppelant(), QStringLiteral("127.0.0.20"));
}

QTEST_GUILESS_MAIN(TestChatSockets)
#include "tst_chat_sockets.moc"

// The chat sockets without any window: races of the connection, replaced sockets.
#include "core/chat/SocketsChat.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

const QString A = QStringLiteral("127.0.0.20"), B = QStringLiteral("127.0.0.21");

// The frames of every tramesRecues a spy has seen.
QList<Trame::TrameRecue> Trames(const QSignalSpy& recu) {
    QList<Trame::TrameRecue> trames;
    for (const auto& appel : recu)
        trames += appel[0].value<QList<Trame::TrameRecue>>();
    return trames;
}

} // namespace

class TestChatSockets : public QObject {
    Q_OBJECT

private slots:
    // The contact's call back can be seen before our own connection's completion.
    void retourPendantSaPropreConnexion() {
        // The contact's listener only accepts and records.
        QTcpServer contact;
        QVERIFY(contact.listen(QHostAddress(B), SocketsChat::PortChat));
        QList<QTcpSocket*> acceptes;
        connect(&contact, &QTcpServer::newConnection, [&] {
            while (QTcpSocket* s = contact.nextPendingConnection())
                acceptes.append(s);
        });
        SocketsChat a((QHostAddress(A)));
        QVERIFY(a.Ecouter());
        QSignalSpy etablie(&a, &SocketsChat::connexionEtablie);
        a.Connecter(B, SocketsChat::Origine::Commande);
        a.Connecter(B, SocketsChat::Origine::Retour);
        QVERIFY(etablie.wait(5000));
        // A frame through W_Client: any connection made before it has been accepted by then.
        a.Envoyer(Trame::Att());
        QTRY_VERIFY(!acceptes.isEmpty() && acceptes.last()->bytesAvailable() > 0);
        QCOMPARE(acceptes.size(), 1);
        QCOMPARE(acceptes.first()->state(), QAbstractSocket::ConnectedState);
        QCOMPARE(etablie.count(), 1);
        // Listening again, as after a connection error: the old W_Client must not linger, open,
        // beside the new one.
        QSignalSpy fermee(acceptes.first(), &QAbstractSocket::disconnected);
        QVERIFY(a.Ecouter());
        QVERIFY(fermee.count() == 1 || fermee.wait(5000));
        QCOMPARE(a.Etat(), EtatConnexion::Ecoute);
    }

    // Both users click at once: each accepts the other's call and keeps its own connection.
    void appelsCroises() {
        SocketsChat a((QHostAddress(A))), b((QHostAddress(B)));
        QVERIFY(a.Ecouter() && b.Ecouter());
        for (SocketsChat* s : {&a, &b}) {
            connect(s, &SocketsChat::connexionEtablie, s, [s] { s->ReglEtat(EtatConnexion::Connecte); });
            connect(s, &SocketsChat::appelAccepte, s, [s](const QString& adresse) {
                if (s->Etat() != EtatConnexion::Connecte)
                    s->Connecter(adresse, SocketsChat::Origine::Retour);
            });
        }
        QSignalSpy erreursA(&a, &SocketsChat::erreur), erreursB(&b, &SocketsChat::erreur);
        QSignalSpy fermeturesA(&a, &SocketsChat::fermeture), fermeturesB(&b, &SocketsChat::fermeture);
        a.Connecter(B, SocketsChat::Origine::Commande);
        b.Connecter(A, SocketsChat::Origine::Commande);
        QTRY_COMPARE(a.Etat(), EtatConnexion::Connecte);
        QTRY_COMPARE(b.Etat(), EtatConnexion::Connecte);
        // The conversation works both ways.
        QSignalSpy recuA(&a, &SocketsChat::tramesRecues), recuB(&b, &SocketsChat::tramesRecues);
        a.Envoyer(Trame::Log(QStringLiteral("Alice")));
        b.Envoyer(Trame::Log(QStringLiteral("Bob")));
        QTRY_VERIFY(recuA.count() == 1 && recuB.count() == 1);
        QCOMPARE(Trames(recuB).first().donnee, QByteArray("Alice"));
        QCOMPARE(Trames(recuA).first().donnee, QByteArray("Bob"));
        QCOMPARE(erreursA.count() + erreursB.count() + fermeturesA.count() + fermeturesB.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestChatSockets)
#include "tst_chat_sockets.moc"

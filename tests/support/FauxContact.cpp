#include "FauxContact.h"

#include "chat/SocketsChat.h"

#include <QTest>

FauxContact::FauxContact(const QString& adresse) : m_adresse(adresse) {
    m_ecoute.listen(QHostAddress(adresse), SocketsChat::PortChat);
    connect(&m_ecoute, &QTcpServer::newConnection, this, [this] {
        QTcpSocket* s = m_ecoute.nextPendingConnection();
        if (!s) {
            return;
        }
        m_entrant = s;
        // As a copy does, call back whoever called us.
        if (m_sortant.state() == QAbstractSocket::UnconnectedState) {
            m_sortant.bind(QHostAddress(m_adresse));
            m_sortant.connectToHost(s->peerAddress(), SocketsChat::PortChat);
        }
        connect(s, &QIODevice::readyRead, this, [this, s] {
            const QByteArray lu = s->readAll();
            m_octets += lu;
            m_trames += m_lecteur.Ajouter(lu);
        });
    });
}

bool FauxContact::Appeler(const QString& adresseCopie) {
    m_sortant.bind(QHostAddress(m_adresse));
    m_sortant.connectToHost(QHostAddress(adresseCopie), SocketsChat::PortChat);
    return m_sortant.waitForConnected(5000) && AttendreAppel();
}

bool FauxContact::AttendreAppel() {
    return QTest::qWaitFor(
        [this] { return !m_entrant.isNull() && m_sortant.state() == QAbstractSocket::ConnectedState; }, 5000);
}

void FauxContact::Envoyer(const QByteArray& octets) {
    QTcpSocket* s = m_sortant.state() == QAbstractSocket::ConnectedState ? &m_sortant : nullptr;
    if (!s) {
        return;
    }
    s->write(octets);
    s->flush();
}

bool FauxContact::AttendreTrames(int n, int delaiMs) {
    return QTest::qWaitFor([this, n] { return m_trames.size() >= n; }, delaiMs);
}

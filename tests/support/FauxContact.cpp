#include "FauxContact.h"

#include "core/chat/SocketsChat.h"

#include <QTest>

#include <sys/socket.h>

static void RemiseAZero(QTcpSocket& s) {
    const linger sansAttente{1, 0};
    ::setsockopt(int(s.socketDescriptor()), SOL_SOCKET, SO_LINGER, &sansAttente, sizeof sansAttente);
    s.abort();
}

FauxContact::FauxContact(const QString& adresse) : m_adresse(adresse) {
    m_ecoute.listen(QHostAddress(adresse), SocketsChat::PortChat);
    connect(&m_ecoute, &QTcpServer::newConnection, this, [this] {
        QTcpSocket* s = m_ecoute.nextPendingConnection();
        if (!s)
            return;
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
    if (m_sortant.state() != QAbstractSocket::ConnectedState)
        return;
    m_sortant.write(octets);
    m_sortant.flush();
}

bool FauxContact::AttendreTrames(int n, int delaiMs) {
    return QTest::qWaitFor([this, n] { return m_trames.size() >= n; }, delaiMs);
}

QTcpSocket* FauxContact::Socket(Lien lien) {
    return lien == Lien::VersCopie ? &m_sortant : m_entrant.data();
}

void FauxContact::Inonder(Lien lien, const QByteArray& motif, qint64 total) {
    m_inondee = Socket(lien);
    if (!m_inondee || motif.isEmpty())
        return;
    m_bloc = motif.repeated(qMax<qsizetype>(1, 64 * 1024 / motif.size()));
    m_resteInondation = total;
    m_inonde = 0;
    connect(m_inondee, &QIODevice::bytesWritten, this, [this, s = m_inondee.data()](qint64 n) {
        if (s == m_inondee) {
            m_inonde += n;
            ContinuerInondation();
        }
    });
    ContinuerInondation();
}

void FauxContact::ContinuerInondation() {
    // Keep about 256 KiB in flight: the rest waits until the copy reads.
    while (m_inondee && m_resteInondation > 0 && m_inondee->bytesToWrite() < 256 * 1024) {
        const qint64 n = qMin<qint64>(m_resteInondation, m_bloc.size());
        m_inondee->write(m_bloc.constData(), n);
        m_resteInondation -= n;
    }
}

void FauxContact::Fermer(Lien lien) {
    if (QTcpSocket* s = Socket(lien))
        s->disconnectFromHost();
}

void FauxContact::FermerEnvoi(Lien lien) {
    if (QTcpSocket* s = Socket(lien)) {
        s->flush();
        ::shutdown(int(s->socketDescriptor()), SHUT_WR);
    }
}

void FauxContact::Reinitialiser(Lien lien) {
    if (QTcpSocket* s = Socket(lien))
        RemiseAZero(*s);
}

bool FauxContact::EcouterFichier() {
    connect(&m_ecouteFichier, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = m_ecouteFichier.nextPendingConnection()) {
            s->setReadBufferSize(1);
            m_appelsFichier.append(s);
        }
    });
    return m_ecouteFichier.listen(QHostAddress(m_adresse), 60001);
}

bool FauxContact::ConnecterFichier(const QString& adresseCopie) {
    m_fichierSortant.abort();
    m_fichierSortant.bind(QHostAddress(m_adresse));
    m_fichierSortant.connectToHost(QHostAddress(adresseCopie), 60001);
    return m_fichierSortant.waitForConnected(5000);
}

void FauxContact::EnvoyerFichier(const QByteArray& octets) {
    m_fichierSortant.write(octets);
    m_fichierSortant.flush();
}

QByteArray FauxContact::LireFichier(qint64 n, int delaiMs) {
    if (!QTest::qWaitFor([&] { return m_fichierSortant.bytesAvailable() >= n; }, delaiMs))
        return {};
    return m_fichierSortant.read(n);
}

void FauxContact::FermerFichier(bool reinitialiser) {
    if (reinitialiser)
        RemiseAZero(m_fichierSortant);
    else
        m_fichierSortant.disconnectFromHost();
}

QByteArray FauxContact::LuSurAppel(int i) {
    if (i < 0 || i >= m_appelsFichier.size())
        return {};
    m_lusFichier.resize(qMax(m_lusFichier.size(), qsizetype(i) + 1));
    m_appelsFichier[i]->setReadBufferSize(0);
    return m_lusFichier[i] += m_appelsFichier[i]->readAll();
}

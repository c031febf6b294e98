#include "core/transfer/SondePort.h"

#include "core/transfer/TravailTransfert.h"

#include <QNetworkProxy>
#include <QTcpSocket>

SondePort::SondePort(const QHostAddress& adresseLocale, quint16 port, int delaiMs, QObject* parent)
    : QObject(parent), m_adresseLocale(adresseLocale), m_port(port), m_delaiMs(delaiMs) {
    // Finir stops it, so it fires at most once a try.
    connect(&m_delai, &QTimer::timeout, this, [this] { Finir(false); });
}

void SondePort::Sonder(const QHostAddress& contact) {
    Abandonner();
    auto* socket = new QTcpSocket(this);
    m_socket = socket;
    // The contact's channel may reset us at once, unread: the connection was made, that is the answer.
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        if (socket == m_socket) {
            Finir(true);
        }
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
        if (socket == m_socket) {
            Finir(false);
        }
    });
    // Straight to the contact, from the address its channel knows us by.
    socket->setProxy(QNetworkProxy::NoProxy);
    if (AdresseLiee(m_adresseLocale)) {
        socket->bind(m_adresseLocale, 0);
    }
    m_delai.start(m_delaiMs);
    socket->connectToHost(contact, m_port);
}

void SondePort::Abandonner() {
    ++m_essai;
    m_delai.stop();
    if (QTcpSocket* socket = m_socket) {
        m_socket = nullptr;
        // Nothing was written: an orderly close, which the contact's channel may not even read.
        socket->close();
        socket->deleteLater();
    }
}

void SondePort::Finir(bool joint) {
    Abandonner();
    // Posted: a refusal may come inside connectToHost, and a new try cancels this report.
    QMetaObject::invokeMethod(
        this,
        [this, joint, essai = m_essai] {
            if (essai == m_essai) {
                emit resultat(joint);
            }
        },
        Qt::QueuedConnection);
}

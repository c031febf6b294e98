// Whether the contact's file port can be reached from here: one connection, closed as soon as it
// is made, before any file is offered. A firewall that drops the port shows as silence, one that
// rejects it as a refusal; either means no file can reach that side.
#pragma once

#include "core/transfer/CanalFichier.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QTcpSocket;

class SondePort : public QObject {
    Q_OBJECT
public:
    static constexpr int DelaiParDefautMs = 4000;

    // delaiMs: how long the contact's system may take to answer.
    explicit SondePort(const QHostAddress& adresseLocale, quint16 port = CanalFichier::PortFichier,
                       int delaiMs = DelaiParDefautMs, QObject* parent = nullptr);

    // Tries the contact's port; a try under way is dropped unreported. The result is never
    // emitted from inside the call.
    void Sonder(const QHostAddress& contact);
    void Abandonner();

signals:
    // joint: the contact's system accepted the connection (what its program did with it after
    // does not matter).
    void resultat(bool joint);

private:
    void Finir(bool joint);

    const QHostAddress m_adresseLocale;
    const quint16 m_port;
    const int m_delaiMs;
    QPointer<QTcpSocket> m_socket;
    QTimer m_delai;
    // Reports posted by an earlier try are dropped.
    quint64 m_essai = 0;
};

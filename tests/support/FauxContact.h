// A contact made of raw sockets: it sees the exact bytes a copy sends and can send it anything.
#pragma once

#include "chat/Trame.h"

#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

class FauxContact : public QObject {
    Q_OBJECT
public:
    // Listens on adresse:60000, as a copy would.
    explicit FauxContact(const QString& adresse);

    // Calls the copy and waits until it has called back; false on a time-out.
    bool Appeler(const QString& adresseCopie);
    // Waits until the copy has called us (after its own connect command).
    bool AttendreAppel();

    // Raw bytes to the copy, in one write.
    void Envoyer(const QByteArray& octets);
    // What the copy sent us, as frames; waits until there are at least n.
    QList<Trame::TrameRecue> Trames() const { return m_trames; }
    bool AttendreTrames(int n, int delaiMs = 5000);
    QByteArray Octets() const { return m_octets; }
    void Oublier() {
        m_trames.clear();
        m_octets.clear();
    }

private:
    QString m_adresse;
    QTcpServer m_ecoute;
    QPointer<QTcpSocket> m_entrant;
    QTcpSocket m_sortant;
    Trame::LecteurTrames m_lecteur;
    QList<Trame::TrameRecue> m_trames;
    QByteArray m_octets;
};

// What each incoming chat frame does.
#pragma once

#include "chat/Trame.h"

#include <QObject>

class Interface;
struct Session;

class ArriveeDonnees : public QObject {
    Q_OBJECT
public:
    ArriveeDonnees(Interface& interface, Session& session, QObject* parent = nullptr);

    // The frames of one read, in the order they were sent.
    void Traiter(const QList<Trame::TrameRecue>& trames);

signals:
    // Every frame, after its handler ran.
    void trameTraitee(const Trame::TrameRecue& trame);

private:
    void RecuLog(const QByteArray& donnee);
    void RecuPse(const QByteArray& donnee);
    void RecuAtt();

    Interface& m_interface;
    Session& m_session;
};

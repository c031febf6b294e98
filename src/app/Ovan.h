// One running copy of the messenger: its windows, sockets, state and commands.
#pragma once

#include "app/Session.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>

class ArriveeDonnees;
class Connexion;
class Dialogues;
class Interface;
class SocketsChat;

class Ovan : public QObject {
    Q_OBJECT
public:
    struct Parametres {
        // The program folder, ending in "/": settings, sounds and pictures are read there.
        QString DossExec;
        // Where to listen and connect from; tests give each copy its own 127.0.0.x.
        QHostAddress AdresseLocale = QHostAddress(QHostAddress::AnyIPv4);
        Dialogues* dialogues = nullptr;
    };

    explicit Ovan(const Parametres& parametres, QObject* parent = nullptr);
    ~Ovan() override;

    // Start-up: state, listening on both ports, the main window shown.
    void Demarrer();
    // Runs command n (a button with id 300 + n, a menu item, a shortcut).
    void ClicBouton(int index);
    // Disconnects, then closes the four sockets: what quitting does before the loop ends.
    void Arreter();

    const QString& DossExec() const { return m_parametres.DossExec; }
    Interface& interface() { return *m_interface; }
    SocketsChat& Sockets() { return *m_sockets; }
    Connexion& connexion() { return *m_connexion; }
    ArriveeDonnees& Arrivee() { return *m_arrivee; }
    Session& session() { return m_session; }
    int Etat() const;

signals:
    // The main window was closed: the copy has stopped.
    void arrete();

private:
    void MenuCommande(int id);

    Parametres m_parametres;
    Session m_session;
    std::unique_ptr<Interface> m_interface;
    SocketsChat* m_sockets;
    Connexion* m_connexion;
    ArriveeDonnees* m_arrivee;
    bool m_arrete = false;
};

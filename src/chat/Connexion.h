// Connecting, accepting, closing and failing, with what the user sees of each.
#pragma once

#include <QObject>
#include <functional>

class Dialogues;
class Interface;
class SocketsChat;
struct Session;

class Connexion : public QObject {
    Q_OBJECT
public:
    Connexion(Interface& interface, SocketsChat& sockets, Dialogues& dialogues, Session& session,
              QObject* parent = nullptr);

    void CommandeConnecter();   // command 3
    void CommandeDeconnecter(); // command 4

    // Listening on both ports, each failure with its box.
    void Ecouter();
    void Ecouter2();

    // Runs first when the contact leaves or a connection fails.
    void ReglerAvantFermeture(std::function<void()> avant) { m_avantFermeture = std::move(avant); }

    // Asks for a nickname when the connection was made without one.
    void ReglerDemandePseudo(std::function<void()> demander) { m_demanderPseudo = std::move(demander); }

    // Shows the state in status-bar part 1.
    void AfficherEtat(int etat, const QString& texte);

private:
    void DemandeConnexion(const QString& adresse);
    void Connecte();
    void Fermer();
    void Erreur();
    void FacesDeconnecte();
    // Boxes editable again, plain title, connect menu item enabled.
    void RetourSaisie();

    Interface& m_interface;
    SocketsChat& m_sockets;
    Dialogues& m_dialogues;
    Session& m_session;
    bool m_erreurEnCours = false;
    std::function<void()> m_avantFermeture;
    std::function<void()> m_demanderPseudo;
};

// Connecting, accepting, closing and failing, with what the user sees of each.
#pragma once

#include <QObject>
#include <functional>

class CanalFichier;
class Dialogues;
class EnvoiTrames;
class Interface;
class VueConversation;
class SocketsChat;
struct Session;

class Connexion : public QObject {
    Q_OBJECT
public:
    Connexion(Interface& interface, VueConversation& vue, SocketsChat& sockets, CanalFichier& canal,
              EnvoiTrames& envoi, Dialogues& dialogues, Session& session);

    void CommandeConnecter();   // command 3
    void CommandeDeconnecter(); // command 4

    // Listening on both ports, each failure with its box.
    void Ecouter();
    void Ecouter2();

    // differer puts a close or an error behind the frames received before it, so that neither
    // runs inside a socket's signal; vider deals with what waits before a disconnect command.
    void ReglerFile(std::function<void(std::function<void()>)> differer, std::function<void()> vider) {
        m_differer = std::move(differer);
        m_vider = std::move(vider);
    }

    // Asks for a nickname when the connection was made without one.
    void ReglerDemandePseudo(std::function<void()> demander) { m_demanderPseudo = std::move(demander); }

    // Shows the state in status-bar part 1.
    void AfficherEtat(int etat, const QString& texte);

private:
    void DemandeConnexion(const QString& adresse);
    void Connecte();
    void Fermer();
    void Erreur();
    // Runs reaction later, and only if the conversation it belongs to is still the current one.
    void Differer(void (Connexion::*reaction)());
    void FacesDeconnecte();
    // Boxes editable again, plain title, connect menu item enabled.
    void RetourSaisie();

    Interface& m_interface;
    VueConversation& m_vue;
    SocketsChat& m_sockets;
    CanalFichier& m_canal;
    EnvoiTrames& m_envoi;
    Dialogues& m_dialogues;
    Session& m_session;
    bool m_erreurEnCours = false;
    std::function<void(std::function<void()>)> m_differer;
    std::function<void()> m_vider;
    std::function<void()> m_demanderPseudo;
};

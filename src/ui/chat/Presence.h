// The user's presence and typing as the contact sees them, and the nickname announcements.
#pragma once

class EnvoiTrames;
class Interface;
class SocketsChat;
struct Session;

class Presence {
public:
    Presence(Interface& interface, const SocketsChat& sockets, EnvoiTrames& envoi, Session& session)
        : m_interface(interface), m_sockets(sockets), m_envoi(envoi), m_session(session) {}

    // Command 6: absent ("[STA]" "abs", title, faces), in every state.
    void Absent();
    // Command 7: present again.
    void Present();

    // Keys in the input box: the send button's face on a press, "[TAP]" on a release.
    void ToucheEnfoncee();
    void ToucheRelachee();

    // "[PSE]" with the own nickname when connected (the Options window's OK and Apply).
    void AnnoncerPseudo();

private:
    bool SaisieVide() const;

    Interface& m_interface;
    const SocketsChat& m_sockets;
    EnvoiTrames& m_envoi;
    Session& m_session;
};

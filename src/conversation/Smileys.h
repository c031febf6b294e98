// Smiley codes in the conversation and the smiley picker's buttons.
#pragma once

class Interface;
class QTextEdit;
class SocketsChat;
struct Session;

class Smileys {
public:
    Smileys(Interface& interface, const SocketsChat& sockets, Session& session)
        : m_interface(interface), m_sockets(sockets), m_session(session) {}

    // Smiley k (1 to 25) at the end of the draft, in the current format; false for another k.
    bool Inserer(int k);

    // Replaces the codes written since position debut; returns where the next scan starts.
    int MettreSmileys(QTextEdit* vue, int debut);

private:
    Interface& m_interface;
    const SocketsChat& m_sockets;
    Session& m_session;
};

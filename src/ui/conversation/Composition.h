// Writing and sending messages: the input box, the font picker's format, send and clear.
#pragma once

#include <QObject>

class Dialogues;
class EnvoiTrames;
class Interface;
class Presence;
class VueConversation;
class SocketsChat;
struct Session;

// IPolice, ICouleur and IStyle read again from the font picker.
void LireFormat(const Interface& interface, Session& session);

class Composition : public QObject {
    Q_OBJECT
public:
    Composition(Interface& interface, const SocketsChat& sockets, EnvoiTrames& envoi, Dialogues& dialogues,
                Session& session, Presence& presence, VueConversation& vue);

    // Command 1: clear the conversation view.
    void Effacer();
    // Command 2: send the message typed in the input box.
    void Envoyer();
    // Commands 451 to 453 and a font or colour change in the font picker: the input box takes
    // the picker's format, its whole text and what is typed next.
    void ChangerStyle();

protected:
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    Interface& m_interface;
    const SocketsChat& m_sockets;
    EnvoiTrames& m_envoi;
    Dialogues& m_dialogues;
    Session& m_session;
    Presence& m_presence;
    VueConversation& m_vue;
};

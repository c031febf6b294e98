// The user's presence and typing as the contact sees them: the commands, the title and the faces.
#pragma once

#include "ui/chat/FenetreChat.h"

class Conversation;

class Presence {
public:
    Presence(const FenetreChat& controles, Conversation& conversation)
        : m_c(controles), m_conversation(conversation) {}

    // Command 6: absent ("[STA]" "abs", title, faces), in every state.
    void Absent();
    // Command 7: present again.
    void Present();

    // Keys in the input box: the send button's face on a press, "[TAP]" on a release.
    void ToucheEnfoncee();
    void ToucheRelachee();

private:
    void Regler(bool absent);
    bool SaisieVide() const;

    FenetreChat m_c;
    Conversation& m_conversation;
};

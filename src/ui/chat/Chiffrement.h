// What the user sees of encryption: the lock beside the status bar, the notices the history keeps,
// the questions about a key that changed or an encryption that went missing, and the safety code.
#pragma once

#include "core/chat/Conversation.h"
#include "ui/chat/FenetreChat.h"

#include <QObject>

class Dialogues;
class QPushButton;
class VueConversation;

class Chiffrement : public QObject {
    Q_OBJECT
public:
    Chiffrement(const FenetreChat& controles, QPushButton* verrou, VueConversation& vue,
                Conversation& conversation, Dialogues& dialogues);

    // The safety code, and the question whether it matches the contact's (the lock, the menu).
    void MontrerCode();
    // A fingerprint in eight groups of eight hexadecimal digits, on two lines.
    static QString EmpreinteLisible(const QByteArray& empreinte);

private:
    void Actualiser();
    void CleChangee(const ContactConnu& ancien, const QByteArray& nouvelle);
    void Perdu();
    QString Contact() const;

    FenetreChat m_c;
    QPushButton* m_verrou;
    VueConversation& m_vue;
    Conversation& m_conversation;
    Dialogues& m_dialogues;
    Conversation::Securite m_montree = Conversation::Securite::Inconnue;
};

// What the user sees of connecting, accepting, closing and failing, and the connect and
// disconnect commands.
#pragma once

#include "core/chat/Conversation.h"
#include "ui/chat/FenetreChat.h"

#include <QObject>

#include <functional>

class Dialogues;
class QWidget;
class VueConversation;

class Connexion : public QObject {
    Q_OBJECT
public:
    // fenetreTransfert: where a box about the file port goes.
    Connexion(const FenetreChat& controles, QWidget* fenetreTransfert, VueConversation& vue,
              Conversation& conversation, Dialogues& dialogues);

    void CommandeConnecter();   // command 3
    void CommandeDeconnecter(); // command 4

    // Asks for a nickname when the connection was made without one.
    void ReglerDemandePseudo(std::function<void()> demander) { m_demanderPseudo = std::move(demander); }

private:
    void Connecte(bool sansPseudo);
    void Terminee(Conversation::Fin fin, bool etaitConnectee);
    void FacesDeconnecte();

    FenetreChat m_c;
    QWidget* m_fenetreTransfert;
    VueConversation& m_vue;
    Conversation& m_conversation;
    Dialogues& m_dialogues;
    std::function<void()> m_demanderPseudo;
};

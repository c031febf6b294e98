// Writing and sending messages: the input box, the font picker's format, send and clear.
#pragma once

#include "ui/chat/FenetreChat.h"

#include <QObject>

class Conversation;
class Dialogues;
class Interface;
class Presence;
class QCheckBox;
class QComboBox;
class VueConversation;

// The outgoing format: font, colour and style indexes as the font picker gives them.
struct Format {
    int police = 0;
    int couleur = 0;
    int style = 0;
};

// The font picker's controls, where the format is read.
struct SelecteurFormat {
    QComboBox* police = nullptr;
    QComboBox* couleur = nullptr;
    QCheckBox* gras = nullptr;
    QCheckBox* italique = nullptr;
    QCheckBox* souligne = nullptr;

    static SelecteurFormat De(const Interface& ui);
    Format Lire() const;
};

class Composition : public QObject {
    Q_OBJECT
public:
    Composition(const FenetreChat& controles, const SelecteurFormat& selecteur, Conversation& conversation,
                Dialogues& dialogues, Presence& presence, VueConversation& vue);

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
    FenetreChat m_c;
    SelecteurFormat m_selecteur;
    Conversation& m_conversation;
    Dialogues& m_dialogues;
    Presence& m_presence;
    VueConversation& m_vue;
};

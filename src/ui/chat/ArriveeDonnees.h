// What the user sees and hears of what the contact sends: entries, its status, the status bar,
// the pop-up, the sounds and the flashing window.
#pragma once

#include "ui/chat/FenetreChat.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class Conversation;
class Popup;
class Sons;
class VueConversation;

class ArriveeDonnees : public QObject {
    Q_OBJECT
public:
    ArriveeDonnees(const FenetreChat& controles, Conversation& conversation, Popup& popup, Sons& sons,
                   VueConversation& vue, const QString& dossExec);

signals:
    // A message came while the main window is not in front: it flashes until activated.
    void clignoter();
    // Something the user should hear of when the window is away: the contact came, a message.
    void avertir(const QString& titre, const QString& corps);

private:
    void RecuLog();
    void RecuTexte(int police, int couleur, int style, const QString& texte);
    void RecuStatut();
    void RecuFrappe(bool ecrit);

    FenetreChat m_c;
    Conversation& m_conversation;
    Popup& m_popup;
    Sons& m_sons;
    VueConversation& m_vue;
    const QString m_dossExec;
};

// "Dernier message reçu le 06/12/2026 à 21:15."
QString TexteDernierMessage(const QDateTime& quand);

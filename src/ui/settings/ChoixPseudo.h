// The nickname window, shown when a connection is made without a nickname.
#pragma once

#include <QFont>
#include <QObject>

class Conversation;
class Interface;

class ChoixPseudo : public QObject {
    Q_OBJECT
public:
    ChoixPseudo(Interface& interface, Conversation& conversation);

    // Fades the window in (or brings it to the front) and disables the main window.
    void Afficher();
    // Command 51: take the nickname and announce it.
    void Valider();

    // Title bars draw titles in bold, mostly; their buttons and borders take about this many
    // lines of its height beside the title.
    static QFont PoliceTitre();
    static constexpr int MargeTitreEnLignes = 7;

protected:
    // Another window of the program becoming active brings the nickname window back in front.
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    Interface& m_interface;
    Conversation& m_conversation;
};

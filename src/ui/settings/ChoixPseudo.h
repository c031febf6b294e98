// The nickname window, shown when a connection is made without a nickname.
#pragma once

#include <QFont>
#include <QList>
#include <QObject>

class Conversation;
class FenetreOvan;
class FenetrePrincipale;
class QLineEdit;
class QTextEdit;
class QWidget;

class ChoixPseudo : public QObject {
    Q_OBJECT
public:
    struct Controles {
        FenetreOvan* fenetre = nullptr;
        QLineEdit* zone = nullptr;
        QWidget* ok = nullptr;
        FenetrePrincipale* principale = nullptr;
        QLineEdit* pseudoPrincipal = nullptr;
        QTextEdit* saisie = nullptr;
        // The program's other windows, whose activation brings this one back in front.
        QList<QWidget*> autres;
    };

    ChoixPseudo(const Controles& controles, Conversation& conversation);

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
    const Controles m_ui;
    Conversation& m_conversation;
};

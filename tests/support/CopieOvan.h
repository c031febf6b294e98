// A running copy for tests: its own 127.0.0.x address, program folder and recorded boxes.
#pragma once

#include "DialoguesEnregistres.h"
#include "ShellEnregistre.h"
#include "SonsEnregistres.h"
#include "core/chat/Conversation.h"
#include "ui/app/Interface.h"
#include "ui/app/Ovan.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <functional>
#include <memory>

class SourceReseau;

class CopieOvan {
public:
    // Started at once, after preparer has put files in the program folder; its network window lists
    // from source (null: the system's mDNS daemon).
    explicit CopieOvan(const QString& adresse,
                       const std::function<void(const QString& dossier)>& preparer = {},
                       SourceReseau* source = nullptr);
    // config.ini holding config, then the program folder as the received-files folder when
    // dossierRecus (so that no box asks for one); no config.ini when both are empty.
    CopieOvan(const QString& adresse, const QByteArray& config, bool dossierRecus = false);
    ~CopieOvan();

    // Quits and starts again from the same program folder, as a user restarting the program.
    void Redemarrer();
    Ovan& ovan() { return *m_ovan; }
    Interface& interface() { return m_ovan->interface(); }
    DialoguesEnregistres& dialogues() { return m_dialogues; }
    ShellEnregistre& shell() { return m_shell; }
    SonsEnregistres& sons() { return m_sons; }
    const QString& Adresse() const { return m_adresse; }
    QString Dossier() const { return m_dossier.path() + QLatin1Char('/'); }

    QLineEdit* Pseudo() { return interface().TextBoxhWnd[ZonePseudo]; }
    QLineEdit* AdresseContact() { return interface().TextBoxhWnd[ZoneAdresse]; }
    QTextEdit* Conversation() { return interface().RichEdithWnd[ZoneConversation]; }
    // Status-bar parts 0 and 1.
    QString Statut(int partie = 1) { return interface().TexteBarreStatut(partie); }
    // The conversation as plain text, lines separated by "\n".
    QString TexteConversation() { return Conversation()->toPlainText(); }
    // Types a nickname and an address, then runs the connect command.
    void Connecter(const QString& pseudo, const QString& adresseContact);

private:
    QString m_adresse;
    QTemporaryDir m_dossier;
    DialoguesEnregistres m_dialogues;
    ShellEnregistre m_shell;
    SonsEnregistres m_sons;
    SourceReseau* m_source = nullptr;
    std::unique_ptr<Ovan> m_ovan;
};

// Connects a to b (a calls with its nickname) and waits until both are connected.
// Returns false when they do not get there in time.
bool ConnecterCopies(CopieOvan& a, const QString& pseudoA, CopieOvan& b, const QString& pseudoB);

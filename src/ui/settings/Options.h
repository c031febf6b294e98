// The Options window: its three pages, OK, Cancel, Apply, the folder browser, and the settings reload.
#pragma once

#include "ui/settings/Config.h"

#include <QObject>

class Composition;
class Dialogues;
class Conversation;

class Options : public QObject {
    Q_OBJECT
public:
    Options(const ControlesReglages& controles, Dialogues& dialogues, Conversation& conversation,
            Composition& composition, const QString& dossExec);

    // Command 48: choose the received-files folder.
    void Parcourir();
    // Command 52: save, close and apply.
    void Valider();
    // Command 53 (also the close box): close and put the saved settings back.
    void Annuler();
    // Command 54: save and apply.
    void Appliquer();
    // Settings from config.ini or the defaults, then the check of the received-files folder.
    void RechargerConfig();

    // Shows page 1, 2 or 3 (the one shown last stays for the next opening).
    void AfficherPage(int page);
    int Page() const { return m_page; }
    // The tab under a point of the window, 0 for none.
    static int OngletA(const QPoint& point);

    // The folder browser: an existing folder, ending in "/"; "" when nothing was chosen.
    QString FenSelectionDoss(const QString& titre, const QString& depart);

protected:
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    bool Sauver();
    void AppliquerReglages();

    const ControlesReglages m_ui;
    Dialogues& m_dialogues;
    Conversation& m_conversation;
    Composition& m_composition;
    // The folder where config.ini lies.
    const QString m_dossExec;
    int m_page = 1;
    // The settings were loaded once (at start-up).
    bool m_charge = false;
};

// Offering, accepting, refusing, cancelling and opening files, and the transfer window that shows
// one transfer: the core channel moves the bytes, this side asks the user and shows where it stands.
#pragma once

#include "core/chat/Conversation.h"
#include "core/transfer/TravailTransfert.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class Dialogues;
class FenetreOvan;
class FenetrePrincipale;
class Interface;
class Popup;
class QLabel;
class QProgressBar;
class QTextEdit;
class Shell;
class Sons;
class VueConversation;
class BoutonImage;

// The controls a transfer writes: the transfer window's, and the main window's for its boxes,
// its drops and its flashing.
struct ControlesTransfert {
    FenetrePrincipale* principale = nullptr;
    FenetreOvan* fenetre = nullptr;
    QLabel* nomFichier = nullptr;
    QLabel* correspondant = nullptr;
    QLabel* volume = nullptr;
    QLabel* debit = nullptr;
    QLabel* tempsRestant = nullptr;
    QProgressBar* barre = nullptr;
    BoutonImage* ouvrir = nullptr;
    BoutonImage* annuler = nullptr;
    // Files dropped there are offered.
    QTextEdit* depots[2] = {};

    static ControlesTransfert De(const Interface& ui);
};

class Transfert : public QObject {
    Q_OBJECT
public:
    struct Services {
        Dialogues& dialogues;
        Shell& shell;
        Sons& sons;
        Popup& popup;
        // The program folder, where the sounds lie.
        QString dossExec;
    };

    Transfert(const ControlesTransfert& controles, VueConversation& vue, Conversation& conversation,
              const Services& services);

    // Command 8: offer a file to the contact.
    void OffrirFichier();
    // The same from the choice of a file on: a file dropped on the window, a screen capture.
    void Offrir(const QString& chemin);
    // Several files and folders, as one batch to a copy of ours that takes them; else explained.
    void Offrir(const QStringList& chemins);
    // A screen capture: offered as a file, unless a transfer runs (its window's name and file must
    // not change under it).
    void OffrirCapture(const QString& chemin);
    // Files dropped on the main window: one file is offered; several, or a folder, go as one batch
    // to a copy of ours that takes them, and are explained to any other contact.
    void Deposer(const QStringList& chemins);
    // Command 100: open the file of the last transfer that ended well.
    void OuvrirFichier();
    // Command 101: cancel the transfer (and tell the contact), or close the window once it ended.
    void Annuler();

protected:
    bool eventFilter(QObject* objet, QEvent* event) override;

signals:
    // A transfer ended while the main window is not in front: it flashes until activated.
    void clignoter();
    // Something the user should hear of when the window is away: an offer, a transfer's end.
    void avertir(const QString& titre, const QString& corps);

private:
    bool PeutCommencer();
    // The checks of command 8 before a file is chosen: connected, no transfer running, no
    // earlier window left open.
    bool PretAOffrir();
    void UnSeulFichier();
    // The window of an earlier transfer is still shown: asks whether to close it (the question
    // ends with suite) and closes it on yes; false on no.
    bool FermerFenetreOuverte(const QString& suite);
    void Question(const QString& nom, qint64 taille, int fichiers);
    // A batch: the file under way, beside the batch's name.
    void FichierCourant(const QString& chemin);
    void Refusee(const QString& nom, Conversation::Refus raison);
    void Commence(const Conversation::Fichier& fichier);
    void Progression(qint64 fait, qint64 total);
    void Reprise(qint64 depuis);
    // The sender of a file that came different, or whose resumable stream broke, may send it again.
    void ProposerRenvoi(RaisonEchec raison);
    void Debit();
    void Fin(IssueTransfert issue, RaisonEchec raison);
    void Avertir(bool annule);
    void DefilerNom();
    QString Volume(qint64 fait) const;

    ControlesTransfert m_c;
    VueConversation& m_vue;
    Conversation& m_conversation;
    Services m_services;

    qint64 m_total = 0;
    qint64 m_fait = 0;
    // Resumed: what the receiver held already.
    qint64 m_depart = 0;
    // The rate is timed on a monotonic clock, so it stays right when the interface is busy.
    QElapsedTimer m_montre;
    QTimer m_minuterieDebit;
    QTimer m_defilement;
    // What the last batch offered was chosen from, to offer it again.
    QStringList m_lotChoisi;
    int m_deplacement = 0;
    bool m_retour = false;
};

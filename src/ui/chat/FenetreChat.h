// The main window's controls that the conversation writes: its adapters get these, not the whole
// control table.
#pragma once

#include <QString>

class BoutonImage;
class FenetrePrincipale;
class Interface;
class QLabel;
class QLineEdit;
class QTextEdit;

struct FenetreChat {
    FenetrePrincipale* fenetre = nullptr;
    QLineEdit* pseudo = nullptr;
    QLineEdit* adresse = nullptr;
    QLineEdit* sonStatut = nullptr;
    QTextEdit* conversation = nullptr;
    QTextEdit* saisie = nullptr;
    BoutonImage* effacer = nullptr;
    BoutonImage* envoyer = nullptr;
    BoutonImage* connecter = nullptr;
    BoutonImage* deconnecter = nullptr;
    BoutonImage* absent = nullptr;
    BoutonImage* present = nullptr;
    // Status-bar part 0 (last message, typing) and part 1 (connection state).
    QLabel* statut[2] = {};

    static FenetreChat De(const Interface& ui);

    // The send button's face: "img_envt_e" when a message can go, "img_envt_d" otherwise.
    void FaceEnvoi(bool actif) const;
    void Statut(int partie, const QString& texte) const;
};

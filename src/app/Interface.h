// The windows and controls of one running copy, held in slot tables as the program addresses them.
#pragma once

#include <QFont>
#include <QString>
#include <array>

class BoutonImage;
class FenetrePrincipale;
class QLabel;
class QLineEdit;
class QTextEdit;
class QWidget;

// Slots of the main window's controls.
enum SlotLabel { LabelPseudo = 1, LabelAdresse = 2, LabelMonStatut = 3, LabelSonStatut = 4 };
enum SlotTextBox { ZonePseudo = 1, ZoneAdresse = 2, ZoneSonStatut = 5 };
enum SlotRichEdit { ZoneConversation = 1, ZoneSaisie = 2 };
enum SlotBouton {
    BoutonEffacer = 1,
    BoutonEnvoyer = 2,
    BoutonConnecter = 3,
    BoutonDeconnecter = 4,
    BoutonQuitter = 5,
    BoutonAbsent = 6,
    BoutonPresent = 7,
    BoutonEnvoiFichier = 8,
    BoutonSmiley = 9,
    BoutonFichiersRecus = 10,
    BoutonAPropos = 11,
    BoutonReseau = 12,
    BoutonPolice = 13,
    BoutonCapture = 14,
};

inline constexpr int LongueurMaxPseudo = 30;
inline constexpr int LongueurMaxAdresse = 50;
inline constexpr int LongueurMaxMessage = 200;

class Interface {
public:
    Interface();
    ~Interface();
    Interface(const Interface&) = delete;
    Interface& operator=(const Interface&) = delete;

    // The main window's layout for an area of W x H under the menu bar, status bar included.
    void Redimensionner(int largeur, int hauteur);

    // Status-bar part 0 (last message, typing) and part 1 (connection state).
    void TexteBarreStatut(int partie, const QString& texte);
    QString TexteBarreStatut(int partie) const;

    FenetrePrincipale* FenetrehWnd = nullptr;
    QWidget* TransferthWnd = nullptr;

    std::array<QLabel*, 16> LabelhWnd{};
    std::array<QLineEdit*, 14> TextBoxhWnd{};
    std::array<BoutonImage*, 102> BoutonhWnd{};
    std::array<QTextEdit*, 3> RichEdithWnd{};
    std::array<QLabel*, 2> BarreStatuthWnd{};

    // Every control's font.
    static QFont PoliceControles();

private:
    void CreerFenetrePrincipale();
};

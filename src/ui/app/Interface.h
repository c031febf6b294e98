// The windows and controls of one running copy, held in slot tables as the program addresses them.
#pragma once

#include <QFont>
#include <QString>
#include <array>

class BoutonImage;
class FenetreOvan;
class FenetrePrincipale;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTextEdit;
class QTreeWidget;
class QWidget;

// Label slots.
enum SlotLabel {
    LabelPseudo = 1,
    LabelAdresse = 2,
    LabelMonStatut = 3,
    LabelSonStatut = 4,
    LabelPolice = 5,
    LabelCouleur = 6,
    LabelNomFichier = 7,
    LabelCorrespondant = 8,
    LabelVolume = 9,
    LabelDebit = 10,
    LabelTempsRestant = 11,
    LabelNomPoste = 12,
    LabelIpInternet = 13,
    LabelTitrePopup = 14,
    LabelCorpsPopup = 15,
    LabelAdressesPoste = 16,
};

// Edit-box slots (4 stays empty).
enum SlotTextBox {
    ZonePseudo = 1,
    ZoneAdresse = 2,
    ZoneNomPoste = 3,
    ZoneSonStatut = 5,
    ZoneOptionsPseudo = 6,
    ZoneOptionsDossier = 7,
    ZoneACompresser = 8,
    ZoneArchiveCreee = 9,
    ZoneChoixPseudo = 10,
    ZoneADecompresser = 11,
    ZoneFichierCree = 12,
    ZoneImage = 13,
};

enum SlotRichEdit { ZoneConversation = 1, ZoneSaisie = 2 };

// Button slots: a click runs the command of the same number.
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
    BoutonPremierSmiley = 20,
    BoutonDernierSmiley = 44,
    BoutonQuitterSmileys = 45,
    BoutonQuitterPolice = 46,
    BoutonNotice = 47,
    BoutonParcourir = 48,
    BoutonCompresser = 49,
    BoutonDecompresser = 50,
    BoutonPseudoOk = 51,
    BoutonOptionsOk = 52,
    BoutonOptionsAnnuler = 53,
    BoutonOptionsAppliquer = 54,
    BoutonChoixACompresser = 55,
    BoutonChoixArchive = 56,
    BoutonChoixADecompresser = 57,
    BoutonChoixFichierCree = 58,
    BoutonChoixImage = 59,
    BoutonConvertir = 60,
    BoutonOuvrirDossier = 61,
    BoutonOuvrirFichier = 100,
    BoutonAnnulerTransfert = 101,
};

enum SlotComboBox {
    ListePolice = 1,
    ListeCouleur = 2,
    ListeTout = 3,
    ListeDomaines = 4,
    ListeOptionsPolice = 5,
    ListeOptionsCouleur = 6,
    ListeOptionsFormat = 7,
    ListeOptionsQualite = 8,
    ListeFormat = 9,
    ListeQualite = 10,
};

enum SlotCheckBox {
    CaseGras = 1,
    CaseItalique = 2,
    CaseSouligne = 3,
    CaseOptionsGras = 4,
    CaseOptionsItalique = 5,
    CaseOptionsSouligne = 6,
    CaseEnvoyerCapture = 7,
};

inline constexpr int LongueurMaxPseudo = 30;
inline constexpr int LongueurMaxAdresse = 50;
inline constexpr int LongueurMaxMessage = 200;

// The 25 smiley codes, in the order of their numbers 1 to 25.
extern const std::array<const char*, 26> CodesSmileys;

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
    // The send button's face: "img_envt_e" when a message can go, "img_envt_d" otherwise.
    void FaceEnvoi(bool actif);
    QString TexteBarreStatut(int partie) const;
    // Where status-bar part 0 ends.
    int FinPartie0() const;

    // Every window, the main one first.
    std::array<QWidget*, 11> Fenetres() const;

    FenetrePrincipale* FenetrehWnd = nullptr;
    FenetreOvan* SmileyhWnd = nullptr;
    FenetreOvan* StyleTextehWnd = nullptr;
    FenetreOvan* TransferthWnd = nullptr;
    FenetreOvan* ReseauhWnd = nullptr;
    FenetreOvan* ApposhWnd = nullptr;
    FenetreOvan* OptionshWnd = nullptr;
    FenetreOvan* PopuphWnd = nullptr;
    FenetreOvan* ImageshWnd = nullptr;
    FenetreOvan* CompressionhWnd = nullptr;
    FenetreOvan* PseudohWnd = nullptr;

    std::array<QLabel*, 17> LabelhWnd{};
    std::array<QLineEdit*, 14> TextBoxhWnd{};
    std::array<BoutonImage*, 102> BoutonhWnd{};
    std::array<QComboBox*, 11> ComboBoxhWnd{};
    std::array<QTextEdit*, 3> RichEdithWnd{};
    std::array<QProgressBar*, 2> ProgressBarhWnd{};
    std::array<QCheckBox*, 8> CheckBoxhWnd{};
    std::array<QTreeWidget*, 2> ListViewhWnd{};
    // The pictures of the About and Options pages.
    QLabel* LabelApposhWnd = nullptr;
    QLabel* LabelOptionhWnd = nullptr;
    std::array<QLabel*, 2> BarreStatuthWnd{};
    // At the right end of the status bar: whether the conversation is encrypted; a click shows the
    // safety code.
    QPushButton* VerrouhWnd = nullptr;

    // Every control's font.
    static QFont PoliceControles();
    // Font substitutions for the faces the program names; idempotent.
    static void InstallerPolices();
    // A picture label (the About and Options pages) shows this picture; its name is read back.
    static void ReglerImage(QLabel* label, const QString& image);
    static QString Image(const QLabel* label);

private:
    void CreerFenetres();
    void CreerFenetrePrincipale();
    void CreerSelecteurs();
    void CreerAPropos();
    void CreerOptions();
    void CreerTransfert();
    void CreerReseau();
    void CreerPopup();
    void CreerCompression();
    void CreerImages();
    void CreerPseudo();
    // Tab order and screen-reader names of every window.
    void ReglerClavier();

    QLabel* CreerLabel(int slot, const QString& texte, const QRect& place, QWidget* parent);
    QLineEdit* CreerTextBox(int slot, const QRect& place, QWidget* parent, int maximum, bool lectureSeule,
                            const QString& infobulle);
    BoutonImage* CreerBouton(int slot, const QString& texte, const QString& face, const QRect& place,
                             const QString& infobulle, QWidget* parent);
    QComboBox* CreerComboBox(int slot, const QStringList& elements, bool triee, const QRect& place,
                             const QString& infobulle, QWidget* parent);
    QCheckBox* CreerCheckBox(int slot, const QString& texte, const QRect& place, const QString& infobulle,
                             QWidget* parent);
};

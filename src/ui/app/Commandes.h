// The program's command numbers: a button with id 300 + n and a check box with id 750 + n (as
// 450 + n) run command n; the main window's menu items and their Ctrl shortcuts have ids of their own.
#pragma once

enum class Commande : int {
    EffacerConversation = 1,
    EnvoyerMessage = 2,
    Connecter = 3,
    Deconnecter = 4,
    Quitter = 5,
    Absent = 6,
    Present = 7,
    EnvoyerFichier = 8,
    OuvrirSmileys = 9,
    OuvrirFichiersRecus = 10,
    OuvrirAPropos = 11,
    OuvrirReseau = 12,
    OuvrirPolice = 13,
    CaptureEcran = 14,
    PremierSmiley = 20, // smiley k (1 to 25) is PremierSmiley + k - 1
    DernierSmiley = 44,
    FermerSmileys = 45,
    FermerPolice = 46,
    OuvrirNotice = 47,
    ParcourirDossier = 48,
    Compresser = 49,
    Decompresser = 50,
    ValiderPseudo = 51,
    ValiderOptions = 52,
    AnnulerOptions = 53,
    AppliquerOptions = 54,
    ChoisirACompresser = 55, // 55 to 58: the compression window's four "..." buttons
    ChoisirCibleDecompression = 58,
    ChoisirImage = 59,
    ConvertirImage = 60,
    OuvrirDossierImage = 61,
    OuvrirFichierTransfere = 100,
    AnnulerTransfert = 101,
    Gras = 451,
    Italique = 452,
    Souligne = 453,
};

// Menu items of the main window (Ctrl shortcuts included).
enum class Menu : int {
    Connecter = 900,
    Deconnecter = 901,
    EnvoyerFichier = 902,
    FichiersRecus = 903,
    Quitter = 904,
    ConversionImages = 905,
    Compression = 906,
    Options = 907,
    Avis = 908,
    Historique = 909,
    CodeSurete = 910,
};

// The command a control id runs: 300 + n for buttons, 750 + n for check boxes.
constexpr Commande CommandeDuBouton(int id) {
    return Commande(id - 300);
}

// The image conversion window: choosing a picture, converting it beside itself, opening the folder.
#pragma once

#include "core/tools/ConversionFormats.h"
#include "core/tools/ConversionIsolee.h"

#include <QObject>
#include <QString>

class Dialogues;
class BoutonImage;
class FenetreOvan;
class FenetrePrincipale;
class QComboBox;
class QLineEdit;
class QWidget;
class QComboBox;
class QWidget;
class Shell;

// Fills a quality list with the entries of a format (0 Bitmap, 1 JPEG, 2 PNG, 3 TIFF) and selects
// the first; an unknown format (none selected) leaves it empty.
void MettreQualite(QComboBox* qualite, int format);

// A dialog filter from (shown text, patterns) pairs, the patterns separated by ";" as they are
// given. The dialog takes its patterns from a name's last parenthesis, separated by spaces: one is
// added when the shown text does not end with exactly those patterns.
QString FiltreDialogue(const QList<std::pair<QString, QString>>& entrees);

// The tools' open dialog, "Ouvrir le fichier": the whole path into NomFich and the bare name into
// NomDuFich, both emptied first. Whether the user chose a file.
bool FichierAOuvrir(Dialogues& dialogues, QString& NomFich, QString& NomDuFich, const QString& Filtre,
                    QWidget* hWnd);
// The tools' save dialog, "Sauvegarder le fichier", adding ExtParDefaut to a name typed without one;
// asks before an existing file is chosen.
bool FichierASauver(Dialogues& dialogues, QString& NomFich, QString& NomDuFich, const QString& Filtre,
                    const QString& ExtParDefaut, QWidget* hWnd);

class ConversionImages : public QObject {
    Q_OBJECT
public:
    // The helper that decodes and converts pictures: beside the program, else in the program folder
    // of the build (for the tests).
    static QString CheminDecodeur();

    // The image window's controls, and the main window for the boxes that go over it.
    struct Controles {
        FenetrePrincipale* principale = nullptr;
        FenetreOvan* fenetre = nullptr;
        QLineEdit* image = nullptr;
        BoutonImage* convertir = nullptr;
        BoutonImage* ouvrirDossier = nullptr;
        QComboBox* format = nullptr;
        QComboBox* qualite = nullptr;
    };

    ConversionImages(const Controles& controles, Dialogues& dialogues, Shell& shell,
                     QObject* parent = nullptr);
    ~ConversionImages() override;

    // Command 59: choose the image to convert.
    void ChoisirImage();
    // Command 60: convert it, in the helper process; the main window is disabled meanwhile.
    void Convertir();
    // Command 61: open the folder of the last converted image.
    void OuvrirDossier();
    bool EnCours() const { return m_isolee.EnCours(); }

signals:
    // A conversion has ended and its box has been answered.
    void terminee(bool reussie);

private:
    void Terminer(const ConversionIsolee::Resultat& resultat);
    // The window has faded out: no source chosen, nothing to open.
    void Reinitialiser();

    Controles m_c;
    Dialogues& m_dialogues;
    Shell& m_shell;
    ConversionIsolee m_isolee;
    QString CheminFichAConv;
    QString NomFichAConv;
    QString DossFichConv;
    QString NomFichImage;
    // The folder the last successful conversion wrote to.
    QString m_dossierSortie;
    // Counts the resets, so that a conversion that ends after one does not offer its folder.
    int m_reinitialisations = 0;
    int m_reinitialisationsAuLancement = 0;
};

// Converting images between formats and colour depths.
#pragma once

#include <QStringList>

class QComboBox;

// The quality entries of a format (0 Bitmap, 1 JPEG, 2 PNG, 3 TIFF); none for another number.
QStringList QualitesDuFormat(int format);
// Fills a quality list with the entries of a format (0 Bitmap, 1 JPEG, 2 PNG, 3 TIFF), none selected.
void MettreQualite(QComboBox* qualite, int format);

class ConversionImages {
public:
    // Command 59: choose the image to convert.
    void ChoisirImage();
    // Command 60: convert the image.
    void Convertir();
    // Command 61: open the converted image's folder.
    void OuvrirDossier();
};

// The image formats and qualities offered, output names, and the screen capture's conversion.
#pragma once

#include <QString>
#include <QStringList>

// The quality entries of a format (0 Bitmap, 1 JPEG, 2 PNG, 3 TIFF); none for another number.
QStringList QualitesDuFormat(int format);

// Where the conversion of the file nom (a bare name) in dossier (ending in "/") to format goes:
// dossier + the name up to its last "." + the format's extension, or its next free "_N" name when
// that is taken. "" for an unknown format or when no free name can be made.
QString CheminSortieImage(const QString& dossier, const QString& nom, int format);

// Converts dossExec + "CaptEcran1.bmp" to "CaptEcran_1" (then _2, _3...) with the format's extension
// in dossExec, for the chosen format and quality. The output's bare name, or "" when the capture
// could not be converted (unknown format or quality included). Runs in the calling thread.
QString ConvFormatImage(const QString& dossExec, int choixFormat, int choixQualite);

// The raw screen capture as an uncompressed bitmap file: headers, colour table, padded rows.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace CaptureBmp {

// Pixels as the screen gives them: rows top first, each row's bytes at its own offset.
struct Pixels {
    int largeur = 0;
    int hauteur = 0;
    int bits = 0;           // 1, 4, 8, 16 (5-5-5), 24 (blue, green, red) or 32
    QList<quint32> palette; // 0x00RRGGBB, for 8 bits or fewer
    QByteArray octets;      // hauteur rows of ligne bytes, top row first
    qsizetype ligne = 0;    // bytes from one row to the next in octets
};

// Bytes of one stored row: the width times the bits, rounded up to 4 bytes.
qsizetype OctetsParLigne(int largeur, int bits);
// The whole file: 14-byte header, 40-byte header, colour table, rows bottom first. Empty for
// pixels that do not describe a picture.
QByteArray Fichier(const Pixels& pixels);
// Writes the file in one go; false when it cannot be written whole.
bool Ecrire(const QString& chemin, const QByteArray& fichier);

} // namespace CaptureBmp

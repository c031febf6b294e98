// Names of received files: existence tests, a safe plain name, the next free "_N" name.
#pragma once

#include <QString>

namespace NomsFichiers {

// Longest name the file systems take, in bytes of UTF-8.
inline constexpr qsizetype MaxOctetsNom = 255;

// Whether the path names an entry of any kind; a symbolic link counts even when its target is gone,
// so that nothing is ever written through one.
bool FichExist(const QString& chemin);

// Whether the path names a folder; one trailing "/" is ignored and "/" stays "/". The path itself is
// left alone: the received-files folder keeps its "/" so that folder + name is a path.
bool DossExist(const QString& chemin);

// A free path for a file whose path is taken, in the same folder. The extension runs from the name's
// last "." (none without a dot); a stem ending in "_" + a non-zero number counts on from it
// (photo_7.jpg -> photo_8.jpg, v_2b.txt -> v_3.txt), any other gets "_1" then counts
// (photo.jpg -> photo_1.jpg -> photo_2.jpg). The stem is shortened when the name would pass
// MaxOctetsNom. "" when no name can be made.
QString ChangeNom(const QString& chemin);

// nom with "_" + numero before its extension (from the last "."), the stem shortened so that it
// stays within MaxOctetsNom; "" when it cannot.
QString NomNumero(const QString& nom, qint64 numero);

// A received name as a plain name: the part after the last "/" or "\", without control characters
// or broken UTF-16, shortened to MaxOctetsNom bytes of UTF-8 (keeping a short extension) without
// splitting a character. "" when nothing usable is left ("", "." or "..").
QString NomSur(const QString& nom);

} // namespace NomsFichiers

// A converted picture while it is written: made new in the output folder, named only when whole
// and never over an existing entry.
#pragma once

#include "core/platform/FichierNouveau.h"

#include <QString>

class ImageSortie {
public:
    // Makes the file, readable and writable, in dossier. False when it cannot be made.
    bool Creer(const QString& dossier);
    // The open file (close-on-exec), or -1.
    int Descripteur() const { return m_fichier.Descripteur(); }
    // Flushes the file and names it chemin, a path in the folder; when that is taken meanwhile, the
    // next free "_N" name. The path given, or "" when it cannot be named (the file is then removed).
    QString Nommer(const QString& chemin);
    // Closes and removes the file not yet named; idempotent.
    void Abandonner() { m_fichier.Abandonner(); }

private:
    FichierNouveau m_fichier;
};

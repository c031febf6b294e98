// The file a compression or decompression writes: made aside, named only when the operation keeps it.
#pragma once

#include "core/platform/FichierNouveau.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <memory>

class Bzip2Sortie {
public:
    // The stdio buffer: the library's small writes reach the disk in large blocks.
    static constexpr size_t TailleTampon = 256 * 1024;

    Bzip2Sortie() = default;
    // Anything not named is removed.
    ~Bzip2Sortie() { Abandonner(); }
    Bzip2Sortie(const Bzip2Sortie&) = delete;
    Bzip2Sortie& operator=(const Bzip2Sortie&) = delete;

    // Makes a new file in chemin's folder (a symbolic link at chemin stands for the file it names).
    // False when chemin is empty, names something else than a file, or an existing file that we may
    // not write, or when its folder takes no new file.
    bool Creer(const QString& chemin);
    // The stream on the new file.
    FILE* Flux() const { return m_flux; }
    // Counts n more bytes for the file; false when they would leave less than the margin free on
    // its disk (5 % of the file system or 256 MiB, the smaller), so other writers never meet a
    // full disk. The disk is asked again as the file grows: others write meanwhile.
    bool Reserver(qint64 n);
    // Flushes the file to disk and gives it the name chemin, over the file there; false (and the
    // file removed) on an error.
    bool Valider();
    // Closes and removes the file not yet named; idempotent.
    void Abandonner();

private:
    FichierNouveau m_fichier;
    // A stream on a second descriptor of the file: closing it leaves the file to m_fichier.
    FILE* m_flux = nullptr;
    std::unique_ptr<char[]> m_tampon;
    qint64 m_marge = 0;
    qint64 m_ecrits = 0;
    // Bytes that may be counted before the disk is asked again.
    qint64 m_limite = 0;
    QByteArray m_nomFinal;
};

// A file made new in a folder and named only when whole: unnamed where the file system allows it,
// else under a hidden ".ovan-*.part" name; never made through a symbolic link, never over an
// existing entry. Anything not named is removed.
#pragma once

#include <QByteArray>

class FichierNouveau {
public:
    FichierNouveau() = default;
    ~FichierNouveau() { Abandonner(); }
    FichierNouveau(const FichierNouveau&) = delete;
    FichierNouveau& operator=(const FichierNouveau&) = delete;

    // Opens the folder and makes the file there, writable (and readable with lecture). False when
    // either cannot be done.
    bool Creer(const QByteArray& dossier, bool lecture = false);
    int Descripteur() const { return m_fd; }
    int Dossier() const { return m_dossier; }
    // Flushes the file to disk and names it nom in the folder, never over an existing entry:
    // false with errno EEXIST when nom is taken, and the file stays unnamed.
    bool Nommer(const QByteArray& nom);
    // The same over the file named nom, if there is one.
    bool Remplacer(const QByteArray& nom);
    // Closes the file; a named file whose closing reports an error loses its name again.
    bool Fermer();
    // Closes and removes the file not yet named; idempotent.
    void Abandonner();
    // In place of the new file: the hidden file nom of the folder, made or opened again
    // (read-write, never through a link), to be named or removed like it. False when it cannot be
    // opened or is not a plain file; the new file then stays.
    bool Reprendre(const QByteArray& nom);
    // Closes everything and keeps the hidden file for a later try (an unnamed file just goes).
    void Laisser();
    // Flushes the file to disk, once; false on an I/O error.
    bool Synchroniser();

private:
    // Gives the unnamed file a hidden name; false when it cannot.
    bool NommerCache();

    int m_dossier = -1;
    int m_fd = -1;
    bool m_synchronise = false;
    // The hidden name while the file has one; the name given once named.
    QByteArray m_nomTemporaire;
    QByteArray m_nomDonne;
};

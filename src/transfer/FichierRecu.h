// A received file while it comes: an unnamed (or else hidden) file made new in the folder, named
// only when whole.
#pragma once

#include "transfer/TravailTransfert.h"

#include <QByteArray>
#include <QString>

#include <optional>

class FichierRecu {
public:
    FichierRecu() = default;
    // Anything not given its final name is removed.
    ~FichierRecu() { Abandonner(); }
    FichierRecu(const FichierRecu&) = delete;
    FichierRecu& operator=(const FichierRecu&) = delete;

    // Makes the file in dossier, never through a symbolic link; nomFinal must be a plain
    // name. False when the folder or the file cannot be made.
    bool Creer(const QString& dossier, const QString& nomFinal);
    // Writes every byte or returns false (disk full, file-size limit, I/O error).
    bool Ecrire(const char* donnees, qint64 taille);
    // Flushes the file and gives it its final name, which must still be free: never overwrites.
    std::optional<RaisonEchec> Finaliser();
    // Closes and removes the file not yet named; idempotent.
    void Abandonner();

    QByteArray NomTemporaire() const { return m_nomTemporaire; }

private:
    int m_dossier = -1;
    int m_fd = -1;
    QByteArray m_nomTemporaire;
    QByteArray m_nomFinal;
};

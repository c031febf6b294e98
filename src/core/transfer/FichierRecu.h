// A received file while it comes: made new in the folder, named only when whole.
#pragma once

#include "core/platform/FichierNouveau.h"
#include "core/transfer/TravailTransfert.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <optional>

class FichierRecu {
public:
    FichierRecu() = default;
    FichierRecu(const FichierRecu&) = delete;
    FichierRecu& operator=(const FichierRecu&) = delete;

    // Makes the file in dossier, never through a symbolic link; nomFinal must be a plain name.
    // False when the folder or the file cannot be made.
    bool Creer(const QString& dossier, const QString& nomFinal);
    // Writes every byte or returns false (disk full, file-size limit, I/O error).
    bool Ecrire(const char* donnees, qint64 taille) { return EcrireTout(Descripteur(), donnees, taille); }
    static bool EcrireTout(int fd, const char* donnees, qint64 taille);
    // Flushes the file to disk; false on an I/O error.
    bool Vider();
    // Flushes the file if not done yet and gives it its final name, which must still be free:
    // never overwrites.
    std::optional<RaisonEchec> Finaliser();

    // Tests make the flush slow: called on the worker's thread before each flush when set.
    static inline std::atomic<void (*)()> AvantVidage{nullptr};
    // Closes and removes the file not yet named; idempotent.
    void Abandonner() { m_fichier.Abandonner(); }

    // Resuming: the file becomes the hidden nomPartiel of the same folder, made or opened again,
    // and what it holds is kept (nothing when it holds more than taille). Returns how many bytes
    // it holds; nothing when it cannot be opened.
    std::optional<qint64> Reprendre(const QByteArray& nomPartiel, qint64 taille);
    int Descripteur() const { return m_fichier.Descripteur(); }
    int Dossier() const { return m_fichier.Dossier(); }
    // Closes, keeping a resumed file for the next try.
    void Laisser() { m_fichier.Laisser(); }

private:
    FichierNouveau m_fichier;
    QByteArray m_nomFinal;
};

// Several files and folders in one transfer, between two copies of ours: what the sender offers
// (its manifest) and where the receiver puts it.
//
// The manifest lists the entries in order, each as
//   [kind, 1 byte: 'F' file, 'D' folder][size, 8 bytes big-endian][path length, 2][path, UTF-8]
// with "/" between the path's parts; the files' bytes then follow one another in that order.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct EntreeLot {
    QString chemin;
    qint64 taille = 0;
    bool dossier = false;
    bool operator==(const EntreeLot&) const = default;
};

namespace Lot {

// Bounds a receiver holds any batch to, whatever it claims.
inline constexpr int EntreesMax = 100000;
inline constexpr int ProfondeurMax = 64;
inline constexpr qsizetype OctetsCheminMax = 4000;
inline constexpr qint64 OctetsManifesteMax = 16 * 1024 * 1024;

// What the sender offers: the entries as they travel, and where each file's bytes are read.
struct Source {
    QString nom;
    std::vector<EntreeLot> entrees;
    // One per file entry, in order.
    QStringList fichiers;
    qint64 total = 0;
    int NombreFichiers() const { return int(fichiers.size()); }
};

// The chosen files and folders, folders walked whole without following links (a link or a
// special file inside one is left out). erreur says in French what stops the batch.
std::optional<Source> Composer(const QStringList& chemins, QString& erreur);

QByteArray Manifeste(const std::vector<EntreeLot>& entrees);

// The receiver's reading: every path reduced part by part as a single name is (no "..", no
// absolute path, no control character, parts of at most 255 bytes), clashes renamed, and the
// whole checked against the offer (fichiers files, total bytes). Nothing when it cannot be
// held to that.
std::optional<std::vector<EntreeLot>> Lire(const QByteArray& manifeste, int fichiers, qint64 total);

// Removes the entry nom of the folder dossier, a folder with all it holds, never following a
// link (a link is removed itself). False when something stayed.
bool Supprimer(int dossier, const QByteArray& nom);
// The same by path.
bool Supprimer(const QString& chemin);

// Opens (and with creer makes) the folder at the relative path chemin under dossier, one part
// at a time, never through a link; -1 when it cannot.
int OuvrirDossier(int dossier, const QString& chemin, bool creer);

} // namespace Lot

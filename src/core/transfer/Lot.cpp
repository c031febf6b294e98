#include "core/transfer/Lot.h"

#include "core/chat/Trame.h"
#include "core/transfer/NomsFichiers.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Lot {

namespace {

constexpr qsizetype TailleTete = 11;
// What the receiver's reading may build at most, parents made for it included.
constexpr qint64 CaracteresLusMax = 4 * OctetsManifesteMax;

void Ajouter64(QByteArray& sortie, quint64 valeur) {
    for (int i = 7; i >= 0; --i) {
        sortie += char((valeur >> (8 * i)) & 0xFF);
    }
}

quint64 Lire64(const char* octets) {
    quint64 valeur = 0;
    for (int i = 0; i < 8; ++i) {
        valeur = (valeur << 8) | quint8(octets[i]);
    }
    return valeur;
}

QString Affiche(const QString& chemin) {
    return QDir::toNativeSeparators(chemin);
}

} // namespace

std::optional<Source> Composer(const QStringList& chemins, QString& erreur) {
    Source lot;
    const auto ajouter = [&](const QString& relatif, const QFileInfo& info) {
        if (info.isDir()) {
            lot.entrees.push_back({relatif, 0, true});
            if (!info.isReadable() || !info.isExecutable()) {
                erreur = QStringLiteral("Le dossier '") + Affiche(info.filePath()) +
                         QStringLiteral("' ne peut pas être lu.");
                return false;
            }
            return true;
        }
        if (!info.isReadable()) {
            erreur = QStringLiteral("Le fichier '") + Affiche(info.filePath()) +
                     QStringLiteral("' ne peut pas être lu.");
            return false;
        }
        lot.entrees.push_back({relatif, info.size(), false});
        lot.fichiers << info.absoluteFilePath();
        lot.total += info.size();
        return true;
    };
    for (const QString& choisi : chemins) {
        const QFileInfo info(QDir::cleanPath(choisi));
        const QString nom = info.fileName();
        if (nom.isEmpty() || (!info.isDir() && !info.isFile())) {
            erreur = QStringLiteral("'") + Affiche(choisi) +
                     QStringLiteral("' n'est ni un fichier ni un dossier.");
            return std::nullopt;
        }
        if (lot.nom.isEmpty()) {
            lot.nom = nom;
        }
        if (!ajouter(nom, info)) {
            return std::nullopt;
        }
        if (!info.isDir()) {
            continue;
        }
        // Sorted, so that the same folder makes the same manifest at the next try.
        std::vector<std::pair<QString, QFileInfo>> contenu;
        QDirIterator it(info.filePath(),
                        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            const QFileInfo dedans = it.fileInfo();
            if (dedans.isSymLink() || (!dedans.isDir() && !dedans.isFile())) {
                continue;
            }
            contenu.emplace_back(nom + u'/' + QDir(info.filePath()).relativeFilePath(dedans.filePath()),
                                 dedans);
            if (contenu.size() > std::size_t(EntreesMax)) {
                break;
            }
        }
        std::sort(contenu.begin(), contenu.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [relatif, dedans] : contenu) {
            if (!ajouter(relatif, dedans)) {
                return std::nullopt;
            }
        }
    }
    if (lot.entrees.size() > std::size_t(EntreesMax)) {
        erreur = QStringLiteral("Vous ne pouvez pas envoyer plus de ") + QString::number(EntreesMax) +
                 QStringLiteral(" fichiers et dossiers à la fois.");
        return std::nullopt;
    }
    for (const EntreeLot& entree : lot.entrees) {
        if (entree.chemin.toUtf8().size() > OctetsCheminMax || entree.chemin.count(u'/') >= ProfondeurMax) {
            erreur = QStringLiteral("Le chemin de '") + Affiche(entree.chemin) +
                     QStringLiteral("' est trop long pour être envoyé.");
            return std::nullopt;
        }
    }
    if (Manifeste(lot.entrees).size() > OctetsManifesteMax) {
        erreur = QStringLiteral("La liste de ces fichiers est trop longue pour être envoyée en une fois.");
        return std::nullopt;
    }
    return lot;
}

QByteArray Manifeste(const std::vector<EntreeLot>& entrees) {
    QByteArray sortie;
    for (const EntreeLot& entree : entrees) {
        const QByteArray chemin = entree.chemin.toUtf8();
        sortie += entree.dossier ? 'D' : 'F';
        Ajouter64(sortie, quint64(entree.taille));
        sortie += char(quint16(chemin.size()) >> 8);
        sortie += char(chemin.size() & 0xFF);
        sortie += chemin;
    }
    return sortie;
}

std::optional<std::vector<EntreeLot>> Lire(const QByteArray& manifeste, int fichiers, qint64 total) {
    if (manifeste.size() > OctetsManifesteMax) {
        return std::nullopt;
    }
    static const QRegularExpression separateurs(QStringLiteral("[/\\\\]"));
    std::vector<EntreeLot> sortie;
    // Every path placed, and whether it is a folder.
    QHash<QString, bool> pris;
    // Where the numbering of a clashing path goes on, so that many clashes stay cheap.
    QHash<QString, qint64> suivant;
    qint64 caracteres = 0;
    int nombre = 0;
    qint64 somme = 0;
    const auto placer = [&](const QString& chemin, const QString& parent, const QString& nom,
                            bool dossier) -> QString {
        const auto present = pris.constFind(chemin);
        if (present == pris.cend()) {
            pris.insert(chemin, dossier);
            return chemin;
        }
        if (dossier && *present) {
            return chemin;
        }
        for (qint64 n = suivant.value(chemin, 1);; ++n) {
            const QString autre = NomsFichiers::NomNumero(nom, n);
            if (autre.isEmpty()) {
                return {};
            }
            const QString candidat = parent.isEmpty() ? autre : parent + u'/' + autre;
            if (!pris.contains(candidat)) {
                suivant.insert(chemin, n + 1);
                pris.insert(candidat, dossier);
                return candidat;
            }
        }
    };
    qsizetype position = 0;
    while (position < manifeste.size()) {
        if (manifeste.size() - position < TailleTete || sortie.size() >= std::size_t(EntreesMax)) {
            return std::nullopt;
        }
        const char genre = manifeste[position];
        const quint64 taille = Lire64(manifeste.constData() + position + 1);
        const qsizetype longueur =
            qsizetype(quint8(manifeste[position + 9])) << 8 | qsizetype(quint8(manifeste[position + 10]));
        position += TailleTete;
        if ((genre != 'F' && genre != 'D') || manifeste.size() - position < longueur ||
            taille > quint64(Trame::TailleMaxFichier) || (genre == 'D' && taille != 0)) {
            return std::nullopt;
        }
        const bool dossier = genre == 'D';
        const QString brut = QString::fromUtf8(manifeste.constData() + position, longueur);
        position += longueur;
        QStringList parties;
        for (const QString& partie : brut.split(separateurs, Qt::SkipEmptyParts)) {
            const QString sure = NomsFichiers::NomSur(partie);
            if (!sure.isEmpty()) {
                parties << sure;
            }
        }
        if (parties.size() > ProfondeurMax) {
            return std::nullopt;
        }
        if (parties.isEmpty()) {
            // A folder that reduces to nothing is the batch's own place; a file needs a name.
            if (dossier) {
                continue;
            }
            return std::nullopt;
        }
        QString courant;
        for (qsizetype i = 0; i < parties.size(); ++i) {
            const bool dernier = i + 1 == parties.size();
            const bool enDossier = !dernier || dossier;
            const QString voulu = courant.isEmpty() ? parties[i] : courant + u'/' + parties[i];
            const bool nouveau = !pris.contains(voulu) || !pris.value(voulu) || !enDossier;
            const QString place = placer(voulu, courant, parties[i], enDossier);
            if (place.isEmpty() || place.toUtf8().size() > OctetsCheminMax) {
                return std::nullopt;
            }
            courant = place;
            // A parent the sender did not list is made like one it did.
            if (nouveau && !dernier) {
                sortie.push_back({courant, 0, true});
                caracteres += courant.size();
            }
        }
        if (!dossier) {
            if (qint64(taille) > total - somme) {
                return std::nullopt;
            }
            somme += qint64(taille);
            ++nombre;
        }
        sortie.push_back({courant, dossier ? 0 : qint64(taille), dossier});
        caracteres += courant.size();
        if (sortie.size() > std::size_t(EntreesMax) || caracteres > CaracteresLusMax) {
            return std::nullopt;
        }
    }
    if (nombre != fichiers || somme != total) {
        return std::nullopt;
    }
    return sortie;
}

namespace {

bool SupprimerDans(int dossier, const QByteArray& nom, int profondeur) {
    if (::unlinkat(dossier, nom.constData(), 0) == 0 || errno == ENOENT) {
        return true;
    }
    if ((errno != EISDIR && errno != EPERM) || profondeur > ProfondeurMax + 4) {
        return false;
    }
    const int fd = ::openat(dossier, nom.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* d = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!d) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    QList<QByteArray> noms;
    while (const dirent* entree = ::readdir(d)) {
        const QByteArray enfant(entree->d_name);
        if (enfant != "." && enfant != "..") {
            noms << enfant;
        }
    }
    bool tout = true;
    for (const QByteArray& enfant : noms) {
        tout = SupprimerDans(::dirfd(d), enfant, profondeur + 1) && tout;
    }
    ::closedir(d);
    return ::unlinkat(dossier, nom.constData(), AT_REMOVEDIR) == 0 && tout;
}

} // namespace

bool Supprimer(int dossier, const QByteArray& nom) {
    return SupprimerDans(dossier, nom, 0);
}

bool Supprimer(const QString& chemin) {
    const QFileInfo info(chemin);
    const int dossier =
        ::open(QFile::encodeName(info.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dossier < 0) {
        return false;
    }
    const bool fait = Supprimer(dossier, QFile::encodeName(info.fileName()));
    ::close(dossier);
    return fait;
}

int OuvrirDossier(int dossier, const QString& chemin, bool creer) {
    int fd = ::fcntl(dossier, F_DUPFD_CLOEXEC, 0);
    for (const QString& partie : chemin.split(u'/', Qt::SkipEmptyParts)) {
        if (fd < 0) {
            return -1;
        }
        const QByteArray nom = QFile::encodeName(partie);
        if (creer) {
            ::mkdirat(fd, nom.constData(), 0777);
        }
        const int suivant = ::openat(fd, nom.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(fd);
        fd = suivant;
    }
    return fd;
}

} // namespace Lot

// A batch's list from a contact, as its receiver reads it (a libFuzzer entry). The offer's count
// and bytes are taken from the list itself, so that a well-formed one is read to the end.
#include "core/transfer/Lot.h"

#include <QSet>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Exiger(bool condition, const char* quoi) {
    if (!condition) {
        std::fprintf(stderr, "promesse rompue : %s\n", quoi);
        std::abort();
    }
}

// What the list claims: its files and their bytes, or nothing when it cannot be walked.
bool Annonce(const QByteArray& m, int& fichiers, qint64& total) {
    fichiers = 0;
    total = 0;
    for (qsizetype i = 0; i + 11 <= m.size();) {
        quint64 taille = 0;
        for (int k = 1; k <= 8; ++k)
            taille = taille << 8 | quint8(m[i + k]);
        if (m[i] == 'F') {
            ++fichiers;
            total += qint64(taille & ((quint64(1) << 50) - 1));
        }
        i += 11 + (qsizetype(quint8(m[i + 9])) << 8 | quint8(m[i + 10]));
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    const QByteArray manifeste(reinterpret_cast<const char*>(donnees), qsizetype(taille));
    int fichiers = 0;
    qint64 total = 0;
    Annonce(manifeste, fichiers, total);
    const auto lu = Lot::Lire(manifeste, fichiers, total);
    if (!lu)
        return 0;
    // Every path stays inside the batch, parents first, each place given once to a file.
    QSet<QString> dossiers, pris;
    qint64 somme = 0;
    Exiger(lu->size() <= std::size_t(Lot::EntreesMax), "entrees bornees");
    for (const EntreeLot& e : *lu) {
        const QStringList parties = e.chemin.split(u'/');
        Exiger(!e.chemin.isEmpty() && e.chemin.toUtf8().size() <= Lot::OctetsCheminMax, "chemin borne");
        Exiger(parties.size() <= Lot::ProfondeurMax, "profondeur bornee");
        for (const QString& p : parties)
            Exiger(!p.isEmpty() && p != u"." && p != u".." && !p.contains(u'\\') && p.toUtf8().size() <= 255,
                   "partie sure");
        const qsizetype barre = e.chemin.lastIndexOf(u'/');
        Exiger(barre < 0 || dossiers.contains(e.chemin.first(barre)), "parent avant");
        Exiger(e.dossier ? !pris.contains(e.chemin)
                         : !pris.contains(e.chemin) && !dossiers.contains(e.chemin),
               "une place par fichier");
        (e.dossier ? dossiers : pris).insert(e.chemin);
        somme += e.taille;
    }
    Exiger(somme == total, "octets annonces");
    return 0;
}

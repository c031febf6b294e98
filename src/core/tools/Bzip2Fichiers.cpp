#include "core/tools/Bzip2Fichiers.h"

#include "core/tools/Bzip2Sortie.h"

#include <QFile>

#include <bzlib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Bzip2 {

namespace {

class SuiviMuet : public Suivi {
public:
    void Avertir(Avis) override {}
};

Suivi& OuMuet(Suivi* suivi) {
    static SuiviMuet muet;
    return suivi ? *suivi : muet;
}

// The source, opened read-only; closed with the object.
class Entree {
public:
    ~Entree() {
        if (m_flux) {
            std::fclose(m_flux);
        }
    }

    bool Ouvrir(const QString& chemin) {
        const QByteArray c = QFile::encodeName(chemin);
        if (c.isEmpty()) {
            return false;
        }
        // Not blocked by a pipe with no writer: only a file is read, a pipe or a device never ends.
        const int fd = ::open(c.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !(m_flux = ::fdopen(fd, "rb"))) {
            ::close(fd);
            return false;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        m_taille = st.st_size;
        m_tampon.reset(new char[Bzip2Sortie::TailleTampon]);
        std::setvbuf(m_flux, m_tampon.get(), _IOFBF, Bzip2Sortie::TailleTampon);
        return true;
    }

    FILE* Flux() const { return m_flux; }
    qint64 Taille() const { return m_taille; }
    qint64 Lu() const { return qint64(::ftello(m_flux)); }
    // As the bzip2 tool does: the end is where no byte follows.
    bool Finie() const {
        const int c = std::fgetc(m_flux);
        if (c == EOF) {
            return true;
        }
        std::ungetc(c, m_flux);
        return false;
    }

private:
    FILE* m_flux = nullptr;
    std::unique_ptr<char[]> m_tampon;
    qint64 m_taille = 0;
};

// Ends a write stream and frees it even after an I/O error, where the library returns early and
// keeps it; the output is dropped by its owner.
void AbandonnerEcriture(BZFILE* flux, FILE* sortie) {
    int erreur = BZ_OK;
    std::clearerr(sortie);
    BZ2_bzWriteClose64(&erreur, flux, 1, nullptr, nullptr, nullptr, nullptr);
}

quint64 Sur64(unsigned int bas, unsigned int haut) {
    return quint64(haut) << 32 | bas;
}

} // namespace

int CompFichEnFich(const QString& source, const QString& sortie, Suivi* suivi) {
    Suivi& s = OuMuet(suivi);
    Entree entree;
    if (!entree.Ouvrir(source) || MemeFichier(source, sortie)) {
        return -1;
    }
    Bzip2Sortie fichier;
    if (!fichier.Creer(sortie)) {
        return -1;
    }
    std::unique_ptr<char[]> tampon(new (std::nothrow) char[TailleBlocOutil]);
    int erreur = BZ_OK;
    BZFILE* flux = BZ2_bzWriteOpen(&erreur, fichier.Flux(), TailleBlocCompression, 0, FacteurTravail);
    if (erreur != BZ_OK || !tampon) {
        AbandonnerEcriture(flux, fichier.Flux());
        return -1;
    }
    qint64 fait = 0;
    for (;;) {
        if (s.Arreter()) {
            AbandonnerEcriture(flux, fichier.Flux());
            return -1;
        }
        const size_t lus = std::fread(tampon.get(), 1, TailleBlocOutil, entree.Flux());
        if (lus > 0) {
            BZ2_bzWrite(&erreur, flux, tampon.get(), int(lus));
            if (erreur != BZ_OK) {
                AbandonnerEcriture(flux, fichier.Flux());
                return -1;
            }
            fait += qint64(lus);
            s.Avancer(fait, entree.Taille());
        }
        if (lus < size_t(TailleBlocOutil)) {
            if (std::ferror(entree.Flux())) {
                AbandonnerEcriture(flux, fichier.Flux());
                return -1;
            }
            break;
        }
    }
    unsigned int entreBas = 0, entreHaut = 0, sortiBas = 0, sortiHaut = 0;
    BZ2_bzWriteClose64(&erreur, flux, 0, &entreBas, &entreHaut, &sortiBas, &sortiHaut);
    if (erreur != BZ_OK) {
        AbandonnerEcriture(flux, fichier.Flux());
        return -1;
    }
    if (!fichier.Valider()) {
        return -1;
    }
    if (Sur64(sortiBas, sortiHaut) < Sur64(entreBas, entreHaut)) {
        return 0;
    }
    s.Avertir(Avis::CompressionInutile);
    return -1;
}

int DecompFichEnFich(const QString& source, const QString& sortie, int tailleBloc, Suivi* suivi) {
    Suivi& s = OuMuet(suivi);
    if (tailleBloc <= 0) {
        tailleBloc = 100;
    }
    std::unique_ptr<char[]> tampon(new (std::nothrow) char[size_t(tailleBloc)]);
    if (!tampon) {
        s.Avertir(Avis::AllocationImpossible);
        return -1;
    }
    Entree entree;
    if (!entree.Ouvrir(source) || MemeFichier(source, sortie)) {
        return -1;
    }
    Bzip2Sortie fichier;
    if (!fichier.Creer(sortie)) {
        return -1;
    }
    // What the library read past the end of a stream: the start of the next one.
    char restes[BZ_MAX_UNUSED];
    int nRestes = 0;
    for (int numero = 1;; ++numero) {
        int erreur = BZ_OK;
        BZFILE* flux = BZ2_bzReadOpen(&erreur, entree.Flux(), 0, 0, nRestes > 0 ? restes : nullptr, nRestes);
        if (erreur != BZ_OK) {
            BZ2_bzReadClose(&erreur, flux);
            return -1;
        }
        while (erreur == BZ_OK) {
            if (s.Arreter()) {
                BZ2_bzReadClose(&erreur, flux);
                return -1;
            }
            const int lus = BZ2_bzRead(&erreur, flux, tampon.get(), tailleBloc);
            if (erreur == BZ_DATA_ERROR_MAGIC && numero > 1) {
                // Bytes after the last stream that are not a stream: ignored, as bzip2 -d does.
                BZ2_bzReadClose(&erreur, flux);
                return fichier.Valider() ? 0 : -1;
            }
            if (erreur != BZ_OK && erreur != BZ_STREAM_END) {
                BZ2_bzReadClose(&erreur, flux);
                s.Avertir(Avis::ProblemeLecture);
                fichier.Valider();
                return -1;
            }
            // Bounded by the free space: a small hostile file must not fill the disk.
            if (!fichier.Reserver(lus) ||
                (lus > 0 && std::fwrite(tampon.get(), 1, size_t(lus), fichier.Flux()) != size_t(lus))) {
                BZ2_bzReadClose(&erreur, flux);
                return -1;
            }
            s.Avancer(entree.Lu(), entree.Taille());
        }
        void* inutilises = nullptr;
        BZ2_bzReadGetUnused(&erreur, flux, &inutilises, &nRestes);
        if (erreur != BZ_OK) {
            nRestes = 0;
        }
        if (nRestes > 0) {
            std::memcpy(restes, inutilises, size_t(nRestes));
        }
        BZ2_bzReadClose(&erreur, flux);
        if (nRestes == 0 && entree.Finie()) {
            break;
        }
    }
    if (std::ferror(entree.Flux())) {
        s.Avertir(Avis::ProblemeLecture);
        fichier.Valider();
        return -1;
    }
    return fichier.Valider() ? 0 : -1;
}

bool Compression(const QString& source, const QString& sortie, Suivi* suivi) {
    return CompFichEnFich(source, sortie, suivi) == 0;
}

bool Decompression(const QString& source, const QString& sortie, int tailleBloc, Suivi* suivi) {
    return DecompFichEnFich(source, sortie, tailleBloc, suivi) == 0;
}

bool MemeFichier(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    return !a.isEmpty() && !b.isEmpty() && ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace Bzip2

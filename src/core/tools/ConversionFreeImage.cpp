#include "core/tools/ConversionFreeImage.h"

#include <FreeImage.h>

#include <memory>

namespace ConversionFreeImage {

namespace {

// The source, and whether a decoder wanted bytes that the file does not have: some loaders
// ignore a short read and fill the rest of the picture with zeros.
struct Source {
    std::FILE* fichier;
    bool tronquee = false;
};

unsigned DLL_CALLCONV LireSource(void* tampon, unsigned taille, unsigned nombre, fi_handle h) {
    auto* source = static_cast<Source*>(h);
    const unsigned lus = unsigned(std::fread(tampon, taille, nombre, source->fichier));
    // Reading by chunks (bytes) may end short at the end of a whole file; a short item, or a read
    // with nothing left, means the file ends before its picture does.
    if (lus < nombre && (taille > 1 || lus == 0)) {
        source->tronquee = true;
    }
    return lus;
}
int DLL_CALLCONV ChercherSource(fi_handle h, long decalage, int origine) {
    return std::fseek(static_cast<Source*>(h)->fichier, decalage, origine);
}
long DLL_CALLCONV PositionSource(fi_handle h) {
    return std::ftell(static_cast<Source*>(h)->fichier);
}
unsigned DLL_CALLCONV PasDEcriture(void*, unsigned, unsigned, fi_handle) {
    return 0;
}

unsigned DLL_CALLCONV Lire(void* tampon, unsigned taille, unsigned nombre, fi_handle h) {
    return unsigned(std::fread(tampon, taille, nombre, static_cast<std::FILE*>(h)));
}
unsigned DLL_CALLCONV Ecrire(void* tampon, unsigned taille, unsigned nombre, fi_handle h) {
    return unsigned(std::fwrite(tampon, taille, nombre, static_cast<std::FILE*>(h)));
}
int DLL_CALLCONV Chercher(fi_handle h, long decalage, int origine) {
    return std::fseek(static_cast<std::FILE*>(h), decalage, origine);
}
long DLL_CALLCONV Position(fi_handle h) {
    return std::ftell(static_cast<std::FILE*>(h));
}

FreeImageIO IoSource{LireSource, PasDEcriture, ChercherSource, PositionSource};
FreeImageIO IoSortie{Lire, Ecrire, Chercher, Position};

struct Liberer {
    void operator()(FIBITMAP* image) const { FreeImage_Unload(image); }
};
using Image = std::unique_ptr<FIBITMAP, Liberer>;

// FreeImage_Initialise / FreeImage_DeInitialise around one conversion.
struct Session {
    Session() { FreeImage_Initialise(FALSE); }
    ~Session() { FreeImage_DeInitialise(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

// How a picture is saved: FreeImage format, colour depth asked for, save flag.
struct Reglage {
    FREE_IMAGE_FORMAT fif;
    int bits;
    int drapeau;
};

bool ReglageDe(int format, int qualite, Reglage& r) {
    static constexpr int Bitmap[] = {8, 16, 24, 32};
    static constexpr int Jpeg[] = {JPEG_QUALITYBAD, JPEG_QUALITYAVERAGE, JPEG_QUALITYNORMAL, JPEG_QUALITYGOOD,
                                   JPEG_QUALITYSUPERB};
    // The table's PNG_IGNOREGAMMA is a loading flag; saved, its value 1 asks for fast compression.
    static constexpr int Png[] = {PNG_DEFAULT, PNG_IGNOREGAMMA};
    static constexpr int Tiff[] = {TIFF_DEFAULT, TIFF_PACKBITS, TIFF_DEFLATE, TIFF_ADOBE_DEFLATE, TIFF_NONE};
    if (qualite < 0) {
        return false;
    }
    switch (format) {
    case 0:
        if (qualite < 4) {
            r = {FIF_BMP, Bitmap[qualite], 0};
            return true;
        }
        return false;
    case 1:
        if (qualite < 5) {
            r = {FIF_JPEG, 24, Jpeg[qualite]};
            return true;
        }
        return false;
    case 2:
        if (qualite < 2) {
            r = {FIF_PNG, 24, Png[qualite]};
            return true;
        }
        return false;
    case 3:
        if (qualite < 5) {
            r = {FIF_TIFF, 24, Tiff[qualite]};
            return true;
        }
        return false;
    default: return false;
    }
}

bool Lisible(FREE_IMAGE_FORMAT fif) {
    return fif == FIF_BMP || fif == FIF_JPEG || fif == FIF_PNG || fif == FIF_TIFF;
}

Image Convertie(FIBITMAP* image, int bits) {
    switch (bits) {
    case 8: return Image(FreeImage_ConvertTo8Bits(image));
    case 16: return Image(FreeImage_ConvertTo16Bits555(image));
    case 32: return Image(FreeImage_ConvertTo32Bits(image));
    default: return Image(FreeImage_ConvertTo24Bits(image));
    }
}

} // namespace

const char* Extension(int format) {
    static constexpr const char* Extensions[] = {".bmp", ".jpg", ".png", ".tiff"};
    return format >= 0 && format < 4 ? Extensions[format] : nullptr;
}

bool ReglageConnu(int format, int qualite) {
    Reglage r{};
    return ReglageDe(format, qualite, r);
}

Bilan Convertir(std::FILE* source, std::FILE* sortie, int format, int qualite, bool bitmapSeulement,
                Dimensions* dimensions) {
    Reglage reglage{};
    if (!source || !sortie) {
        return ParametresInvalides;
    }
    if (!ReglageDe(format, qualite, reglage)) {
        return ReglageInconnu;
    }
    const Session session;
    Source lecture{source};
    const FREE_IMAGE_FORMAT type =
        bitmapSeulement ? FIF_BMP : FreeImage_GetFileTypeFromHandle(&IoSource, &lecture, 0);
    if (!Lisible(type)) {
        return TypeRefuse;
    }

    // The header alone first: a small file may claim billions of pixels.
    if (FreeImage_FIFSupportsNoPixels(type)) {
        std::rewind(source);
        const Image entete(FreeImage_LoadFromHandle(type, &IoSource, &lecture, FIF_LOAD_NOPIXELS));
        if (!entete) {
            return LectureImpossible;
        }
        const std::int64_t largeur = FreeImage_GetWidth(entete.get());
        const std::int64_t hauteur = FreeImage_GetHeight(entete.get());
        if (dimensions) {
            *dimensions = {largeur, hauteur};
        }
        if (largeur <= 0 || hauteur <= 0 || largeur * hauteur > MaxPixels) {
            return TropGrande;
        }
    }
    std::rewind(source);
    lecture.tronquee = false;
    Image chargee(FreeImage_LoadFromHandle(type, &IoSource, &lecture, 0));
    if (!chargee || !FreeImage_HasPixels(chargee.get()) || lecture.tronquee) {
        return LectureImpossible;
    }
    const std::int64_t largeur = FreeImage_GetWidth(chargee.get());
    const std::int64_t hauteur = FreeImage_GetHeight(chargee.get());
    if (dimensions) {
        *dimensions = {largeur, hauteur};
    }
    if (largeur <= 0 || hauteur <= 0 || largeur * hauteur > MaxPixels) {
        return TropGrande;
    }

    const Image convertie = Convertie(chargee.get(), reglage.bits);
    // The loaded picture is not needed any more: the peak is one picture and its copy.
    chargee.reset();
    if (!convertie) {
        return ConversionImpossible;
    }
    std::rewind(sortie);
    if (!FreeImage_SaveToHandle(reglage.fif, convertie.get(), &IoSortie, sortie, reglage.drapeau)) {
        return EcritureImpossible;
    }
    if (std::fflush(sortie) != 0 || std::ferror(sortie)) {
        return EcritureImpossible;
    }
    return Reussie;
}

} // namespace ConversionFreeImage

// One picture read, checked, converted and written with FreeImage, without Qt: the conversion
// helper runs it on untrusted files, the screen capture on its own bitmap.
#pragma once

#include <cstdint>
#include <cstdio>

namespace ConversionFreeImage {

// Larger pictures are refused before their pixels are read.
inline constexpr std::int64_t MaxPixels = 100'000'000;

// What became of a conversion; the helper exits with it.
enum Bilan : int {
    Reussie = 0,
    TypeRefuse = 1, // not a BMP, JPEG, PNG or TIFF picture
    TropGrande = 2, // past MaxPixels, or no pixel at all
    LectureImpossible = 3,
    ReglageInconnu = 4, // a format or quality index outside the table
    ConversionImpossible = 5,
    EcritureImpossible = 6,
    ParametresInvalides = 7,
};

struct Dimensions {
    std::int64_t largeur = 0;
    std::int64_t hauteur = 0;
};

// Output extension of a format index (0 Bitmap, 1 JPEG, 2 PNG, 3 TIFF), or null.
const char* Extension(int format);

// Whether the table has this format and quality.
bool ReglageConnu(int format, int qualite);

// Reads the picture from source (a bitmap whatever its content when bitmapSeulement, else any of the
// four readable types), converts it for format and quality, and writes it to sortie, which must be
// readable and writable. Every picture made is released.
Bilan Convertir(std::FILE* source, std::FILE* sortie, int format, int qualite, bool bitmapSeulement,
                Dimensions* dimensions = nullptr);

} // namespace ConversionFreeImage

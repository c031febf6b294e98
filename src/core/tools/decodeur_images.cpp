// The image conversion helper, installed beside the program. The program starts it for each
// conversion under memory and processor-time limits, so that a hostile picture can only end this
// process. It reads no path: the picture comes open on one descriptor and the output, not yet
// named, on another.
//
// Arguments: source descriptor, output descriptor, format index, quality index.
// Exit status: a ConversionFreeImage::Bilan. Standard output: "width height peak-KiB".
#include "core/tools/ConversionFreeImage.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>
#include <unistd.h>

namespace {

bool Entier(const char* texte, int& valeur) {
    char* fin = nullptr;
    errno = 0;
    const long v = std::strtol(texte, &fin, 10);
    if (errno != 0 || fin == texte || *fin != '\0' || v < -1 || v > 1'000'000) {
        return false;
    }
    valeur = int(v);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    using namespace ConversionFreeImage;
    int fdSource = -1, fdSortie = -1, format = -1, qualite = -1;
    if (argc != 5 || !Entier(argv[1], fdSource) || !Entier(argv[2], fdSortie) || !Entier(argv[3], format) ||
        !Entier(argv[4], qualite) || fdSource < 0 || fdSortie < 0 || fdSource == fdSortie) {
        return ParametresInvalides;
    }
    std::FILE* source = fdopen(fdSource, "rb");
    std::FILE* sortie = fdopen(fdSortie, "w+b");
    if (!source || !sortie) {
        return ParametresInvalides;
    }

    Dimensions dimensions;
    Bilan bilan = Convertir(source, sortie, format, qualite, false, &dimensions);
    // Flushed to disk here: the program only names the file, without waiting on the disk.
    if (bilan == Reussie && (std::fflush(sortie) != 0 || fsync(fileno(sortie)) != 0)) {
        bilan = EcritureImpossible;
    }
    if (std::fclose(sortie) != 0 && bilan == Reussie) {
        bilan = EcritureImpossible;
    }
    std::fclose(source);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%lld %lld %ld\n", static_cast<long long>(dimensions.largeur),
                static_cast<long long>(dimensions.hauteur), usage.ru_maxrss);
    return bilan;
}

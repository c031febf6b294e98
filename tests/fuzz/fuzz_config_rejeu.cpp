// Replays files through the config.ini fuzz target where libFuzzer is not built: each argument is a
// file or a folder of files.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille);

namespace {

void Rejouer(const std::filesystem::path& fichier) {
    std::ifstream flux(fichier, std::ios::binary);
    const std::vector<char> octets((std::istreambuf_iterator<char>(flux)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(octets.data()), octets.size());
}

} // namespace

int main(int argc, char** argv) {
    int rejoues = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<std::filesystem::path> fichiers;
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto& entree : std::filesystem::directory_iterator(argv[i])) {
                if (entree.is_regular_file()) {
                    fichiers.push_back(entree.path());
                }
            }
        } else {
            fichiers.push_back(argv[i]);
        }
        for (const auto& fichier : fichiers) {
            Rejouer(fichier);
            ++rejoues;
        }
    }
    std::printf("%d file(s) replayed\n", rejoues);
    // An empty corpus proves nothing: fail rather than pass.
    return rejoues > 0 ? 0 : 1;
}

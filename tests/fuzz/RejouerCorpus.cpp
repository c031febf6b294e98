// Replays corpus files through the fuzz entry, so that any compiler runs them as a regression test.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    int rejoues = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<fs::path> fichiers;
        if (fs::is_directory(argv[i])) {
            for (const fs::directory_entry& e : fs::recursive_directory_iterator(argv[i]))
                if (e.is_regular_file())
                    fichiers.push_back(e.path());
        } else {
            fichiers.emplace_back(argv[i]);
        }
        for (const fs::path& chemin : fichiers) {
            std::ifstream f(chemin, std::ios::binary);
            const std::vector<char> octets{std::istreambuf_iterator<char>(f), {}};
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(octets.data()), octets.size());
            ++rejoues;
        }
    }
    std::printf("%d entrée(s) rejouée(s)\n", rejoues);
    // An empty or missing corpus would pass without testing anything.
    return rejoues > 0 ? 0 : 1;
}

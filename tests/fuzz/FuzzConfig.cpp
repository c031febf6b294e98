// Fuzz target over config.ini: its lines and the settings value, each written then read back.
#include "core/settings/FichierConfig.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Aborts so that libFuzzer, and the replay, report the input.
void Exiger(bool condition, const char* quoi) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_config: %s\n", quoi);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    const QByteArray contenu(reinterpret_cast<const char*>(donnees), qsizetype(taille));
    const LignesConfig lignes = LireConfig(contenu);
    Exiger(LireConfig(EcrireConfig(lignes)) == lignes, "lines written then read differ");
    const Reglages reglages = LireReglages(contenu);
    const QByteArray ecrit = EcrireReglages(reglages);
    Exiger(LireReglages(ecrit) == reglages, "settings written then read differ");
    Exiger(EcrireReglages(LireReglages(ecrit)) == ecrit, "a second write differs from the first");
    return 0;
}

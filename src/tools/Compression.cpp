#include "tools/Compression.h"

void Compression::Compresser() {}

void Compression::Decompresser() {}

void Compression::Choisir(int commande) {
    Q_UNUSED(commande);
}

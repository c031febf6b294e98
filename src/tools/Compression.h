// Compressing and decompressing single files.
#pragma once

#include <QtGlobal>

class Compression {
public:
    // Command 49: compress the chosen file.
    void Compresser();
    // Command 50: decompress the chosen file.
    void Decompresser();
    // Command 55 to 58: choose the files to compress and decompress, and their targets.
    void Choisir(int commande);
};

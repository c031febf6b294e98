#include "tools/ConversionImages.h"

void ConversionImages::ChoisirImage() {}

void ConversionImages::Convertir() {}

void ConversionImages::OuvrirDossier() {}

#include "network/Reseau.h"

void Reseau::Ouvrir() {}

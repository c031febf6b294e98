#include "conversation/Composition.h"

void Composition::Effacer() {}

void Composition::Envoyer() {}

void Composition::ChangerStyle() {}

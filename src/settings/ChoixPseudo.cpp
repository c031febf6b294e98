#include "settings/ChoixPseudo.h"

void ChoixPseudo::Valider() {}

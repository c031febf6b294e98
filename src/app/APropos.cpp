#include "app/APropos.h"

void APropos::OuvrirNotice() {}

#include "transfer/Transfert.h"

void Transfert::OffrirFichier() {}

void Transfert::OuvrirFichier() {}

void Transfert::Annuler() {}

#include "settings/Options.h"

#include "app/FenetreOvan.h"
#include "app/Fondu.h"
#include "app/Interface.h"
#include "app/Ovan.h"

void Options::Parcourir() {}

void Options::Valider() {
    Fermer();
}

void Options::Annuler() {
    Fermer();
}

void Options::Appliquer() {}

void Options::RechargerConfig() {}

void Options::Fermer() {
    // The end of the fade gives the main window back.
    m_ovan.interface().OptionshWnd->fondu().Sortir();
}

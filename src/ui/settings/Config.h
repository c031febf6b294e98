// The settings applied to the controls that show them, and read back from the Options window.
#pragma once

#include "core/settings/FichierConfig.h"

class Interface;

// Applies each present setting to its controls; change handlers do not run.
void ChargerConfig(Interface& ui, const Reglages& reglages);
// All ten settings, from the Options window's controls.
Reglages SauverConfig(const Interface& ui);
// No file: both nickname boxes get the host name and the folder box the default folder.
void ChargerConfigParDefaut(Interface& ui);

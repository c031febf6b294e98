// The settings applied to the controls that show them, and read back from the Options window.
#pragma once

#include "core/settings/FichierConfig.h"
#include "ui/conversation/Composition.h"

class FenetreOvan;
class FenetrePrincipale;
class Interface;
class QLabel;
class QLineEdit;
class QWidget;

// The Options window's controls, and the main window's ones that take the same settings.
struct ControlesReglages {
    FenetreOvan* fenetre = nullptr;
    // The page picture, whose tabs choose the page.
    QLabel* fond = nullptr;
    QLineEdit* pseudo = nullptr;
    QLineEdit* dossier = nullptr;
    QWidget* parcourir = nullptr;
    SelecteurFormat format;
    QComboBox* formatImage = nullptr;
    QComboBox* qualite = nullptr;
    QCheckBox* envoiCapture = nullptr;
    FenetrePrincipale* principale = nullptr;
    QLineEdit* pseudoPrincipal = nullptr;
    SelecteurFormat formatPrincipal;

    static ControlesReglages De(const Interface& ui);
};

// Applies each present setting to its controls; change handlers do not run.
void ChargerConfig(const ControlesReglages& ui, const Reglages& reglages);
// All ten settings, from the Options window's controls.
Reglages SauverConfig(const ControlesReglages& ui);
// No file: both nickname boxes get the host name and the folder box the default folder.
void ChargerConfigParDefaut(const ControlesReglages& ui);

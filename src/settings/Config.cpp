#include "settings/Config.h"

#include "app/Interface.h"
#include "platform/Ansi.h"
#include "tools/ConversionImages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

void Selectionner(QComboBox* liste, int index) {
    const QSignalBlocker bloque(liste);
    liste->setCurrentIndex(index < liste->count() ? index : -1);
}

void Cocher(QCheckBox* c) {
    const QSignalBlocker bloque(c);
    c->setChecked(true);
}

QByteArray Drapeau(const QCheckBox* c) {
    return c->isChecked() ? "1" : "0";
}

} // namespace

void ChargerConfig(Interface& ui, const LignesConfig& lignes) {
    for (const auto& [cle, valeur] : lignes) {
        if (cle == "PSEUDO") {
            ui.TextBoxhWnd[ZonePseudo]->setText(Ansi::DepuisAnsi(valeur));
            ui.TextBoxhWnd[ZoneOptionsPseudo]->setText(ui.TextBoxhWnd[ZonePseudo]->text());
        } else if (cle == "DOSSIER") {
            ui.TextBoxhWnd[ZoneOptionsDossier]->setText(Ansi::DepuisAnsi(valeur));
        } else if (cle == "POLICE" || cle == "COULEUR" || cle == "FORMAT" || cle == "QUALITE") {
            const int index = Atoi(valeur);
            if (index < 0) {
                continue;
            }
            if (cle == "POLICE") {
                Selectionner(ui.ComboBoxhWnd[ListePolice], index);
                Selectionner(ui.ComboBoxhWnd[ListeOptionsPolice], index);
            } else if (cle == "COULEUR") {
                Selectionner(ui.ComboBoxhWnd[ListeCouleur], index);
                Selectionner(ui.ComboBoxhWnd[ListeOptionsCouleur], index);
            } else if (cle == "FORMAT") {
                Selectionner(ui.ComboBoxhWnd[ListeOptionsFormat], index);
            } else {
                QComboBox* qualite = ui.ComboBoxhWnd[ListeOptionsQualite];
                const QSignalBlocker bloque(qualite);
                MettreQualite(qualite, ui.ComboBoxhWnd[ListeOptionsFormat]->currentIndex());
                Selectionner(qualite, index);
            }
        } else if (cle == "GRAS" || cle == "ITALIQUE" || cle == "SOULIGNE" || cle == "ENVOICAPT") {
            // Only 1 ticks; loading never clears a box.
            if (Atoi(valeur) != 1) {
                continue;
            }
            if (cle == "GRAS") {
                Cocher(ui.CheckBoxhWnd[CaseGras]);
                Cocher(ui.CheckBoxhWnd[CaseOptionsGras]);
            } else if (cle == "ITALIQUE") {
                Cocher(ui.CheckBoxhWnd[CaseItalique]);
                Cocher(ui.CheckBoxhWnd[CaseOptionsItalique]);
            } else if (cle == "SOULIGNE") {
                Cocher(ui.CheckBoxhWnd[CaseSouligne]);
                Cocher(ui.CheckBoxhWnd[CaseOptionsSouligne]);
            } else {
                Cocher(ui.CheckBoxhWnd[CaseEnvoyerCapture]);
            }
        }
    }
}

LignesConfig SauverConfig(const Interface& ui) {
    auto index = [&](int slot) { return QByteArray::number(ui.ComboBoxhWnd[slot]->currentIndex()); };
    return {
        {"PSEUDO", Ansi::VersAnsi(ui.TextBoxhWnd[ZoneOptionsPseudo]->text())},
        {"DOSSIER", Ansi::VersAnsi(ui.TextBoxhWnd[ZoneOptionsDossier]->text())},
        {"POLICE", index(ListeOptionsPolice)},
        {"COULEUR", index(ListeOptionsCouleur)},
        {"GRAS", Drapeau(ui.CheckBoxhWnd[CaseOptionsGras])},
        {"ITALIQUE", Drapeau(ui.CheckBoxhWnd[CaseOptionsItalique])},
        {"SOULIGNE", Drapeau(ui.CheckBoxhWnd[CaseOptionsSouligne])},
        {"FORMAT", index(ListeOptionsFormat)},
        {"QUALITE", index(ListeOptionsQualite)},
        {"ENVOICAPT", Drapeau(ui.CheckBoxhWnd[CaseEnvoyerCapture])},
    };
}

void ChargerConfigParDefaut(Interface& ui) {
    ui.TextBoxhWnd[ZonePseudo]->setText(ChercheNomPC().left(LongueurMaxPseudo));
    ui.TextBoxhWnd[ZoneOptionsPseudo]->setText(ChercheNomPC().left(LongueurMaxPseudo));
    ui.TextBoxhWnd[ZoneOptionsDossier]->setText(DossierParDefaut());
}

#include "ui/settings/Config.h"

#include "ui/app/Interface.h"
#include "ui/tools/ConversionImages.h"

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

} // namespace

void ChargerConfig(Interface& ui, const Reglages& r) {
    if (r.Pseudo) {
        ui.TextBoxhWnd[ZonePseudo]->setText(*r.Pseudo);
        ui.TextBoxhWnd[ZoneOptionsPseudo]->setText(ui.TextBoxhWnd[ZonePseudo]->text());
    }
    if (r.Dossier) {
        ui.TextBoxhWnd[ZoneOptionsDossier]->setText(*r.Dossier);
    }
    if (r.Police) {
        Selectionner(ui.ComboBoxhWnd[ListePolice], *r.Police);
        Selectionner(ui.ComboBoxhWnd[ListeOptionsPolice], *r.Police);
    }
    if (r.Couleur) {
        Selectionner(ui.ComboBoxhWnd[ListeCouleur], *r.Couleur);
        Selectionner(ui.ComboBoxhWnd[ListeOptionsCouleur], *r.Couleur);
    }
    if (r.Format) {
        Selectionner(ui.ComboBoxhWnd[ListeOptionsFormat], *r.Format);
    }
    // After the format, so that the quality list is the format's.
    if (r.Qualite) {
        QComboBox* qualite = ui.ComboBoxhWnd[ListeOptionsQualite];
        const QSignalBlocker bloque(qualite);
        MettreQualite(qualite, ui.ComboBoxhWnd[ListeOptionsFormat]->currentIndex());
        Selectionner(qualite, *r.Qualite);
    }
    // Loading never clears a box.
    const std::pair<std::optional<bool>, QList<int>> cases[] = {
        {r.Gras, {CaseGras, CaseOptionsGras}},
        {r.Italique, {CaseItalique, CaseOptionsItalique}},
        {r.Souligne, {CaseSouligne, CaseOptionsSouligne}},
        {r.EnvoiCapture, {CaseEnvoyerCapture}},
    };
    for (const auto& [drapeau, cibles] : cases) {
        if (drapeau.value_or(false)) {
            for (int slot : cibles) {
                Cocher(ui.CheckBoxhWnd[slot]);
            }
        }
    }
}

Reglages SauverConfig(const Interface& ui) {
    auto index = [&](int slot) { return ui.ComboBoxhWnd[slot]->currentIndex(); };
    auto coche = [&](int slot) { return ui.CheckBoxhWnd[slot]->isChecked(); };
    return {
        .Pseudo = ui.TextBoxhWnd[ZoneOptionsPseudo]->text(),
        .Dossier = ui.TextBoxhWnd[ZoneOptionsDossier]->text(),
        .Police = index(ListeOptionsPolice),
        .Couleur = index(ListeOptionsCouleur),
        .Gras = coche(CaseOptionsGras),
        .Italique = coche(CaseOptionsItalique),
        .Souligne = coche(CaseOptionsSouligne),
        .Format = index(ListeOptionsFormat),
        .Qualite = index(ListeOptionsQualite),
        .EnvoiCapture = coche(CaseEnvoyerCapture),
    };
}

void ChargerConfigParDefaut(Interface& ui) {
    ui.TextBoxhWnd[ZonePseudo]->setText(ChercheNomPC().left(LongueurMaxPseudo));
    ui.TextBoxhWnd[ZoneOptionsPseudo]->setText(ChercheNomPC().left(LongueurMaxPseudo));
    ui.TextBoxhWnd[ZoneOptionsDossier]->setText(DossierParDefaut());
}

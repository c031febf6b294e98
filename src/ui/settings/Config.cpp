#include "ui/settings/Config.h"

#include "ui/app/BoutonImage.h"
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

ControlesReglages ControlesReglages::De(const Interface& ui) {
    return {
        .fenetre = ui.OptionshWnd,
        .fond = ui.LabelOptionhWnd,
        .pseudo = ui.TextBoxhWnd[ZoneOptionsPseudo],
        .dossier = ui.TextBoxhWnd[ZoneOptionsDossier],
        .parcourir = ui.BoutonhWnd[BoutonParcourir],
        .format = {ui.ComboBoxhWnd[ListeOptionsPolice], ui.ComboBoxhWnd[ListeOptionsCouleur],
                   ui.CheckBoxhWnd[CaseOptionsGras], ui.CheckBoxhWnd[CaseOptionsItalique],
                   ui.CheckBoxhWnd[CaseOptionsSouligne]},
        .formatImage = ui.ComboBoxhWnd[ListeOptionsFormat],
        .qualite = ui.ComboBoxhWnd[ListeOptionsQualite],
        .envoiCapture = ui.CheckBoxhWnd[CaseEnvoyerCapture],
        .principale = ui.FenetrehWnd,
        .pseudoPrincipal = ui.TextBoxhWnd[ZonePseudo],
        .formatPrincipal = SelecteurFormat::De(ui),
    };
}

void ChargerConfig(const ControlesReglages& ui, const Reglages& r) {
    if (r.Pseudo) {
        ui.pseudoPrincipal->setText(*r.Pseudo);
        ui.pseudo->setText(ui.pseudoPrincipal->text());
    }
    if (r.Dossier) {
        ui.dossier->setText(*r.Dossier);
    }
    if (r.Police) {
        Selectionner(ui.formatPrincipal.police, *r.Police);
        Selectionner(ui.format.police, *r.Police);
    }
    if (r.Couleur) {
        Selectionner(ui.formatPrincipal.couleur, *r.Couleur);
        Selectionner(ui.format.couleur, *r.Couleur);
    }
    if (r.Format) {
        Selectionner(ui.formatImage, *r.Format);
    }
    // After the format, so that the quality list is the format's.
    if (r.Qualite) {
        const QSignalBlocker bloque(ui.qualite);
        MettreQualite(ui.qualite, ui.formatImage->currentIndex());
        Selectionner(ui.qualite, *r.Qualite);
    }
    // Loading never clears a box.
    const std::pair<std::optional<bool>, QList<QCheckBox*>> cases[] = {
        {r.Gras, {ui.formatPrincipal.gras, ui.format.gras}},
        {r.Italique, {ui.formatPrincipal.italique, ui.format.italique}},
        {r.Souligne, {ui.formatPrincipal.souligne, ui.format.souligne}},
        {r.EnvoiCapture, {ui.envoiCapture}},
    };
    for (const auto& [drapeau, cibles] : cases) {
        if (drapeau.value_or(false)) {
            for (QCheckBox* c : cibles) {
                Cocher(c);
            }
        }
    }
}

Reglages SauverConfig(const ControlesReglages& ui) {
    return {
        .Pseudo = ui.pseudo->text(),
        .Dossier = ui.dossier->text(),
        .Police = ui.format.police->currentIndex(),
        .Couleur = ui.format.couleur->currentIndex(),
        .Gras = ui.format.gras->isChecked(),
        .Italique = ui.format.italique->isChecked(),
        .Souligne = ui.format.souligne->isChecked(),
        .Format = ui.formatImage->currentIndex(),
        .Qualite = ui.qualite->currentIndex(),
        .EnvoiCapture = ui.envoiCapture->isChecked(),
    };
}

void ChargerConfigParDefaut(const ControlesReglages& ui) {
    ui.pseudoPrincipal->setText(ChercheNomPC().left(LongueurMaxPseudo));
    ui.pseudo->setText(ChercheNomPC().left(LongueurMaxPseudo));
    ui.dossier->setText(DossierParDefaut());
}

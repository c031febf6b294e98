#include "ui/chat/FenetreChat.h"

#include "ui/app/BoutonImage.h"
#include "ui/app/Interface.h"

#include <QLabel>

FenetreChat FenetreChat::De(const Interface& ui) {
    FenetreChat f;
    f.fenetre = ui.FenetrehWnd;
    f.pseudo = ui.TextBoxhWnd[ZonePseudo];
    f.adresse = ui.TextBoxhWnd[ZoneAdresse];
    f.sonStatut = ui.TextBoxhWnd[ZoneSonStatut];
    f.conversation = ui.RichEdithWnd[ZoneConversation];
    f.saisie = ui.RichEdithWnd[ZoneSaisie];
    f.effacer = ui.BoutonhWnd[BoutonEffacer];
    f.envoyer = ui.BoutonhWnd[BoutonEnvoyer];
    f.connecter = ui.BoutonhWnd[BoutonConnecter];
    f.deconnecter = ui.BoutonhWnd[BoutonDeconnecter];
    f.absent = ui.BoutonhWnd[BoutonAbsent];
    f.present = ui.BoutonhWnd[BoutonPresent];
    f.statut[0] = ui.BarreStatuthWnd[0];
    f.statut[1] = ui.BarreStatuthWnd[1];
    return f;
}

void FenetreChat::FaceEnvoi(bool actif) const {
    envoyer->ReglerFace(actif ? QStringLiteral("img_envt_e") : QStringLiteral("img_envt_d"));
}

void FenetreChat::Statut(int partie, const QString& texte) const {
    statut[partie]->setText(texte);
    statut[partie]->setAccessibleName(texte);
}

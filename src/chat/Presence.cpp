#include "chat/Presence.h"

#include "app/BoutonImage.h"
#include "app/FenetrePrincipale.h"
#include "app/Interface.h"
#include "app/Ovan.h"
#include "chat/SocketsChat.h"
#include "conversation/AjouteTexte.h"
#include "conversation/Texte.h"

#include <QTextEdit>

namespace {
const QString EnvoiActif = QStringLiteral("img_envt_e");
const QString EnvoiInactif = QStringLiteral("img_envt_d");
} // namespace

void Presence::Absent() {
    m_ovan.Sockets().Envoyer(Trame::Sta(true));
    Interface& ui = m_ovan.interface();
    ui.FenetrehWnd->setWindowTitle(QStringLiteral("OVAN Messenger - Absent"));
    ui.BoutonhWnd[BoutonAbsent]->ReglerFace(QStringLiteral("img_abst_d"));
    ui.BoutonhWnd[BoutonPresent]->ReglerFace(QStringLiteral("img_prst_e"));
}

void Presence::Present() {
    m_ovan.Sockets().Envoyer(Trame::Sta(false));
    Interface& ui = m_ovan.interface();
    ui.FenetrehWnd->setWindowTitle(QStringLiteral("OVAN Messenger - Présent"));
    ui.BoutonhWnd[BoutonAbsent]->ReglerFace(QStringLiteral("img_abst_e"));
    ui.BoutonhWnd[BoutonPresent]->ReglerFace(QStringLiteral("img_prst_d"));
}

bool Presence::SaisieVide() const {
    return RetourChariot(PrendreTexte(m_ovan.interface().RichEdithWnd[ZoneSaisie]));
}

void Presence::ToucheEnfoncee() {
    // The text before the key takes effect.
    const bool actif = m_ovan.Etat() == EtatConnecte && !SaisieVide();
    m_ovan.interface().BoutonhWnd[BoutonEnvoyer]->ReglerFace(actif ? EnvoiActif : EnvoiInactif);
}

void Presence::ToucheRelachee() {
    Session& s = m_ovan.session();
    BoutonImage* envoyer = m_ovan.interface().BoutonhWnd[BoutonEnvoyer];
    const bool connecte = m_ovan.Etat() == EtatConnecte;
    const bool vide = SaisieVide();
    if (vide && s.Ecr) {
        envoyer->ReglerFace(EnvoiInactif);
        if (connecte) {
            m_ovan.Sockets().Envoyer(Trame::Tap(false));
            s.Ecr = false;
        }
    }
    if (!vide && !s.Ecr) {
        if (connecte) {
            m_ovan.Sockets().Envoyer(Trame::Tap(true));
            s.Ecr = true;
            envoyer->ReglerFace(EnvoiActif);
        } else {
            envoyer->ReglerFace(EnvoiInactif);
        }
    }
}

void Presence::AnnoncerPseudo() {
    if (m_ovan.Etat() == EtatConnecte) {
        m_ovan.Sockets().Envoyer(Trame::Pse(m_ovan.session().MonPseudo));
    }
}

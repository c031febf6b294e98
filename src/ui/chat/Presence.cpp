#include "ui/chat/Presence.h"

#include "ui/app/BoutonImage.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"
#include "ui/app/Session.h"
#include "core/chat/EnvoiTrames.h"
#include "core/chat/SocketsChat.h"
#include "ui/conversation/AjouteTexte.h"
#include "core/conversation/Texte.h"

#include <QTextEdit>

void Presence::Absent() {
    m_envoi.Statut(true);
    Interface& ui = m_interface;
    ui.FenetrehWnd->setWindowTitle(QStringLiteral("OVAN Messenger - Absent"));
    ui.BoutonhWnd[BoutonAbsent]->ReglerFace(QStringLiteral("img_abst_d"));
    ui.BoutonhWnd[BoutonPresent]->ReglerFace(QStringLiteral("img_prst_e"));
}

void Presence::Present() {
    m_envoi.Statut(false);
    Interface& ui = m_interface;
    ui.FenetrehWnd->setWindowTitle(QStringLiteral("OVAN Messenger - Présent"));
    ui.BoutonhWnd[BoutonAbsent]->ReglerFace(QStringLiteral("img_abst_e"));
    ui.BoutonhWnd[BoutonPresent]->ReglerFace(QStringLiteral("img_prst_d"));
}

bool Presence::SaisieVide() const {
    return RetourChariot(PrendreTexte(m_interface.RichEdithWnd[ZoneSaisie]));
}

void Presence::ToucheEnfoncee() {
    // The text before the key takes effect.
    const bool actif = m_sockets.Etat() == EtatConnecte && !SaisieVide();
    m_interface.FaceEnvoi(actif);
}

void Presence::ToucheRelachee() {
    Session& s = m_session;
    const bool connecte = m_sockets.Etat() == EtatConnecte;
    const bool vide = SaisieVide();
    if (vide && s.Ecr) {
        m_interface.FaceEnvoi(false);
        if (connecte) {
            m_envoi.Frappe(false);
            s.Ecr = false;
        }
    }
    if (!vide && !s.Ecr) {
        if (connecte) {
            m_envoi.Frappe(true);
            s.Ecr = true;
            m_interface.FaceEnvoi(true);
        } else {
            m_interface.FaceEnvoi(false);
        }
    }
}

void Presence::AnnoncerPseudo() {
    if (m_sockets.Etat() == EtatConnecte) {
        m_envoi.Pse(m_session.MonPseudo);
    }
}

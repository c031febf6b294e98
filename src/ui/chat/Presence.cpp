#include "ui/chat/Presence.h"

#include "core/chat/Conversation.h"
#include "core/conversation/Texte.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/conversation/AjouteTexte.h"

#include <QTextEdit>

void Presence::Regler(bool absent) {
    m_conversation.ReglerAbsent(absent);
    m_c.fenetre->setWindowTitle(absent ? QStringLiteral("OVAN Messenger - Absent")
                                       : QStringLiteral("OVAN Messenger - Présent"));
    m_c.absent->ReglerFace(absent ? QStringLiteral("img_abst_d") : QStringLiteral("img_abst_e"));
    m_c.present->ReglerFace(absent ? QStringLiteral("img_prst_e") : QStringLiteral("img_prst_d"));
}

void Presence::Absent() {
    Regler(true);
}

void Presence::Present() {
    Regler(false);
}

bool Presence::SaisieVide() const {
    return RetourChariot(PrendreTexte(m_c.saisie));
}

void Presence::ToucheEnfoncee() {
    // The text before the key takes effect.
    m_c.FaceEnvoi(m_conversation.Connectee() && !SaisieVide());
}

void Presence::ToucheRelachee() {
    const bool connecte = m_conversation.Connectee();
    const bool vide = SaisieVide();
    if (vide && m_conversation.JEcris()) {
        m_c.FaceEnvoi(false);
        m_conversation.Frappe(false);
    }
    if (!vide && !m_conversation.JEcris()) {
        m_c.FaceEnvoi(connecte);
        m_conversation.Frappe(true);
    }
}

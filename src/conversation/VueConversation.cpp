#include "conversation/VueConversation.h"

#include "conversation/AjouteTexte.h"
#include "conversation/Smileys.h"
#include "conversation/Texte.h"

#include <QTextEdit>

void VueConversation::Balayer() {
    m_dernierMess = m_smileys.MettreSmileys(m_vue, m_dernierMess);
}

void VueConversation::Texte(const QString& texte, const QString& pseudo, int police, int couleur, int style) {
    AjouteTexte(m_vue, texte, pseudo, Police(police), Couleur(couleur), Style(style),
                QStringLiteral("Texte"));
    Balayer();
}

void VueConversation::Message(const QString& texte, bool smileys) {
    AjouteMessage(m_vue, texte);
    if (smileys) {
        Balayer();
    }
}

void VueConversation::MessageFin(const QString& texte) {
    AjouteMessage(m_vue, texte);
    m_dernierMess = FinConversation(m_vue);
}

void VueConversation::Effacer() {
    if (!Trim(PrendreTexte(m_vue)).isEmpty()) {
        m_vue->clear();
        m_dernierMess = 0;
    }
}

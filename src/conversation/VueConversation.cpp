#include "conversation/VueConversation.h"

#include "conversation/AjouteTexte.h"
#include "conversation/Smileys.h"
#include "conversation/Texte.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>

void VueConversation::Balayer() {
    m_dernierMess = m_smileys.MettreSmileys(m_vue, m_dernierMess);
}

void VueConversation::Texte(const QString& texte, const QString& pseudo, int police, int couleur, int style) {
    // The entry and its pictures in one edit: the view lays them out once.
    QTextCursor edition(m_vue->document());
    edition.beginEditBlock();
    AjouteTexte(m_vue, texte, pseudo, Police(police), Couleur(couleur), Style(style),
                QStringLiteral("Texte"));
    Balayer();
    edition.endEditBlock();
    Defiler();
}

void VueConversation::Message(const QString& texte, bool smileys) {
    if (!smileys) {
        AjouteMessage(m_vue, texte);
        return;
    }
    QTextCursor edition(m_vue->document());
    edition.beginEditBlock();
    AjouteMessage(m_vue, texte);
    Balayer();
    edition.endEditBlock();
    Defiler();
}

void VueConversation::Defiler() {
    QScrollBar* barre = m_vue->verticalScrollBar();
    barre->setValue(barre->maximum());
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

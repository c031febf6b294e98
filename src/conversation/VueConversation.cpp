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

void VueConversation::Noter(EntreeHistorique::Sorte sorte, const QString& texte, const QString& auteur, int police,
                            int couleur, int style) {
    if (!m_journal) {
        return;
    }
    EntreeHistorique entree;
    entree.Genre = sorte;
    entree.Texte = texte;
    entree.Auteur = auteur;
    entree.Police = police;
    entree.Couleur = couleur;
    entree.Style = style;
    m_journal(std::move(entree));
}

void VueConversation::Texte(const QString& texte, const QString& pseudo, int police, int couleur, int style,
                            EntreeHistorique::Sorte sorte) {
    Noter(sorte, texte, pseudo, police, couleur, style);
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
    Noter(EntreeHistorique::Sorte::Systeme, texte);
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
    Noter(EntreeHistorique::Sorte::Systeme, texte);
    AjouteMessage(m_vue, texte);
    m_dernierMess = FinConversation(m_vue);
}

void VueConversation::Effacer() {
    if (!Trim(PrendreTexte(m_vue)).isEmpty()) {
        m_vue->clear();
        m_dernierMess = 0;
    }
}

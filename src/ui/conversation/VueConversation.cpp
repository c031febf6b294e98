#include "ui/conversation/VueConversation.h"

#include "core/conversation/Texte.h"
#include "ui/conversation/AjouteTexte.h"
#include "ui/conversation/Smileys.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

void VueConversation::Balayer() {
    int laisse = -1;
    m_dernierMess = m_smileys.MettreSmileys(m_vue, m_dernierMess, &laisse);
    if (!m_laisse.isNull() && m_smileys.ImageRevenue()) {
        m_dernierMess = m_smileys.MettreSmileys(m_vue, m_laisse.position(), &laisse);
        m_laisse = QTextCursor();
    }
    if (laisse >= 0 && m_laisse.isNull()) {
        m_laisse = QTextCursor(m_vue->document());
        m_laisse.setPosition(laisse);
    }
}

void VueConversation::Noter(EntreeHistorique::Sorte sorte, const QString& texte, const QString& auteur,
                            int police, int couleur, int style) {
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

void VueConversation::Entree(const std::function<void()>& ecrire, bool balayer) {
    QTextDocument* document = m_vue->document();
    const int avant = document->blockCount();
    // The entry and its pictures in one edit: the view lays them out once.
    QTextCursor edition(document);
    edition.beginEditBlock();
    ecrire();
    if (balayer) {
        Balayer();
    }
    edition.endEditBlock();
    m_blocs.push_back(document->blockCount() - avant);
    m_blocsEntrees += m_blocs.back();
    if (m_blocs.size() > std::size_t(EntreesGardees + EntreesEnPlus)) {
        // Whatever came before the first entry (the welcome line) leaves with the oldest.
        int blocs = document->blockCount() - 1 - m_blocsEntrees;
        while (m_blocs.size() > std::size_t(EntreesGardees)) {
            blocs += m_blocs.front();
            m_blocsEntrees -= m_blocs.front();
            m_blocs.pop_front();
        }
        const int fin = document->findBlockByNumber(blocs).position();
        edition.beginEditBlock();
        edition.setPosition(0);
        edition.setPosition(fin, QTextCursor::KeepAnchor);
        edition.removeSelectedText();
        edition.endEditBlock();
        m_dernierMess = std::max(0, m_dernierMess - fin);
    }
    Defiler();
}

void VueConversation::Texte(const QString& texte, const QString& pseudo, int police, int couleur, int style,
                            EntreeHistorique::Sorte sorte) {
    Noter(sorte, texte, pseudo, police, couleur, style);
    Entree(
        [&] {
            AjouteTexte(m_vue, texte, pseudo, Police(police), Couleur(couleur), Style(style),
                        QStringLiteral("Texte"));
        },
        true);
}

void VueConversation::Message(const QString& texte, bool smileys) {
    Noter(EntreeHistorique::Sorte::Systeme, texte);
    Entree([&] { AjouteMessage(m_vue, texte); }, smileys);
}

void VueConversation::Defiler() {
    QScrollBar* barre = m_vue->verticalScrollBar();
    barre->setValue(barre->maximum());
}

void VueConversation::MessageFin(const QString& texte) {
    Message(texte, false);
    m_dernierMess = FinConversation(m_vue);
}

void VueConversation::Effacer() {
    if (!Trim(PrendreTexte(m_vue)).isEmpty()) {
        m_vue->clear();
        m_dernierMess = 0;
        m_laisse = QTextCursor();
        m_blocs.clear();
        m_blocsEntrees = 0;
    }
}

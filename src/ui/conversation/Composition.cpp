#include "ui/conversation/Composition.h"

#include "core/chat/Conversation.h"
#include "core/conversation/Texte.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"
#include "ui/chat/Presence.h"
#include "ui/conversation/AjouteTexte.h"
#include "ui/conversation/VueConversation.h"
#include "ui/platform/Dialogues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextEdit>

SelecteurFormat SelecteurFormat::De(const Interface& ui) {
    return {ui.ComboBoxhWnd[ListePolice], ui.ComboBoxhWnd[ListeCouleur], ui.CheckBoxhWnd[CaseGras],
            ui.CheckBoxhWnd[CaseItalique], ui.CheckBoxhWnd[CaseSouligne]};
}

Format SelecteurFormat::Lire() const {
    return {police->currentIndex(), couleur->currentIndex(),
            4 * gras->isChecked() + 2 * italique->isChecked() + souligne->isChecked()};
}

Composition::Composition(const FenetreChat& controles, const SelecteurFormat& selecteur,
                         Conversation& conversation, Dialogues& dialogues, Presence& presence,
                         VueConversation& vue)
    : m_c(controles), m_selecteur(selecteur), m_conversation(conversation), m_dialogues(dialogues),
      m_presence(presence), m_vue(vue) {
    for (QComboBox* liste : {m_selecteur.police, m_selecteur.couleur}) {
        connect(liste, &QComboBox::currentIndexChanged, this, &Composition::ChangerStyle);
    }
    m_c.saisie->installEventFilter(this);
}

void Composition::ChangerStyle() {
    const Format f = m_selecteur.Lire();
    AjouteTexte(m_c.saisie, QString(), QString(), Police(f.police), Couleur(f.couleur), Style(f.style),
                QStringLiteral("Envoi"));
}

void Composition::Envoyer() {
    if (!m_conversation.Connectee()) {
        m_dialogues.Message(m_c.fenetre, QStringLiteral("Vous devez d'abord vous connecter !"),
                            QStringLiteral("Erreur"), Dialogues::Icone::Erreur);
        return;
    }
    const Format f = m_selecteur.Lire();
    const std::optional<QString> envoye =
        m_conversation.EnvoyerMessage(f.police, f.couleur, f.style, PrendreTexte(m_c.saisie));
    if (!envoye) {
        return;
    }
    m_c.saisie->clear();
    m_vue.Texte(*envoye, m_conversation.MonPseudo(), f.police, f.couleur, f.style,
                EntreeHistorique::Sorte::Envoye);
    m_c.FaceEnvoi(false);
    m_c.effacer->ReglerFace(QStringLiteral("img_effa_e"));
}

void Composition::Effacer() {
    m_c.effacer->ReglerFace(QStringLiteral("img_effa_d"));
    m_vue.Effacer();
    m_c.fenetre->update();
}

bool Composition::eventFilter(QObject* objet, QEvent* event) {
    QTextEdit* saisie = m_c.saisie;
    if (objet != saisie) {
        return false;
    }
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* touche = static_cast<QKeyEvent*>(event);
        m_presence.ToucheEnfoncee();
        const bool entree = touche->key() == Qt::Key_Return || touche->key() == Qt::Key_Enter;
        if (entree && !(touche->modifiers() & Qt::ControlModifier)) {
            Envoyer();
            return true;
        }
        // Every typed character takes the current format.
        if (entree || !touche->text().isEmpty()) {
            ChangerStyle();
        }
        if (entree) {
            // Ctrl+Enter starts a new line of the message.
            saisie->textCursor().insertText(QStringLiteral("\n"));
            return true;
        }
        return false;
    }
    case QEvent::KeyRelease: m_presence.ToucheRelachee(); return false;
    case QEvent::FocusIn: {
        QScrollBar* barre = m_c.conversation->verticalScrollBar();
        barre->setValue(barre->maximum());
        return false;
    }
    default: return false;
    }
}

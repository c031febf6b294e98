#include "ui/conversation/Composition.h"

#include "ui/app/BoutonImage.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"
#include "ui/app/Session.h"
#include "core/chat/EnvoiTrames.h"
#include "ui/chat/Presence.h"
#include "core/chat/SocketsChat.h"
#include "ui/conversation/AjouteTexte.h"
#include "core/conversation/Texte.h"
#include "ui/conversation/VueConversation.h"
#include "core/platform/Ansi.h"
#include "ui/platform/Dialogues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextEdit>

Composition::Composition(Interface& interface, const SocketsChat& sockets, EnvoiTrames& envoi,
                         Dialogues& dialogues, Session& session, Presence& presence, VueConversation& vue)
    : m_interface(interface), m_sockets(sockets), m_envoi(envoi), m_dialogues(dialogues), m_session(session),
      m_presence(presence), m_vue(vue) {
    Interface& ui = m_interface;
    for (int slot : {ListePolice, ListeCouleur}) {
        connect(ui.ComboBoxhWnd[slot], &QComboBox::currentIndexChanged, this, &Composition::ChangerStyle);
    }
    ui.RichEdithWnd[ZoneSaisie]->installEventFilter(this);
}

void LireFormat(const Interface& ui, Session& s) {
    s.IPolice = ui.ComboBoxhWnd[ListePolice]->currentIndex();
    s.ICouleur = ui.ComboBoxhWnd[ListeCouleur]->currentIndex();
    s.IStyle = 4 * ui.CheckBoxhWnd[CaseGras]->isChecked() + 2 * ui.CheckBoxhWnd[CaseItalique]->isChecked() +
               ui.CheckBoxhWnd[CaseSouligne]->isChecked();
}

void Composition::ChangerStyle() {
    LireFormat(m_interface, m_session);
    const Session& s = m_session;
    AjouteTexte(m_interface.RichEdithWnd[ZoneSaisie], QString(), QString(), Police(s.IPolice),
                Couleur(s.ICouleur), Style(s.IStyle), QStringLiteral("Envoi"));
}

void Composition::Envoyer() {
    Interface& ui = m_interface;
    Session& s = m_session;
    QTextEdit* saisie = ui.RichEdithWnd[ZoneSaisie];
    const QString texte = Trim(PrendreTexte(saisie));
    if (m_sockets.Etat() != EtatConnecte) {
        m_dialogues.Message(ui.FenetrehWnd, QStringLiteral("Vous devez d'abord vous connecter !"),
                            QStringLiteral("Erreur"), Dialogues::Icone::Erreur);
        return;
    }
    LireFormat(ui, s);
    // A line break travels as CR LF.
    QString surLeFil = texte;
    surLeFil.replace(u'\n', QLatin1String("\r\n"));
    // Decided on the bytes that travel: characters that Windows-1252 cannot hold become "?",
    // control characters are dropped, and the echo shows what the contact will read.
    const QByteArray octets = EnvoiTrames::TexteSurLeFil(surLeFil);
    if (octets.isEmpty() || RetourChariot(octets)) {
        return;
    }
    m_envoi.Message(s.IPolice, s.ICouleur, s.IStyle, surLeFil);
    const QString envoye = Ansi::DepuisAnsi(octets).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    saisie->clear();
    m_vue.Texte(envoye, s.MonPseudo, s.IPolice, s.ICouleur, s.IStyle, EntreeHistorique::Sorte::Envoye);
    ui.FaceEnvoi(false);
    ui.BoutonhWnd[BoutonEffacer]->ReglerFace(QStringLiteral("img_effa_e"));
}

void Composition::Effacer() {
    Interface& ui = m_interface;
    ui.BoutonhWnd[BoutonEffacer]->ReglerFace(QStringLiteral("img_effa_d"));
    m_vue.Effacer();
    ui.FenetrehWnd->update();
}

bool Composition::eventFilter(QObject* objet, QEvent* event) {
    QTextEdit* saisie = m_interface.RichEdithWnd[ZoneSaisie];
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
        QScrollBar* barre = m_interface.RichEdithWnd[ZoneConversation]->verticalScrollBar();
        barre->setValue(barre->maximum());
        return false;
    }
    default: return false;
    }
}

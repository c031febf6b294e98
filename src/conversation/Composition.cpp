#include "conversation/Composition.h"

#include "app/BoutonImage.h"
#include "app/FenetrePrincipale.h"
#include "app/Interface.h"
#include "app/Ovan.h"
#include "chat/Presence.h"
#include "chat/SocketsChat.h"
#include "conversation/AjouteTexte.h"
#include "conversation/Smileys.h"
#include "conversation/Texte.h"
#include "platform/Ansi.h"
#include "platform/Dialogues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextEdit>

Composition::Composition(Ovan& ovan) : m_ovan(ovan) {
    Interface& ui = m_ovan.interface();
    for (int slot : {ListePolice, ListeCouleur}) {
        connect(ui.ComboBoxhWnd[slot], &QComboBox::currentIndexChanged, this, &Composition::ChangerStyle);
    }
    ui.RichEdithWnd[ZoneSaisie]->installEventFilter(this);
}

void Composition::LireFormat() {
    Interface& ui = m_ovan.interface();
    Session& s = m_ovan.session();
    s.IPolice = ui.ComboBoxhWnd[ListePolice]->currentIndex();
    s.ICouleur = ui.ComboBoxhWnd[ListeCouleur]->currentIndex();
    s.IStyle = 4 * ui.CheckBoxhWnd[CaseGras]->isChecked() + 2 * ui.CheckBoxhWnd[CaseItalique]->isChecked() +
               ui.CheckBoxhWnd[CaseSouligne]->isChecked();
}

void Composition::ChangerStyle() {
    LireFormat();
    const Session& s = m_ovan.session();
    AjouteTexte(m_ovan.interface().RichEdithWnd[ZoneSaisie], QString(), QString(), Police(s.IPolice),
                Couleur(s.ICouleur), Style(s.IStyle), QStringLiteral("Envoi"));
}

void Composition::Envoyer() {
    Interface& ui = m_ovan.interface();
    Session& s = m_ovan.session();
    QTextEdit* saisie = ui.RichEdithWnd[ZoneSaisie];
    const QString texte = Trim(PrendreTexte(saisie));
    if (m_ovan.Etat() != EtatConnecte) {
        m_ovan.dialogues().Message(ui.FenetrehWnd, QStringLiteral("Vous devez d'abord vous connecter !"),
                                   QStringLiteral("Erreur"), Dialogues::Icone::Erreur);
        return;
    }
    LireFormat();
    // A line break travels as CR LF.
    QString surLeFil = texte;
    surLeFil.replace(u'\n', QLatin1String("\r\n"));
    const QByteArray trame = Trame::Message(s.IPolice, s.ICouleur, s.IStyle, surLeFil);
    // Decided on the bytes that travel: characters that Windows-1252 cannot hold become "?",
    // control characters are dropped, and the echo shows what the contact will read.
    const QByteArray octets = Trame::LireMessage(trame.mid(5, trame.size() - 6)).texte;
    if (octets.isEmpty() || RetourChariot(octets)) {
        return;
    }
    m_ovan.Sockets().Envoyer(trame);
    const QString envoye = Ansi::DepuisAnsi(octets).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    saisie->clear();
    QTextEdit* vue = ui.RichEdithWnd[ZoneConversation];
    AjouteTexte(vue, envoye, s.MonPseudo, Police(s.IPolice), Couleur(s.ICouleur), Style(s.IStyle),
                QStringLiteral("Texte"));
    s.DernierMess = m_ovan.smileys().MettreSmileys(vue, s.DernierMess);
    ui.BoutonhWnd[BoutonEnvoyer]->ReglerFace(QStringLiteral("img_envt_d"));
    ui.BoutonhWnd[BoutonEffacer]->ReglerFace(QStringLiteral("img_effa_e"));
}

void Composition::Effacer() {
    Interface& ui = m_ovan.interface();
    ui.BoutonhWnd[BoutonEffacer]->ReglerFace(QStringLiteral("img_effa_d"));
    QTextEdit* vue = ui.RichEdithWnd[ZoneConversation];
    if (!Trim(PrendreTexte(vue)).isEmpty()) {
        vue->clear();
        m_ovan.session().DernierMess = 0;
    }
    ui.FenetrehWnd->update();
}

bool Composition::eventFilter(QObject* objet, QEvent* event) {
    QTextEdit* saisie = m_ovan.interface().RichEdithWnd[ZoneSaisie];
    if (objet != saisie) {
        return false;
    }
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* touche = static_cast<QKeyEvent*>(event);
        m_ovan.presence().ToucheEnfoncee();
        const bool entree = touche->key() == Qt::Key_Return || touche->key() == Qt::Key_Enter;
        if (entree && !(touche->modifiers() & Qt::ControlModifier)) {
            m_ovan.ClicBouton(Commande::EnvoyerMessage);
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
    case QEvent::KeyRelease: m_ovan.presence().ToucheRelachee(); return false;
    case QEvent::FocusIn: {
        QScrollBar* barre = m_ovan.interface().RichEdithWnd[ZoneConversation]->verticalScrollBar();
        barre->setValue(barre->maximum());
        return false;
    }
    default: return false;
    }
}

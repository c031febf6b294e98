#include "ui/chat/ArriveeDonnees.h"

#include "core/chat/Conversation.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/conversation/VueConversation.h"
#include "ui/notify/Popup.h"
#include "ui/platform/Sons.h"

#include <QLineEdit>

QString TexteDernierMessage(const QDateTime& quand) {
    return QStringLiteral("Dernier message reçu le ") + quand.toString(QStringLiteral("dd/MM/yyyy")) +
           QStringLiteral(" à ") + quand.toString(QStringLiteral("HH:mm")) + u'.';
}

ArriveeDonnees::ArriveeDonnees(const FenetreChat& controles, Conversation& conversation, Popup& popup,
                               Sons& sons, VueConversation& vue, const QString& dossExec)
    : m_c(controles), m_conversation(conversation), m_popup(popup), m_sons(sons), m_vue(vue),
      m_dossExec(dossExec) {
    const Conversation* c = &m_conversation;
    connect(c, &Conversation::contactConnecte, this, &ArriveeDonnees::RecuLog);
    connect(c, &Conversation::messageRecu, this, &ArriveeDonnees::RecuTexte);
    connect(c, &Conversation::presenceChange, this, &ArriveeDonnees::RecuStatut);
    connect(c, &Conversation::frappeChange, this, &ArriveeDonnees::RecuFrappe);
    connect(c, &Conversation::attentePseudo, this,
            [this] { m_vue.Message(QStringLiteral("Attente du pseudo de votre contact..."), false); });
}

void ArriveeDonnees::RecuLog() {
    const QString& pseudo = m_conversation.SonPseudo();
    m_vue.Message(pseudo + QStringLiteral(" s'est connecté(e)."), true);
    m_c.sonStatut->setText(QStringLiteral("Présent(e)"));
    // Told whether the window is in front or not.
    m_popup.Notifier(pseudo + QStringLiteral("\r\nvient de\r\nse connecter"), QString(),
                     QRect(0, 50, 183, 50), QRect(0, 70, 183, 50));
    m_sons.Jouer(m_dossExec + QStringLiteral("Sons/coucou.wav"));
    emit avertir(pseudo + QStringLiteral(" vient de se connecter"), QString());
}

void ArriveeDonnees::RecuTexte(int police, int couleur, int style, const QString& texte) {
    const QString& pseudo = m_conversation.SonPseudo();
    m_vue.Texte(texte, pseudo, police, couleur, style);
    FenetrePrincipale* fenetre = m_c.fenetre;
    const QString son = m_dossExec + QStringLiteral("Sons/msg.wav");
    if (!fenetre->isVisible()) {
        // Hidden in the notification area: shown minimised on the task bar, flashing, and the pop-up.
        fenetre->setWindowOpacity(1.0);
        fenetre->showMinimized();
        emit clignoter();
        m_popup.Notifier(pseudo + QStringLiteral(" dit :"), texte, QRect(0, 50, 183, 20),
                         QRect(0, 70, 183, 50));
        m_sons.Jouer(son);
        emit avertir(pseudo + QStringLiteral(" dit :"), texte);
    } else if (!fenetre->isActiveWindow() || fenetre->isMinimized()) {
        emit clignoter();
        m_sons.Jouer(son);
        emit avertir(pseudo + QStringLiteral(" dit :"), texte);
    }
    m_c.Statut(0, TexteDernierMessage(*m_conversation.DernierMessage()));
}

void ArriveeDonnees::RecuStatut() {
    const bool absent = m_conversation.SaPresence() == Conversation::PresenceContact::Absente;
    m_c.sonStatut->setText(absent ? QStringLiteral("Absent(e)") : QStringLiteral("Présent(e)"));
    m_vue.Message(m_conversation.SonPseudo() +
                      (absent ? QStringLiteral(" s'est absenté(e).") : QStringLiteral(" est en ligne.")),
                  true);
}

void ArriveeDonnees::RecuFrappe(bool ecrit) {
    const auto& dernier = m_conversation.DernierMessage();
    m_c.Statut(0, ecrit ? m_conversation.SonPseudo() + QStringLiteral(" est en train de taper un message...")
                        : (dernier ? TexteDernierMessage(*dernier) : QString()));
}

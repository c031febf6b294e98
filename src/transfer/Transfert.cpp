#include "transfer/Transfert.h"

#include "app/FenetreOvan.h"
#include "app/Interface.h"
#include "app/Session.h"
#include "chat/EnvoiTrames.h"
#include "chat/SocketsChat.h"
#include "conversation/VueConversation.h"
#include "platform/Dialogues.h"

#include <QTextEdit>

void Transfert::OffrirFichier() {}

void Transfert::OuvrirFichier() {}

void Transfert::Annuler() {}

void Transfert::RecuOffre(const QString& nom, const QByteArray& tailleTexte) {
    Q_UNUSED(tailleTexte);
    // No file can be received yet: refuse at once so that the contact does not wait.
    m_envoi.Reponse(false);
    m_vue.MessageFin(QStringLiteral("Vous avez refusé la réception de '") + nom + QStringLiteral("'."));
}

void Transfert::RecuReponse(bool oui) {
    Q_UNUSED(oui);
}

void Transfert::RecuAnnulation() {
    m_session.Annulation = true;
    m_dialogues.Message(m_interface.TransferthWnd, QStringLiteral("Le transfert a été annulé !"),
                        QStringLiteral("Annulation"), Dialogues::Icone::Information);
}

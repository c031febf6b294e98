#include "transfer/Transfert.h"

#include "app/FenetreOvan.h"
#include "app/Interface.h"
#include "app/Ovan.h"
#include "chat/SocketsChat.h"
#include "conversation/AjouteTexte.h"
#include "platform/Dialogues.h"

#include <QTextEdit>

void Transfert::OffrirFichier() {}

void Transfert::OuvrirFichier() {}

void Transfert::Annuler() {}

void Transfert::RecuOffre(const QString& nom, const QByteArray& tailleTexte) {
    Q_UNUSED(tailleTexte);
    // No file can be received yet: refuse at once so that the contact does not wait.
    m_ovan.Sockets().Envoyer(Trame::Rps(false));
    QTextEdit* vue = m_ovan.interface().RichEdithWnd[ZoneConversation];
    AjouteMessage(vue, QStringLiteral("Vous avez refusé la réception de '") + nom + QStringLiteral("'."));
    m_ovan.session().DernierMess = FinConversation(vue);
}

void Transfert::RecuReponse(bool oui) {
    Q_UNUSED(oui);
}

void Transfert::RecuAnnulation() {
    m_ovan.session().Annulation = true;
    m_ovan.dialogues().Message(m_ovan.interface().TransferthWnd,
                               QStringLiteral("Le transfert a été annulé !"), QStringLiteral("Annulation"),
                               Dialogues::Icone::Information);
}

#include "chat/ArriveeDonnees.h"

#include "app/Interface.h"
#include "app/Session.h"
#include "conversation/AjouteTexte.h"
#include "platform/Ansi.h"

#include <QLineEdit>
#include <QTextEdit>

ArriveeDonnees::ArriveeDonnees(Interface& interface, Session& session, QObject* parent)
    : QObject(parent), m_interface(interface), m_session(session) {}

void ArriveeDonnees::Traiter(const QList<Trame::TrameRecue>& trames) {
    for (const Trame::TrameRecue& trame : trames) {
        switch (trame.balise) {
        case Trame::Balise::LOG: RecuLog(trame.donnee); break;
        case Trame::Balise::PSE: RecuPse(trame.donnee); break;
        case Trame::Balise::ATT: RecuAtt(); break;
        default: break;
        }
        emit trameTraitee(trame);
    }
}

void ArriveeDonnees::RecuLog(const QByteArray& donnee) {
    m_session.SonPseudo = Ansi::DepuisAnsi(donnee);
    QTextEdit* vue = m_interface.RichEdithWnd[ZoneConversation];
    AjouteMessage(vue, m_session.SonPseudo + QStringLiteral(" s'est connecté(e)."));
    m_session.DernierMess = FinConversation(vue);
    m_interface.TextBoxhWnd[ZoneSonStatut]->setText(QStringLiteral("Présent(e)"));
}

void ArriveeDonnees::RecuPse(const QByteArray& donnee) {
    m_session.SonPseudo = Ansi::DepuisAnsi(donnee);
}

void ArriveeDonnees::RecuAtt() {
    AjouteMessage(m_interface.RichEdithWnd[ZoneConversation],
                  QStringLiteral("Attente du pseudo de votre contact..."));
}

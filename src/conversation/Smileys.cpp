#include "conversation/Smileys.h"

#include "app/BoutonImage.h"
#include "app/FenetreOvan.h"
#include "app/FenetrePrincipale.h"
#include "app/Interface.h"
#include "app/Session.h"
#include "chat/SocketsChat.h"
#include "conversation/AjouteTexte.h"
#include "conversation/Composition.h"

#include <QTextEdit>

bool Smileys::Inserer(int k) {
    if (k < 1 || k > 25) {
        return false;
    }
    Interface& ui = m_interface;
    LireFormat(ui, m_session);
    const Session& s = m_session;
    QTextEdit* saisie = ui.RichEdithWnd[ZoneSaisie];
    AjouteTexte(saisie, QString::fromUtf8(CodesSmileys[k]), QString(), Police(s.IPolice), Couleur(s.ICouleur),
                Style(s.IStyle), QStringLiteral("Ajout"));
    if (m_sockets.Etat() == EtatConnecte) {
        ui.FaceEnvoi(true);
    }
    return true;
}

int Smileys::MettreSmileys(QTextEdit* vue, int debut) {
    // The pictures come with the smiley files; until then the codes stay text.
    Q_UNUSED(debut);
    return FinConversation(vue);
}

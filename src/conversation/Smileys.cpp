#include "conversation/Smileys.h"

#include "app/BoutonImage.h"
#include "app/FenetreOvan.h"
#include "app/FenetrePrincipale.h"
#include "app/Interface.h"
#include "app/Ovan.h"
#include "chat/SocketsChat.h"
#include "conversation/AjouteTexte.h"
#include "conversation/Composition.h"

#include <QTextEdit>

void Smileys::Inserer(int k) {
    if (k < 1 || k > 25) {
        return;
    }
    Interface& ui = m_ovan.interface();
    m_ovan.composition().LireFormat();
    const Session& s = m_ovan.session();
    QTextEdit* saisie = ui.RichEdithWnd[ZoneSaisie];
    AjouteTexte(saisie, QString::fromUtf8(CodesSmileys[k]), QString(), Police(s.IPolice), Couleur(s.ICouleur),
                Style(s.IStyle), QStringLiteral("Ajout"));
    if (m_ovan.Etat() == EtatConnecte) {
        ui.BoutonhWnd[BoutonEnvoyer]->ReglerFace(QStringLiteral("img_envt_e"));
    }
    m_ovan.FermerModal(ui.SmileyhWnd);
    saisie->setFocus();
}

int Smileys::MettreSmileys(QTextEdit* vue, int debut) {
    // The pictures come with the smiley files; until then the codes stay text.
    Q_UNUSED(debut);
    return FinConversation(vue);
}

#include "ui/chat/Connexion.h"

#include "core/conversation/Texte.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/conversation/VueConversation.h"
#include "ui/platform/Dialogues.h"

#include <QAction>
#include <QLineEdit>
#include <QTextEdit>

namespace {
const QString TitreFenetre = QStringLiteral("OVAN Messenger");
}

Connexion::Connexion(const FenetreChat& controles, QWidget* fenetreTransfert, VueConversation& vue,
                     Conversation& conversation, Dialogues& dialogues)
    : m_c(controles), m_fenetreTransfert(fenetreTransfert), m_vue(vue), m_conversation(conversation),
      m_dialogues(dialogues) {
    Conversation* c = &m_conversation;
    connect(c, &Conversation::etatChange, this,
            [this](EtatConnexion, const QString& texte) { m_c.Statut(1, texte); });
    connect(c, &Conversation::ecouteImpossible, this, [this](quint16 port) {
        m_dialogues.Message(port == SocketsChat::PortChat ? m_c.fenetre : m_fenetreTransfert,
                            QStringLiteral("Impossible d'écouter !"), QStringLiteral("Erreur"),
                            Dialogues::Icone::Erreur);
    });
    connect(c, &Conversation::appelRecu, this, [this](const QString& adresse) {
        if (adresse != QLatin1String("0.0.0.0")) {
            m_c.adresse->setText(adresse);
        }
    });
    connect(c, &Conversation::connectee, this, &Connexion::Connecte);
    connect(c, &Conversation::echecConnexion, this, [this] {
        m_dialogues.Message(m_c.fenetre, QStringLiteral("La connexion a échouée !"),
                            QStringLiteral("Erreur de connexion"), Dialogues::Icone::Erreur);
    });
    connect(c, &Conversation::terminee, this, &Connexion::Terminee);
    // What is typed is what the next connection uses.
    connect(m_c.pseudo, &QLineEdit::textChanged, c, &Conversation::ReglerPseudoSaisi);
    connect(m_c.adresse, &QLineEdit::textChanged, c, &Conversation::ReglerAdresse);
    m_conversation.ReglerPseudoSaisi(m_c.pseudo->text());
    m_conversation.ReglerAdresse(m_c.adresse->text());
}

void Connexion::CommandeConnecter() {
    QString texte;
    switch (m_conversation.Connecter(m_c.adresse->text())) {
    case Conversation::Appel::Lance: return;
    case Conversation::Appel::DejaConnecte:
        m_dialogues.Message(m_c.fenetre, QStringLiteral("Vous êtes déjà connecté(e) !"),
                            QStringLiteral("Attention !"), Dialogues::Icone::Attention);
        return;
    case Conversation::Appel::SansPseudo: texte = QStringLiteral("Il faut rentrer un pseudo !"); break;
    case Conversation::Appel::SansAdresse:
        texte = QStringLiteral("Il faut rentrer une adresse de contact !");
        break;
    }
    m_dialogues.Message(m_c.fenetre, texte, QStringLiteral("Erreur"), Dialogues::Icone::Erreur);
}

void Connexion::Connecte(bool sansPseudo) {
    m_c.pseudo->setEnabled(false);
    m_c.adresse->setEnabled(false);
    m_c.pseudo->setText(m_conversation.PseudoSaisi());
    if (sansPseudo && m_demanderPseudo) {
        m_demanderPseudo();
    }
    m_c.fenetre->setWindowTitle(TitreFenetre + QStringLiteral(" - Présent"));
    m_c.fenetre->ElementMenu(Menu::Connecter)->setEnabled(false);
    m_vue.MessageFin(QStringLiteral("Vous vous êtes connecté(e)."));
    m_c.FaceEnvoi(!Trim(m_c.saisie->toPlainText()).isEmpty());
    m_c.effacer->ReglerFace(QStringLiteral("img_effa_e"));
    m_c.connecter->ReglerFace(QStringLiteral("img_conn_d"));
    m_c.deconnecter->ReglerFace(QStringLiteral("img_deco_e"));
    m_c.saisie->setFocus();
}

void Connexion::FacesDeconnecte() {
    m_c.FaceEnvoi(false);
    m_c.connecter->ReglerFace(QStringLiteral("img_conn_e"));
    m_c.absent->ReglerFace(QStringLiteral("img_abst_e"));
    m_c.present->ReglerFace(QStringLiteral("img_prst_d"));
    m_c.deconnecter->ReglerFace(QStringLiteral("img_deco_d"));
}

void Connexion::Terminee(Conversation::Fin fin, bool etaitConnectee) {
    if (fin == Conversation::Fin::ParNous && etaitConnectee) {
        m_vue.MessageFin(QStringLiteral("Vous vous êtes déconnecté(e)."));
    }
    // Boxes editable again, plain title, the connect menu item enabled.
    m_c.pseudo->setEnabled(true);
    m_c.adresse->setEnabled(true);
    m_c.fenetre->setWindowTitle(TitreFenetre);
    m_c.fenetre->ElementMenu(Menu::Connecter)->setEnabled(true);
    // The contact is gone: its last status no longer says anything true.
    m_c.sonStatut->clear();
    switch (fin) {
    case Conversation::Fin::ParContact:
        m_vue.Message(m_conversation.SonPseudo() + QStringLiteral(" s'est déconnecté(e)."));
        FacesDeconnecte();
        break;
    case Conversation::Fin::ParNous: FacesDeconnecte(); break;
    case Conversation::Fin::Erreur:
        // A broken conversation is over: neither the connect nor the disconnect face may say otherwise.
        m_c.connecter->ReglerFace(QStringLiteral("img_conn_e"));
        m_c.FaceEnvoi(false);
        m_c.deconnecter->ReglerFace(QStringLiteral("img_deco_d"));
        break;
    }
}

void Connexion::CommandeDeconnecter() {
    m_conversation.Deconnecter();
}

#include "ui/chat/Connexion.h"

#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"
#include "ui/app/Session.h"
#include "core/chat/EnvoiTrames.h"
#include "core/chat/SocketsChat.h"
#include "core/conversation/Texte.h"
#include "ui/conversation/VueConversation.h"
#include "ui/platform/Dialogues.h"
#include "core/transfer/CanalFichier.h"

#include <QAction>
#include <QLineEdit>
#include <QTextEdit>
#include <QTimer>

namespace {
const QString TitreFenetre = QStringLiteral("OVAN Messenger");
}

Connexion::Connexion(Interface& interface, VueConversation& vue, SocketsChat& sockets, CanalFichier& canal,
                     EnvoiTrames& envoi, Dialogues& dialogues, Session& session)
    : m_interface(interface), m_vue(vue), m_sockets(sockets), m_canal(canal), m_envoi(envoi),
      m_dialogues(dialogues), m_session(session) {
    connect(&m_sockets, &SocketsChat::etatChange, this, &Connexion::AfficherEtat);
    connect(&m_sockets, &SocketsChat::appelAccepte, this, &Connexion::DemandeConnexion);
    connect(&m_sockets, &SocketsChat::connexionEtablie, this, &Connexion::Connecte);
    connect(&m_sockets, &SocketsChat::fermeture, this, [this] { Differer(&Connexion::Fermer); });
    connect(&m_sockets, &SocketsChat::erreur, this, [this] { Differer(&Connexion::Erreur); });
}

void Connexion::Differer(void (Connexion::*reaction)()) {
    const quint64 episode = m_sockets.Episode();
    auto executer = [this, reaction, episode] {
        if (episode == m_sockets.Episode()) {
            (this->*reaction)();
        }
    };
    if (m_differer) {
        m_differer(std::move(executer));
    } else {
        QTimer::singleShot(0, this, std::move(executer));
    }
}

void Connexion::AfficherEtat(int, const QString& texte) {
    m_interface.TexteBarreStatut(1, texte);
}

void Connexion::Ecouter() {
    if (!m_sockets.Ecouter()) {
        m_dialogues.Message(m_interface.FenetrehWnd, QStringLiteral("Impossible d'écouter !"),
                            QStringLiteral("Erreur"), Dialogues::Icone::Erreur);
    }
}

void Connexion::Ecouter2() {
    if (!m_canal.Ecouter()) {
        m_dialogues.Message(m_interface.TransferthWnd, QStringLiteral("Impossible d'écouter !"),
                            QStringLiteral("Erreur"), Dialogues::Icone::Erreur);
    }
}

void Connexion::CommandeConnecter() {
    QWidget* fenetre = m_interface.FenetrehWnd;
    if (m_sockets.Etat() == EtatConnecte) {
        m_dialogues.Message(fenetre, QStringLiteral("Vous êtes déjà connecté(e) !"),
                            QStringLiteral("Attention !"), Dialogues::Icone::Attention);
        return;
    }
    if (Trim(m_interface.TextBoxhWnd[ZonePseudo]->text()).isEmpty()) {
        m_dialogues.Message(fenetre, QStringLiteral("Il faut rentrer un pseudo !"), QStringLiteral("Erreur"),
                            Dialogues::Icone::Erreur);
        return;
    }
    const QString adresse = Trim(m_interface.TextBoxhWnd[ZoneAdresse]->text());
    if (adresse.isEmpty()) {
        m_dialogues.Message(fenetre, QStringLiteral("Il faut rentrer une adresse de contact !"),
                            QStringLiteral("Erreur"), Dialogues::Icone::Erreur);
        return;
    }
    // The nickname is read again when the connection completes.
    m_sockets.Connecter(adresse, SocketsChat::Origine::Commande);
}

void Connexion::DemandeConnexion(const QString& adresse) {
    if (adresse != QLatin1String("0.0.0.0")) {
        m_interface.TextBoxhWnd[ZoneAdresse]->setText(adresse);
    }
    // This side called first: both connections now exist.
    if (m_sockets.Etat() == EtatConnecte) {
        return;
    }
    m_sockets.Connecter(Trim(m_interface.TextBoxhWnd[ZoneAdresse]->text()), SocketsChat::Origine::Retour);
}

void Connexion::Connecte() {
    QLineEdit* pseudo = m_interface.TextBoxhWnd[ZonePseudo];
    pseudo->setEnabled(false);
    m_interface.TextBoxhWnd[ZoneAdresse]->setEnabled(false);
    const QString nom = Trim(pseudo->text());
    pseudo->setText(nom);
    m_sockets.ReglEtat(EtatConnecte);
    if (!nom.isEmpty()) {
        m_session.MonPseudo = nom;
        m_envoi.Log(m_session.MonPseudo);
    } else {
        m_envoi.Att();
        if (m_demanderPseudo) {
            m_demanderPseudo();
        }
    }
    m_interface.FenetrehWnd->setWindowTitle(TitreFenetre + QStringLiteral(" - Présent"));
    m_interface.FenetrehWnd->ElementMenu(Menu::Connecter)->setEnabled(false);
    m_vue.MessageFin(QStringLiteral("Vous vous êtes connecté(e)."));

    auto& boutons = m_interface.BoutonhWnd;
    const bool texteSaisi = !Trim(m_interface.RichEdithWnd[ZoneSaisie]->toPlainText()).isEmpty();
    m_interface.FaceEnvoi(texteSaisi);
    boutons[BoutonEffacer]->ReglerFace(QStringLiteral("img_effa_e"));
    boutons[BoutonConnecter]->ReglerFace(QStringLiteral("img_conn_d"));
    boutons[BoutonDeconnecter]->ReglerFace(QStringLiteral("img_deco_e"));
    m_interface.RichEdithWnd[ZoneSaisie]->setFocus();
}

void Connexion::FacesDeconnecte() {
    auto& boutons = m_interface.BoutonhWnd;
    m_interface.FaceEnvoi(false);
    boutons[BoutonConnecter]->ReglerFace(QStringLiteral("img_conn_e"));
    boutons[BoutonAbsent]->ReglerFace(QStringLiteral("img_abst_e"));
    boutons[BoutonPresent]->ReglerFace(QStringLiteral("img_prst_d"));
    boutons[BoutonDeconnecter]->ReglerFace(QStringLiteral("img_deco_d"));
}

void Connexion::RetourSaisie() {
    m_interface.TextBoxhWnd[ZonePseudo]->setEnabled(true);
    m_interface.TextBoxhWnd[ZoneAdresse]->setEnabled(true);
    m_interface.FenetrehWnd->setWindowTitle(TitreFenetre);
    m_interface.FenetrehWnd->ElementMenu(Menu::Connecter)->setEnabled(true);
}

void Connexion::Fermer() {
    m_sockets.FermerClient();
    m_sockets.FermerServeur();
    m_sockets.ReglEtat(EtatDeconnecte);
    Ecouter();
    RetourSaisie();
    // The contact is gone: its last status no longer says anything true.
    m_interface.TextBoxhWnd[ZoneSonStatut]->clear();
    m_vue.Message(m_session.SonPseudo + QStringLiteral(" s'est déconnecté(e)."));
    FacesDeconnecte();
}

void Connexion::Erreur() {
    // The box runs its own event loop: a second failing socket must not stack a second box.
    if (m_erreurEnCours) {
        return;
    }
    m_erreurEnCours = true;
    m_sockets.FermerServeur();
    m_sockets.ReglEtat(EtatErreur);
    m_dialogues.Message(m_interface.FenetrehWnd, QStringLiteral("La connexion a échouée !"),
                        QStringLiteral("Erreur de connexion"), Dialogues::Icone::Erreur);
    m_sockets.ReglEtat(EtatDeconnecte);
    Ecouter();
    // A broken conversation is over: neither the title, the contact's status nor the disconnect
    // face may say otherwise.
    RetourSaisie();
    m_interface.TextBoxhWnd[ZoneSonStatut]->clear();
    auto& boutons = m_interface.BoutonhWnd;
    boutons[BoutonConnecter]->ReglerFace(QStringLiteral("img_conn_e"));
    m_interface.FaceEnvoi(false);
    boutons[BoutonDeconnecter]->ReglerFace(QStringLiteral("img_deco_d"));
    m_erreurEnCours = false;
}

void Connexion::CommandeDeconnecter() {
    // What the contact sent before the user disconnected is shown before it, not after.
    if (m_vider) {
        m_vider();
    }
    if (m_sockets.Etat() == EtatConnecte) {
        m_vue.MessageFin(QStringLiteral("Vous vous êtes déconnecté(e)."));
    }
    m_sockets.FermerClient();
    m_sockets.FermerServeur();
    // The file port listens again: a transfer under way ends.
    m_canal.Annuler();
    m_sockets.ReglEtat(EtatDeconnecte);
    Ecouter();
    Ecouter2();
    RetourSaisie();
    m_interface.TextBoxhWnd[ZoneSonStatut]->clear();
    FacesDeconnecte();
}

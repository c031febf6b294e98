#include "app/Ovan.h"

#include "app/BoutonImage.h"
#include "app/FenetrePrincipale.h"
#include "app/Interface.h"
#include "chat/ArriveeDonnees.h"
#include "chat/Connexion.h"
#include "chat/SocketsChat.h"

Ovan::Ovan(const Parametres& parametres, QObject* parent)
    : QObject(parent), m_parametres(parametres), m_interface(std::make_unique<Interface>()),
      m_sockets(new SocketsChat(parametres.AdresseLocale, this)),
      m_connexion(new Connexion(*m_interface, *m_sockets, *parametres.dialogues, m_session, this)),
      m_arrivee(new ArriveeDonnees(*m_interface, m_session, this)) {
    Q_ASSERT(parametres.dialogues);
    if (!m_parametres.DossExec.endsWith(u'/')) {
        m_parametres.DossExec += u'/';
    }
    connect(m_sockets, &SocketsChat::tramesRecues, m_arrivee, &ArriveeDonnees::Traiter);

    for (BoutonImage* bouton : m_interface->BoutonhWnd) {
        if (bouton) {
            connect(bouton, &BoutonImage::clicked, this, [this, bouton] { ClicBouton(bouton->Id() - 300); });
        }
    }
    FenetrePrincipale* fenetre = m_interface->FenetrehWnd;
    connect(fenetre, &FenetrePrincipale::commandeMenu, this, &Ovan::MenuCommande);
    connect(fenetre, &FenetrePrincipale::fermee, this, [this] {
        Arreter();
        emit arrete();
    });
}

Ovan::~Ovan() {
    // Signals of the sockets must not reach the windows while both go away.
    m_sockets->disconnect(this);
    m_sockets->disconnect(m_connexion);
    m_sockets->disconnect(m_arrivee);
}

int Ovan::Etat() const {
    return m_sockets->Etat();
}

void Ovan::Demarrer() {
    m_sockets->ReglEtat(0);
    m_interface->FenetrehWnd->show();
    m_connexion->Ecouter();
    m_connexion->Ecouter2();
}

void Ovan::Arreter() {
    if (m_arrete) {
        return;
    }
    m_arrete = true;
    ClicBouton(4);
    m_sockets->FermerServeur();
    m_sockets->FermerClient();
    m_sockets->FermerFichierEnvoi();
    m_sockets->FermerFichierReception();
}

void Ovan::MenuCommande(int id) {
    switch (id) {
    case 900: ClicBouton(3); break;
    case 901: ClicBouton(4); break;
    default: break;
    }
}

void Ovan::ClicBouton(int index) {
    switch (index) {
    case 3: m_connexion->CommandeConnecter(); break;
    case 4: m_connexion->CommandeDeconnecter(); break;
    default: break;
    }
}

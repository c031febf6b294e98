#include "app/Ovan.h"

#include "app/APropos.h"
#include "app/BoutonImage.h"
#include "app/FenetreOvan.h"
#include "app/FenetrePrincipale.h"
#include "app/Fondu.h"
#include "app/Interface.h"
#include "chat/ArriveeDonnees.h"
#include "chat/Connexion.h"
#include "chat/Presence.h"
#include "chat/SocketsChat.h"
#include "conversation/AjouteTexte.h"
#include "conversation/Composition.h"
#include "conversation/Smileys.h"
#include "conversation/Texte.h"
#include "network/Reseau.h"
#include "notify/Popup.h"
#include "platform/Dialogues.h"
#include "platform/Shell.h"
#include "platform/Sons.h"
#include "settings/ChoixPseudo.h"
#include "settings/FichierConfig.h"
#include "settings/Options.h"
#include "tools/Capture.h"
#include "tools/Compression.h"
#include "tools/ConversionImages.h"
#include "transfer/Transfert.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHostInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QTextEdit>

Ovan::Ovan(const Parametres& parametres, QObject* parent)
    : QObject(parent), m_parametres(parametres), m_interface(std::make_unique<Interface>()),
      m_sockets(new SocketsChat(parametres.AdresseLocale, this)),
      m_connexion(new Connexion(*m_interface, *m_sockets, *parametres.dialogues, m_session, this)),
      m_arrivee(new ArriveeDonnees(*this, this)), m_composition(std::make_unique<Composition>(*this)),
      m_smileys(std::make_unique<Smileys>(*this)), m_presence(std::make_unique<Presence>(*this)),
      m_transfert(std::make_unique<Transfert>(*this)), m_reseau(std::make_unique<Reseau>(*this)),
      m_capture(std::make_unique<Capture>(*this)), m_compression(std::make_unique<Compression>(*this)),
      m_conversion(std::make_unique<ConversionImages>(*this)), m_options(std::make_unique<Options>(*this)),
      m_choixPseudo(std::make_unique<ChoixPseudo>(*this)), m_apropos(std::make_unique<APropos>(*this)),
      m_popup(std::make_unique<Popup>(m_interface->PopuphWnd, m_interface->LabelhWnd[LabelTitrePopup],
                                      m_interface->LabelhWnd[LabelCorpsPopup],
                                      [this] { RestaurerPrincipale(); })) {
    Q_ASSERT(parametres.dialogues && parametres.shell && parametres.sons);
    if (!m_parametres.DossExec.endsWith(u'/')) {
        m_parametres.DossExec += u'/';
    }
    m_session.DossFichRecus = DossierParDefaut();
    connect(m_sockets, &SocketsChat::tramesRecues, m_arrivee, &ArriveeDonnees::Traiter);
    // A close or an error comes after the frames read before it; a disconnect command too,
    // and what cannot be handled then (a frame's box is open) belonged to the ended conversation.
    m_connexion->ReglerFile([this](std::function<void()> reaction) { m_arrivee->Apres(std::move(reaction)); },
                            [this] {
                                m_arrivee->ToutTraiter();
                                m_arrivee->Abandonner();
                            });
    m_connexion->ReglerDemandePseudo([this] { m_choixPseudo->Afficher(); });

    m_clignotement.setInterval(1500);
    connect(&m_clignotement, &QTimer::timeout, this,
            [this] { QApplication::alert(m_interface->FenetrehWnd, 0); });

    CablerFenetres();
}

Ovan::~Ovan() {
    // Signals of the sockets must not reach the windows while both go away.
    m_sockets->disconnect(this);
    m_sockets->disconnect(m_connexion);
    m_sockets->disconnect(m_arrivee);
}

QString Ovan::DossierCourant() {
    QString dossier = QDir::currentPath();
    if (!dossier.endsWith(u'/')) {
        dossier += u'/';
    }
    return dossier;
}

int Ovan::Etat() const {
    return m_sockets->Etat();
}

void Ovan::CablerFenetres() {
    Interface& ui = *m_interface;
    for (BoutonImage* bouton : ui.BoutonhWnd) {
        if (bouton) {
            connect(bouton, &BoutonImage::clicked, this, [this, bouton] { ClicBouton(bouton->Id() - 300); });
        }
    }
    for (int slot = 1; slot < int(ui.CheckBoxhWnd.size()); ++slot) {
        if (QCheckBox* c = ui.CheckBoxhWnd[slot]) {
            connect(c, &QCheckBox::clicked, this, [this, slot] { ClicBouton(450 + slot); });
        }
    }

    FenetrePrincipale* fenetre = ui.FenetrehWnd;
    connect(fenetre, &FenetrePrincipale::commandeMenu, this, &Ovan::CommandeMenu);
    connect(fenetre, &FenetrePrincipale::fermetureDemandee, this, &Ovan::FermetureFenetrePrincipale);
    connect(fenetre, &FenetrePrincipale::activee, this, &Ovan::ActivationFenetrePrincipale);

    // Windows that give the main window back when they have faded out.
    for (FenetreOvan* f : {ui.ApposhWnd, ui.OptionshWnd}) {
        connect(&f->fondu(), &Fondu::masquee, fenetre, [fenetre] { fenetre->Activer(true); });
    }
    // What the close box of each secondary window means.
    connect(ui.OptionshWnd, &FenetreOvan::fermetureDemandee, this, [this] { ClicBouton(53); });
    for (FenetreOvan* f :
         {ui.ApposhWnd, ui.TransferthWnd, ui.ReseauhWnd, ui.ImageshWnd, ui.CompressionhWnd}) {
        connect(f, &FenetreOvan::fermetureDemandee, f, [f] { f->fondu().Sortir(); });
    }
    // The nickname window must be answered; the pickers and the pop-up have no close box.

    // The image window's quality list follows its format.
    connect(ui.ComboBoxhWnd[ListeFormat], &QComboBox::currentIndexChanged, this, [&ui](int format) {
        MettreQualite(ui.ComboBoxhWnd[ListeQualite], format);
        ui.ComboBoxhWnd[ListeQualite]->setCurrentIndex(0);
    });

    // The shortcuts work from every window of the program, and act on the main window.
    for (QWidget* f : ui.Fenetres()) {
        if (f != fenetre) {
            for (int id : fenetre->IdsMenu()) {
                f->addAction(fenetre->ElementMenu(id));
            }
        }
    }

    // Links in the conversation view and the input box open with the desktop's programs.
    for (int slot : {ZoneConversation, ZoneSaisie}) {
        ui.RichEdithWnd[slot]->viewport()->installEventFilter(this);
    }
}

bool Ovan::eventFilter(QObject* objet, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int slot : {ZoneConversation, ZoneSaisie}) {
            QTextEdit* zone = m_interface->RichEdithWnd[slot];
            if (objet == zone->viewport()) {
                const QString lien =
                    Trim(LienA(zone, static_cast<QMouseEvent*>(event)->position().toPoint()));
                if (!lien.isEmpty()) {
                    shell().Ouvrir(lien, m_interface->FenetrehWnd);
                }
            }
        }
    }
    return QObject::eventFilter(objet, event);
}

void Ovan::Demarrer() {
    Interface& ui = *m_interface;
    ui.TextBoxhWnd[ZoneNomPoste]->setText(QHostInfo::localHostName());
    m_sockets->ReglEtat(EtatDeconnecte);
    // The main window first: the Options window that a missing folder forces open comes after it,
    // so it ends in front and usable, not hidden behind it.
    ui.FenetrehWnd->fondu().Entrer();
    m_options->RechargerConfig();
    m_session.MonPseudo = Trim(ui.TextBoxhWnd[ZonePseudo]->text());
    m_session.DossFichRecus = Trim(ui.TextBoxhWnd[ZoneOptionsDossier]->text());
    m_connexion->Ecouter();
    m_connexion->Ecouter2();
}

void Ovan::Arreter() {
    if (m_arrete) {
        return;
    }
    m_arrete = true;
    // Nothing the contact sent is worth a box once the user has chosen to quit.
    m_arrivee->Abandonner();
    ClicBouton(4);
    m_sockets->FermerServeur();
    m_sockets->FermerClient();
    m_sockets->FermerFichierEnvoi();
    m_sockets->FermerFichierReception();
    for (QWidget* f : m_interface->Fenetres()) {
        f->hide();
    }
    emit arrete();
}

void Ovan::DemanderQuitter() {
    const auto reponse = dialogues().Message(
        m_interface->FenetrehWnd, QStringLiteral("Voulez-vous réellement quitter ?"),
        QStringLiteral("OVAN Messenger"), Dialogues::Icone::Question, Dialogues::Boutons::OuiNon);
    if (reponse != Dialogues::Reponse::Non) {
        Arreter();
    }
}

void Ovan::FermetureFenetrePrincipale() {
    FenetrePrincipale* fenetre = m_interface->FenetrehWnd;
    if (!m_iconeNotification) {
        // Without an icon in the notification area a hidden window could not be found again.
        fenetre->showMinimized();
        return;
    }
    if (fenetre->isVisible() && !fenetre->fondu().EnCours()) {
        fenetre->fondu().Sortir();
        sons().Jouer(DossExec() + QStringLiteral("Sons/close.wav"));
    }
}

void Ovan::ActivationFenetrePrincipale() {
    m_clignotement.stop();
    Interface& ui = *m_interface;
    if (Etat() == EtatConnecte) {
        ui.RichEdithWnd[ZoneSaisie]->setFocus();
    } else {
        ui.TextBoxhWnd[ZoneAdresse]->setFocus();
    }
}

void Ovan::RestaurerPrincipale() {
    FenetrePrincipale* fenetre = m_interface->FenetrehWnd;
    fenetre->setWindowOpacity(1.0);
    fenetre->Restaurer();
    fenetre->raise();
    fenetre->activateWindow();
}

void Ovan::Clignoter() {
    QApplication::alert(m_interface->FenetrehWnd, 0);
    m_clignotement.start();
}

void Ovan::AfficherModal(QWidget* fenetre) {
    fenetre->show();
    fenetre->raise();
    m_interface->FenetrehWnd->Activer(false);
}

void Ovan::FermerModal(QWidget* fenetre) {
    m_interface->FenetrehWnd->Activer(true);
    fenetre->hide();
}

void Ovan::OuvrirOptions() {
    FenetreOvan* options = m_interface->OptionshWnd;
    const bool cachee = !options->isVisible() && !options->fondu().EnCours();
    options->fondu().Entrer();
    if (cachee) {
        m_options->RechargerConfig();
    }
    m_interface->FenetrehWnd->Activer(false);
}

void Ovan::CommandeMenu(int id) {
    Interface& ui = *m_interface;
    switch (id) {
    case 900: ClicBouton(3); break;
    case 901: ClicBouton(4); break;
    case 902: ClicBouton(8); break;
    case 903: ClicBouton(10); break;
    case 904: DemanderQuitter(); break;
    case 905: ui.ImageshWnd->fondu().Entrer(); break;
    case 906: ui.CompressionhWnd->fondu().Entrer(); break;
    case 907: OuvrirOptions(); break;
    case 908: shell().Ouvrir(QString::fromLatin1(AdresseAvis), ui.FenetrehWnd); break;
    default: break;
    }
}

void Ovan::ClicBouton(int index) {
    emit commande(index);
    Interface& ui = *m_interface;
    if (index >= 20 && index <= 44) {
        m_smileys->Inserer(index - 19);
        return;
    }
    switch (index) {
    case 1: m_composition->Effacer(); break;
    case 2: m_composition->Envoyer(); break;
    case 3: m_connexion->CommandeConnecter(); break;
    case 4: m_connexion->CommandeDeconnecter(); break;
    case 5: DemanderQuitter(); break;
    case 6: m_presence->Absent(); break;
    case 7: m_presence->Present(); break;
    case 8: m_transfert->OffrirFichier(); break;
    case 9: AfficherModal(ui.SmileyhWnd); break;
    case 10: shell().Ouvrir(m_session.DossFichRecus, ui.FenetrehWnd); break;
    case 11:
        ui.ApposhWnd->fondu().Entrer();
        ui.FenetrehWnd->Activer(false);
        break;
    case 12: m_reseau->Ouvrir(); break;
    case 13: AfficherModal(ui.StyleTextehWnd); break;
    case 14: m_capture->Capturer(); break;
    case 45: FermerModal(ui.SmileyhWnd); break;
    case 46: FermerModal(ui.StyleTextehWnd); break;
    case 47: m_apropos->OuvrirNotice(); break;
    case 48: m_options->Parcourir(); break;
    case 49: m_compression->Compresser(); break;
    case 50: m_compression->Decompresser(); break;
    case 51: m_choixPseudo->Valider(); break;
    case 52: m_options->Valider(); break;
    case 53: m_options->Annuler(); break;
    case 54: m_options->Appliquer(); break;
    case 55:
    case 56:
    case 57:
    case 58: m_compression->Choisir(index); break;
    case 59: m_conversion->ChoisirImage(); break;
    case 60: m_conversion->Convertir(); break;
    case 61: m_conversion->OuvrirDossier(); break;
    case 100: m_transfert->OuvrirFichier(); break;
    case 101: m_transfert->Annuler(); break;
    case 451:
    case 452:
    case 453: m_composition->ChangerStyle(); break;
    default: break; // 454 to 457 and unknown numbers do nothing
    }
}

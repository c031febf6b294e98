#include "ui/app/Ovan.h"

#include "core/chat/Conversation.h"
#include "core/conversation/Texte.h"
#include "core/history/Historique.h"
#include "core/network/AnnonceDnssd.h"
#include "core/network/Dnssd.h"
#include "core/security/Confiance.h"
#include "core/security/Identite.h"
#include "core/settings/FichierConfig.h"
#include "ui/app/APropos.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/app/SysTray.h"
#include "ui/chat/ArriveeDonnees.h"
#include "ui/chat/Chiffrement.h"
#include "ui/chat/Connexion.h"
#include "ui/chat/Presence.h"
#include "ui/conversation/AjouteTexte.h"
#include "ui/conversation/Composition.h"
#include "ui/conversation/Smileys.h"
#include "ui/conversation/VueConversation.h"
#include "ui/history/FenetreHistorique.h"
#include "ui/network/Reseau.h"
#include "ui/notify/NotificationBureau.h"
#include "ui/notify/Popup.h"
#include "ui/platform/Dialogues.h"
#include "ui/platform/Shell.h"
#include "ui/platform/Sons.h"
#include "ui/settings/ChoixPseudo.h"
#include "ui/settings/Options.h"
#include "ui/tools/Capture.h"
#include "ui/tools/Compression.h"
#include "ui/tools/ConversionImages.h"
#include "ui/transfer/Transfert.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHostInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTextEdit>

namespace {

ChoixPseudo::Controles ControlesChoixPseudo(const Interface& ui) {
    QList<QWidget*> autres;
    for (QWidget* f : ui.Fenetres()) {
        if (f != ui.PseudohWnd) {
            autres.append(f);
        }
    }
    return {ui.PseudohWnd,  ui.TextBoxhWnd[ZoneChoixPseudo], ui.BoutonhWnd[BoutonPseudoOk],
            ui.FenetrehWnd, ui.TextBoxhWnd[ZonePseudo],      ui.RichEdithWnd[ZoneSaisie],
            autres};
}
// The program folder always ends in "/": every file of the program is that folder and a name.
Ovan::Parametres AvecBarre(Ovan::Parametres parametres) {
    if (!parametres.DossExec.endsWith(u'/')) {
        parametres.DossExec += u'/';
    }
    if (parametres.DossEcriture.isEmpty()) {
        parametres.DossEcriture = parametres.DossExec;
    } else if (!parametres.DossEcriture.endsWith(u'/')) {
        parametres.DossEcriture += u'/';
    }
    return parametres;
}
} // namespace

Ovan::Ovan(const Parametres& parametres, QObject* parent)
    : QObject(parent), m_parametres(AvecBarre(parametres)), m_interface(std::make_unique<Interface>()),
      m_conversation(std::make_unique<Conversation>(m_parametres.AdresseLocale)),
      m_popup(std::make_unique<Popup>(m_interface->PopuphWnd, m_interface->LabelhWnd[LabelTitrePopup],
                                      m_interface->LabelhWnd[LabelCorpsPopup],
                                      [this] { RestaurerPrincipale(); })),
      m_presence(std::make_unique<Presence>(FenetreChat::De(*m_interface), *m_conversation)),
      m_smileys(std::make_unique<Smileys>(FenetreChat::De(*m_interface), SelecteurFormat::De(*m_interface),
                                          *m_conversation, m_parametres.DossExec)),
      m_vue(std::make_unique<VueConversation>(m_interface->RichEdithWnd[ZoneConversation], *m_smileys)),
      m_composition(std::make_unique<Composition>(FenetreChat::De(*m_interface),
                                                  SelecteurFormat::De(*m_interface), *m_conversation,
                                                  dialogues(), *m_presence, *m_vue)),
      m_transfert(std::make_unique<Transfert>(
          ControlesTransfert::De(*m_interface), *m_vue, *m_conversation,
          Transfert::Services{dialogues(), shell(), sons(), *m_popup, m_parametres.DossExec})),
      m_connexion(std::make_unique<Connexion>(FenetreChat::De(*m_interface), m_interface->TransferthWnd,
                                              *m_vue, *m_conversation, dialogues())),
      m_chiffrement(std::make_unique<Chiffrement>(FenetreChat::De(*m_interface), m_interface->VerrouhWnd,
                                                  *m_vue, *m_conversation, dialogues())),
      m_arrivee(std::make_unique<ArriveeDonnees>(FenetreChat::De(*m_interface), *m_conversation, *m_popup,
                                                 sons(), *m_vue, m_parametres.DossExec)),
      m_choixPseudo(std::make_unique<ChoixPseudo>(ControlesChoixPseudo(*m_interface), *m_conversation)),
      m_options(std::make_unique<Options>(ControlesReglages::De(*m_interface), dialogues(), *m_conversation,
                                          *m_composition, m_parametres.DossEcriture)),
      m_sourceDnssd(parametres.sourceReseau ? nullptr : std::make_unique<SourceDnssd>()),
      m_reseau(std::make_unique<Reseau>(
          Reseau::Controles{m_interface->ReseauhWnd, m_interface->ComboBoxhWnd[ListeDomaines],
                            m_interface->ListViewhWnd[1], m_interface->LabelhWnd[LabelIpInternet],
                            m_interface->FenetrehWnd, m_interface->TextBoxhWnd[ZoneAdresse],
                            m_interface->LabelhWnd[LabelAdressesPoste]},
          shell(), parametres.sourceReseau ? *parametres.sourceReseau : *m_sourceDnssd)),
      m_capture(std::make_unique<Capture>(
          Capture::Controles{m_interface->FenetrehWnd, m_interface->ComboBoxhWnd[ListeOptionsFormat],
                             m_interface->ComboBoxhWnd[ListeOptionsQualite],
                             m_interface->CheckBoxhWnd[CaseEnvoyerCapture]},
          *m_conversation, dialogues(), *m_transfert, m_parametres.DossEcriture)),
      m_compression(std::make_unique<Compression>(
          Compression::Controles{m_interface->CompressionhWnd, m_interface->TextBoxhWnd[ZoneACompresser],
                                 m_interface->TextBoxhWnd[ZoneArchiveCreee],
                                 m_interface->TextBoxhWnd[ZoneADecompresser],
                                 m_interface->TextBoxhWnd[ZoneFichierCree]},
          dialogues())),
      m_conversion(std::make_unique<ConversionImages>(
          ConversionImages::Controles{
              m_interface->FenetrehWnd, m_interface->ImageshWnd, m_interface->TextBoxhWnd[ZoneImage],
              m_interface->BoutonhWnd[BoutonConvertir], m_interface->BoutonhWnd[BoutonOuvrirDossier],
              m_interface->ComboBoxhWnd[ListeFormat], m_interface->ComboBoxhWnd[ListeQualite]},
          dialogues(), shell())),
      m_apropos(
          std::make_unique<APropos>(APropos::Controles{m_interface->ApposhWnd, m_interface->LabelApposhWnd,
                                                       m_interface->BoutonhWnd[BoutonNotice]},
                                    shell(), dialogues(), m_parametres.DossExec)),
      m_sysTray(std::make_unique<SysTray>()) {
    Q_ASSERT(parametres.dialogues && parametres.shell && parametres.sons);
    m_conversation->ReglerDossierReception(DossierParDefaut());
    m_connexion->ReglerDemandePseudo([this] { m_choixPseudo->Afficher(); });
    connect(m_arrivee.get(), &ArriveeDonnees::clignoter, this, &Ovan::Clignoter);
    connect(m_transfert.get(), &Transfert::clignoter, this, &Ovan::Clignoter);
    connect(m_arrivee.get(), &ArriveeDonnees::avertir, this, &Ovan::Avertir);
    connect(m_transfert.get(), &Transfert::avertir, this, &Ovan::Avertir);

    m_clignotement.setInterval(1500);
    connect(&m_clignotement, &QTimer::timeout, this,
            [this] { QApplication::alert(m_interface->FenetrehWnd, 0); });

    CablerFenetres();
}

Ovan::~Ovan() {
    // What the subsystems still write while they go is not kept: the history goes first.
    m_vue->ReglerJournal({});
}

#ifndef OVAN_DONNEES_INSTALLEES
#define OVAN_DONNEES_INSTALLEES ""
#endif
Emplacements Ovan::EmplacementsProgramme() {
    return Emplacements::Choisir(QCoreApplication::applicationDirPath(),
                                 QStringLiteral(OVAN_DONNEES_INSTALLEES));
}

EtatConnexion Ovan::Etat() const {
    return m_conversation->Etat();
}

SocketsChat& Ovan::Sockets() {
    return m_conversation->Sockets();
}

void Ovan::CablerFenetres() {
    Interface& ui = *m_interface;
    for (BoutonImage* bouton : ui.BoutonhWnd) {
        if (bouton) {
            connect(bouton, &BoutonImage::clicked, this,
                    [this, bouton] { ClicBouton(CommandeDuBouton(bouton->Id())); });
        }
    }
    for (int slot = 1; slot < int(ui.CheckBoxhWnd.size()); ++slot) {
        if (QCheckBox* c = ui.CheckBoxhWnd[slot]) {
            connect(c, &QCheckBox::clicked, this,
                    [this, c] { ClicBouton(CommandeDuBouton(c->property("id").toInt())); });
        }
    }

    FenetrePrincipale* fenetre = ui.FenetrehWnd;
    connect(m_sysTray.get(), &SysTray::doubleClic, this, [this] { AfficherDepuisNotification(false); });
    // One click shows or hides, as on other Linux desktops; the double click that follows it shows.
    connect(m_sysTray.get(), &SysTray::clic, this, [this, fenetre] {
        if (fenetre->isVisible() && !fenetre->isMinimized() && !fenetre->fondu().EnCours()) {
            MasquerVersNotification();
        } else {
            AfficherDepuisNotification(false);
        }
    });
    connect(m_sysTray.get(), &SysTray::ouvrir, this, [this] { AfficherDepuisNotification(true); });
    // The notification area's "Quitter" asks nothing.
    connect(m_sysTray.get(), &SysTray::quitter, this, &Ovan::Arreter);
    connect(fenetre, &FenetrePrincipale::commandeMenu, this, [this](int id) { CommandeMenu(Menu(id)); });
    connect(fenetre, &FenetrePrincipale::fermetureDemandee, this, &Ovan::FermetureFenetrePrincipale);
    connect(fenetre, &FenetrePrincipale::activee, this, &Ovan::ActivationFenetrePrincipale);

    // Windows that give the main window back when they have faded out.
    for (FenetreOvan* f : {ui.ApposhWnd, ui.OptionshWnd}) {
        connect(&f->fondu(), &Fondu::masquee, fenetre, [fenetre] { fenetre->Activer(true); });
    }
    connect(&ui.ReseauhWnd->fondu(), &Fondu::masquee, this, [this, fenetre] {
        fenetre->Activer(true);
        if (m_posteChoisi) {
            m_posteChoisi = false;
            RestaurerPrincipale();
            m_interface->TextBoxhWnd[ZoneAdresse]->setFocus();
        }
    });
    connect(m_reseau.get(), &Reseau::posteChoisi, this, [this] { m_posteChoisi = true; });
    // The nickname announced on the network follows the one used in the conversation.
    connect(m_conversation.get(), &Conversation::connectee, this, &Ovan::AnnoncerPseudo);
    // What the close box of each secondary window means; Escape does the same.
    for (auto signal : {&FenetreOvan::fermetureDemandee, &FenetreOvan::echap}) {
        connect(ui.OptionshWnd, signal, this, [this] { ClicBouton(Commande::AnnulerOptions); });
        for (FenetreOvan* f : {ui.ApposhWnd, ui.ReseauhWnd, ui.ImageshWnd, ui.CompressionhWnd}) {
            connect(f, signal, f, [f] { f->fondu().Sortir(); });
        }
    }
    // The nickname window must be answered, the transfer window closes by its own button; the
    // pickers and the pop-up have no close box. Escape runs their own close command: the pickers'
    // Quitter, the transfer window's Fermer once the transfer is over (before, its button cancels).
    connect(ui.SmileyhWnd, &FenetreOvan::echap, this, [this] { ClicBouton(Commande::FermerSmileys); });
    connect(ui.StyleTextehWnd, &FenetreOvan::echap, this, [this] { ClicBouton(Commande::FermerPolice); });
    connect(ui.TransferthWnd, &FenetreOvan::echap, this, [this] {
        if (!m_conversation->TransfertEnCours()) {
            ClicBouton(Commande::AnnulerTransfert);
        }
    });
    // Enter in the nickname box answers as its OK button (a window that is no dialog has no default button).
    connect(ui.TextBoxhWnd[ZoneChoixPseudo], &QLineEdit::returnPressed, this,
            [this] { ClicBouton(Commande::ValiderPseudo); });

    // The image window's quality list follows its format.
    connect(ui.ComboBoxhWnd[ListeFormat], &QComboBox::currentIndexChanged, this, [&ui](int format) {
        MettreQualite(ui.ComboBoxhWnd[ListeQualite], format);
        ui.ComboBoxhWnd[ListeQualite]->setCurrentIndex(0);
    });

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
    m_conversation->Sockets().ReglEtat(EtatConnexion::Deconnecte);
    // The main window first: the Options window that a missing folder forces open comes after it,
    // so it ends in front and usable, not hidden behind it.
    ui.FenetrehWnd->fondu().Entrer();
    m_options->RechargerConfig();
    m_conversation->ReglerMonPseudo(Trim(ui.TextBoxhWnd[ZonePseudo]->text()));
    m_conversation->ReglerDossierReception(Trim(ui.TextBoxhWnd[ZoneOptionsDossier]->text()));
    DemarrerChiffrement();
    m_conversation->Ecouter();
    m_conversation->EcouterFichiers();
    m_annonce = std::make_unique<AnnonceDnssd>(SocketsChat::PortChat, m_conversation->MonPseudo());
    DemarrerHistorique();
    if (m_parametres.iconeNotification) {
        AjouterIconeNotification();
    }
}

void Ovan::Arreter() {
    if (m_arrete) {
        return;
    }
    m_arrete = true;
    // Nothing the contact sent is worth a box once the user has chosen to quit.
    m_conversation->Abandonner();
    ClicBouton(Commande::Deconnecter);
    m_conversation->Sockets().FermerServeur();
    m_conversation->Sockets().FermerClient();
    m_sysTray->RetireIcone();
    m_iconeNotification = false;
    m_annonce.reset();
    for (QWidget* f : m_interface->Fenetres()) {
        f->hide();
    }
    if (m_fenetreHistorique) {
        m_fenetreHistorique->Fenetre()->hide();
    }
    emit arrete();
}

void Ovan::DemarrerChiffrement() {
    const Identites::Resultat cle = Identites::Charger(DossEcriture());
    const auto dire = [this](const QString& texte) {
        dialogues().Message(m_interface->FenetrehWnd, texte, QStringLiteral("Chiffrement"),
                            Dialogues::Icone::Attention);
    };
    if (cle.etat == Identites::Etat::Remplacee) {
        dire(
            QStringLiteral("Attention : ") + cle.pourquoi +
            QStringLiteral(". Une nouvelle clé a été créée ; vos contacts seront avertis qu'elle a changé."));
    } else if (cle.etat == Identites::Etat::Impossible) {
        dire(QStringLiteral("Vos conversations ne seront pas chiffrées : ") + cle.pourquoi + u'.');
        return;
    }
    m_confiance = std::make_unique<Confiance>(DossEcriture() + QStringLiteral("cles-contacts.txt"));
    m_conversation->ReglerChiffrement(cle.identite, m_confiance.get());
}

void Ovan::DemarrerHistorique() {
    Interface& ui = *m_interface;
    m_historique = std::make_unique<BaseHistorique>(DossEcriture() + QStringLiteral("historique.db"));
    // Said once: the chat goes on without it.
    connect(m_historique.get(), &BaseHistorique::horsService, this, [&ui](const QString& raison) {
        ui.TexteBarreStatut(0, QStringLiteral("L'historique est désactivé : ") + raison + u'.');
    });
    m_fenetreHistorique =
        std::make_unique<FenetreHistorique>(ui.FenetrehWnd, *m_historique, *m_smileys, dialogues());
    m_vue->ReglerJournal([this](EntreeHistorique entree) {
        entree.Moment = QDateTime::currentDateTimeUtc();
        bool ipv4 = false;
        const QHostAddress contact = m_conversation->Sockets().AdresseContact();
        const quint32 valeur = contact.toIPv4Address(&ipv4);
        if (!contact.isNull()) {
            m_dernierContact = ipv4 ? QHostAddress(valeur).toString() : contact.toString();
        }
        entree.Adresse = m_dernierContact;
        entree.PseudoContact = m_conversation->PseudoDeCetteConversation();
        m_historique->Ajouter(entree);
    });
}

void Ovan::OuvrirHistorique() {
    if (m_fenetreHistorique) {
        m_fenetreHistorique->Ouvrir();
    }
}

void Ovan::AnnoncerPseudo() {
    if (m_annonce) {
        m_annonce->Pseudo(m_conversation->MonPseudo());
    }
}

void Ovan::DemanderQuitter() {
    const auto reponse = dialogues().Message(
        m_interface->FenetrehWnd, QStringLiteral("Voulez-vous réellement quitter ?"),
        QStringLiteral("OVAN Messenger"), Dialogues::Icone::Question, Dialogues::Boutons::OuiNon);
    if (reponse != Dialogues::Reponse::Non) {
        Arreter();
    }
}

void Ovan::ActivationFenetrePrincipale() {
    m_clignotement.stop();
    Interface& ui = *m_interface;
    if (Etat() == EtatConnexion::Connecte) {
        ui.RichEdithWnd[ZoneSaisie]->setFocus();
    } else {
        ui.TextBoxhWnd[ZoneAdresse]->setFocus();
    }
}

void Ovan::AfficherModal(QWidget* fenetre) {
    fenetre->show();
    fenetre->raise();
    // The keyboard goes to the picker: the main window under it is disabled.
    fenetre->activateWindow();
    m_interface->FenetrehWnd->Activer(false);
}

void Ovan::FermerModal(QWidget* fenetre) {
    m_interface->FenetrehWnd->Activer(true);
    fenetre->hide();
    // The picker was for the message being written: the user goes on there.
    m_interface->RichEdithWnd[ZoneSaisie]->setFocus();
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

void Ovan::CommandeMenu(Menu id) {
    Interface& ui = *m_interface;
    switch (id) {
    case Menu::Connecter: ClicBouton(Commande::Connecter); break;
    case Menu::Deconnecter: ClicBouton(Commande::Deconnecter); break;
    case Menu::EnvoyerFichier: ClicBouton(Commande::EnvoyerFichier); break;
    case Menu::FichiersRecus: ClicBouton(Commande::OuvrirFichiersRecus); break;
    case Menu::Quitter: DemanderQuitter(); break;
    case Menu::ConversionImages: ui.ImageshWnd->fondu().Entrer(); break;
    case Menu::Compression: ui.CompressionhWnd->fondu().Entrer(); break;
    case Menu::Options: OuvrirOptions(); break;
    case Menu::Avis: shell().Ouvrir(QString::fromLatin1(AdresseAvis), ui.FenetrehWnd); break;
    case Menu::Historique: OuvrirHistorique(); break;
    case Menu::CodeSurete: m_chiffrement->MontrerCode(); break;
    }
}

void Ovan::ClicBouton(Commande commande) {
    emit this->commande(int(commande));
    Interface& ui = *m_interface;
    const int n = int(commande);
    if (n >= int(Commande::PremierSmiley) && n <= int(Commande::DernierSmiley)) {
        m_smileys->Inserer(n - int(Commande::PremierSmiley) + 1);
        FermerModal(ui.SmileyhWnd);
        ui.RichEdithWnd[ZoneSaisie]->setFocus();
        return;
    }
    if (n >= int(Commande::ChoisirACompresser) && n <= int(Commande::ChoisirCibleDecompression)) {
        m_compression->Choisir(n);
        return;
    }
    switch (commande) {
    case Commande::EffacerConversation: m_composition->Effacer(); break;
    case Commande::EnvoyerMessage: m_composition->Envoyer(); break;
    case Commande::Connecter: m_connexion->CommandeConnecter(); break;
    case Commande::Deconnecter: m_connexion->CommandeDeconnecter(); break;
    case Commande::Quitter: DemanderQuitter(); break;
    case Commande::Absent: m_presence->Absent(); break;
    case Commande::Present: m_presence->Present(); break;
    case Commande::EnvoyerFichier: m_transfert->OffrirFichier(); break;
    case Commande::OuvrirSmileys: AfficherModal(ui.SmileyhWnd); break;
    case Commande::OuvrirFichiersRecus:
        shell().Ouvrir(m_conversation->DossierReception(), ui.FenetrehWnd);
        break;
    case Commande::OuvrirAPropos:
        ui.ApposhWnd->fondu().Entrer();
        ui.FenetrehWnd->Activer(false);
        break;
    case Commande::OuvrirReseau: m_reseau->Ouvrir(); break;
    case Commande::OuvrirPolice: AfficherModal(ui.StyleTextehWnd); break;
    case Commande::CaptureEcran: m_capture->Capturer(); break;
    case Commande::FermerSmileys: FermerModal(ui.SmileyhWnd); break;
    case Commande::FermerPolice: FermerModal(ui.StyleTextehWnd); break;
    case Commande::OuvrirNotice: m_apropos->OuvrirNotice(); break;
    case Commande::ParcourirDossier: m_options->Parcourir(); break;
    case Commande::Compresser: m_compression->Compresser(); break;
    case Commande::Decompresser: m_compression->Decompresser(); break;
    case Commande::ValiderPseudo:
        m_choixPseudo->Valider();
        AnnoncerPseudo();
        break;
    case Commande::ValiderOptions:
        m_options->Valider();
        AnnoncerPseudo();
        break;
    case Commande::AnnulerOptions: m_options->Annuler(); break;
    case Commande::AppliquerOptions:
        m_options->Appliquer();
        AnnoncerPseudo();
        break;
    case Commande::ChoisirImage: m_conversion->ChoisirImage(); break;
    case Commande::ConvertirImage: m_conversion->Convertir(); break;
    case Commande::OuvrirDossierImage: m_conversion->OuvrirDossier(); break;
    case Commande::OuvrirFichierTransfere: m_transfert->OuvrirFichier(); break;
    case Commande::AnnulerTransfert: m_transfert->Annuler(); break;
    case Commande::Gras:
    case Commande::Italique:
    case Commande::Souligne: m_composition->ChangerStyle(); break;
    default: break; // the Options check boxes (454 to 457) and unknown numbers do nothing
    }
}

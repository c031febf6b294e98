// One running copy of the messenger: its windows, sockets, state and commands.
#pragma once

#include "core/chat/SocketsChat.h"
#include "core/platform/Emplacements.h"
#include "ui/app/Commandes.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

class APropos;
class AnnonceDnssd;
class BaseHistorique;
class FenetreHistorique;
class NotificationBureau;
class SysTray;
class ArriveeDonnees;
class Capture;
class Chiffrement;
class Confiance;
class ChoixPseudo;
class Composition;
class Compression;
class Connexion;
class ConversionImages;
class Dialogues;
class Interface;
class Options;
class Popup;
class Presence;
class Reseau;
class Shell;
class SourceReseau;
class Smileys;
class Sons;
class Conversation;
class Transfert;
class VueConversation;

// The maker's feedback address (menu "Donner mon avis").
inline constexpr char AdresseAvis[] = "mailto:avis@ovan-messenger.fr";

class Ovan : public QObject {
    Q_OBJECT
public:
    struct Parametres {
        // The program's own files (sounds, smileys, the guide), ending in "/".
        QString DossExec;
        // Where config.ini, the history and the captures go; empty: DossExec.
        QString DossEcriture;
        // Where to listen and connect from; tests give each copy its own 127.0.0.x.
        QHostAddress AdresseLocale = QHostAddress(QHostAddress::AnyIPv4);
        Dialogues* dialogues = nullptr;
        Shell* shell = nullptr;
        Sons* sons = nullptr;
        // Start-up puts the icon in the notification area (tests without one leave it out).
        bool iconeNotification = true;
        // Where the network window finds the computers; null: the system's mDNS daemon.
        SourceReseau* sourceReseau = nullptr;
    };

    explicit Ovan(const Parametres& parametres, QObject* parent = nullptr);
    ~Ovan() override;

    // The program's own folder and the one it writes in, from where the executable lies.
    static Emplacements EmplacementsProgramme();

    // Start-up: state, settings, the main window fading in, listening on both ports.
    void Demarrer();
    // Runs a command (a button, a check box, a menu item, or a subsystem for the record).
    void ClicBouton(Commande commande);
    // The main window's menu items and their shortcuts.
    void CommandeMenu(Menu id);
    // Disconnects, then closes the four sockets and hides every window: what quitting does.
    void Arreter();

    // Puts the icon in the notification area, or says that it could not.
    void AjouterIconeNotification();
    // Whether a notification-area icon exists: without one the close box minimises instead.
    void ReglerIconeNotification(bool presente) { m_iconeNotification = presente; }
    bool IconeNotification() const { return m_iconeNotification; }
    SysTray& sysTray() { return *m_sysTray; }
    // The icon's double click (parMenu false) or its menu's "Ouvrir": the hidden main window
    // fades in where it was.
    void AfficherDepuisNotification(bool parMenu);
    // Flashes the main window until it is active again.
    void Clignoter();
    bool Clignote() const { return m_clignotement.isActive(); }
    // Hides a picker and gives the main window back.
    void FermerModal(QWidget* fenetre);
    // Shows the main window at its remembered place, in front.
    void RestaurerPrincipale();

    const QString& DossExec() const { return m_parametres.DossExec; }
    const QString& DossEcriture() const { return m_parametres.DossEcriture; }
    Interface& interface() { return *m_interface; }
    Conversation& conversation() { return *m_conversation; }
    SocketsChat& Sockets();
    Connexion& connexion() { return *m_connexion; }
    ArriveeDonnees& Arrivee() { return *m_arrivee; }
    Dialogues& dialogues() { return *m_parametres.dialogues; }
    Shell& shell() { return *m_parametres.shell; }
    Sons& sons() { return *m_parametres.sons; }
    Popup& popup() { return *m_popup; }
    Composition& composition() { return *m_composition; }
    Smileys& smileys() { return *m_smileys; }
    VueConversation& vueConversation() { return *m_vue; }
    Presence& presence() { return *m_presence; }
    Transfert& transfert() { return *m_transfert; }
    APropos& aPropos() { return *m_apropos; }
    Reseau& reseau() { return *m_reseau; }
    // This copy's announcement on the local network; null before start-up and after quitting.
    AnnonceDnssd* annonce() { return m_annonce.get(); }
    // The conversation history and its window; null before start-up.
    BaseHistorique* historique() { return m_historique.get(); }
    FenetreHistorique* fenetreHistorique() { return m_fenetreHistorique.get(); }
    EtatConnexion Etat() const;

signals:
    // The copy has stopped: the application may end.
    void arrete();
    // Every command run, for the record.
    void commande(int index);

private:
    void CablerFenetres();
    void DemanderQuitter();
    void FermetureFenetrePrincipale();
    // Fades the main window out to the notification area; false when it was not shown.
    bool MasquerVersNotification();
    void DireUneFoisOuEstLaFenetre();
    void Avertir(const QString& titre, const QString& corps);
    void ActivationFenetrePrincipale();
    void AfficherModal(QWidget* fenetre);
    void OuvrirOptions();
    void AnnoncerPseudo();
    void OuvrirHistorique();
    void DemarrerHistorique();
    void DemarrerChiffrement();
    bool eventFilter(QObject* objet, QEvent* event) override;

    // Declared in the order they depend on each other: each is built after, and goes before, what
    // it holds a reference to.
    Parametres m_parametres;
    std::unique_ptr<Interface> m_interface;
    // The contacts' keys as first seen; made at start-up when this copy has a key of its own.
    std::unique_ptr<Confiance> m_confiance;
    std::unique_ptr<Conversation> m_conversation;
    std::unique_ptr<Popup> m_popup;
    // Made at the first notice given without a notification area.
    std::unique_ptr<NotificationBureau> m_bureau;
    std::unique_ptr<Presence> m_presence;
    std::unique_ptr<Smileys> m_smileys;
    std::unique_ptr<VueConversation> m_vue;
    std::unique_ptr<Composition> m_composition;
    std::unique_ptr<Transfert> m_transfert;
    std::unique_ptr<Connexion> m_connexion;
    std::unique_ptr<Chiffrement> m_chiffrement;
    std::unique_ptr<ArriveeDonnees> m_arrivee;
    std::unique_ptr<ChoixPseudo> m_choixPseudo;
    std::unique_ptr<Options> m_options;
    std::unique_ptr<SourceReseau> m_sourceDnssd;
    std::unique_ptr<Reseau> m_reseau;
    std::unique_ptr<AnnonceDnssd> m_annonce;
    std::unique_ptr<Capture> m_capture;
    std::unique_ptr<Compression> m_compression;
    std::unique_ptr<ConversionImages> m_conversion;
    std::unique_ptr<APropos> m_apropos;
    std::unique_ptr<SysTray> m_sysTray;
    std::unique_ptr<BaseHistorique> m_historique;
    std::unique_ptr<FenetreHistorique> m_fenetreHistorique;
    // The last contact, for the entries written after the connection has gone.
    QString m_dernierContact;
    QTimer m_clignotement;
    bool m_iconeNotification = false;
    // A double click in the network window chose a computer: the main window takes the focus back.
    bool m_posteChoisi = false;
    bool m_arrete = false;
};

// The running copy on the desktop: its icon in the notification area, the desktop's notifications
// where there is none, the flashing, and the main window hidden and brought back.
#include "ui/app/Ovan.h"

#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/app/SysTray.h"
#include "ui/notify/NotificationBureau.h"
#include "ui/platform/Dialogues.h"
#include "ui/platform/Sons.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QSystemTrayIcon>

void Ovan::AjouterIconeNotification() {
    m_sysTray->Tip(QStringLiteral("OVAN Messenger"));
    m_iconeNotification = m_sysTray->AjouteIcone(DossExec() + QStringLiteral("OVAN_Messenger.ico"));
    if (!m_iconeNotification && !QSystemTrayIcon::isSystemTrayAvailable()) {
        // A desktop without a notification area is no error: the desktop's notifications stand in.
        m_interface->TexteBarreStatut(
            0, QStringLiteral(
                   "Pas de zone de notification : les avis passent par les notifications du bureau."));
    } else if (!m_iconeNotification) {
        dialogues().Message(m_interface->FenetrehWnd,
                            QStringLiteral("Erreur lors de la création de l'icône dans le SysTray"),
                            QStringLiteral("Erreur"), Dialogues::Icone::Erreur);
    }
}

void Ovan::AfficherDepuisNotification(bool parMenu) {
    FenetrePrincipale* fenetre = m_interface->FenetrehWnd;
    if (fenetre->isVisible() || fenetre->fondu().EnCours()) {
        // The menu's "Ouvrir" does nothing then; a double click brings the window to the front.
        if (!parMenu) {
            fenetre->fondu().AuPremierPlan();
        }
        return;
    }
    fenetre->fondu().Entrer();
    sons().Jouer(DossExec() + QStringLiteral("Sons/open.wav"));
}

void Ovan::FermetureFenetrePrincipale() {
    FenetrePrincipale* fenetre = m_interface->FenetrehWnd;
    if (!m_iconeNotification) {
        // Without an icon in the notification area a hidden window could not be found again.
        fenetre->showMinimized();
        return;
    }
    if (MasquerVersNotification()) {
        DireUneFoisOuEstLaFenetre();
    }
}

bool Ovan::MasquerVersNotification() {
    FenetrePrincipale* fenetre = m_interface->FenetrehWnd;
    if (!fenetre->isVisible() || fenetre->fondu().EnCours()) {
        return false;
    }
    fenetre->fondu().Sortir();
    sons().Jouer(DossExec() + QStringLiteral("Sons/close.wav"));
    return true;
}

void Ovan::DireUneFoisOuEstLaFenetre() {
    // Said the first time only; the mark lies with the user's settings.
    QFile marque(DossEcriture() + QStringLiteral(".zone-notification-expliquee"));
    if (marque.exists()) {
        return;
    }
    (void)marque.open(QIODevice::WriteOnly);
    m_sysTray->Icone()->showMessage(
        QStringLiteral("OVAN Messenger reste ouvert"),
        QStringLiteral("La fenêtre est dans la zone de notification : un clic sur "
                       "l'icône la rouvre, son menu permet de quitter."),
        QSystemTrayIcon::Information, 10000);
}

void Ovan::Avertir(const QString& titre, const QString& corps) {
    // With an icon in the notification area, the pop-up and the flashing say it already.
    const FenetrePrincipale* fenetre = m_interface->FenetrehWnd;
    const bool presente = fenetre->isVisible() && !fenetre->isMinimized() && fenetre->isActiveWindow();
    if (m_iconeNotification || presente || m_arrete) {
        return;
    }
    // No session bus, no service to ask: nothing is started for it.
    if (!m_bureau && (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") ||
                      QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus")))) {
        m_bureau = std::make_unique<NotificationBureau>();
        connect(m_bureau.get(), &NotificationBureau::activee, this, &Ovan::RestaurerPrincipale);
    }
    if (m_bureau) {
        m_bureau->Notifier(titre, corps);
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

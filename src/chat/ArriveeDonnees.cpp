#include "chat/ArriveeDonnees.h"

#include "app/FenetrePrincipale.h"
#include "app/Interface.h"
#include "app/Ovan.h"
#include "conversation/AjouteTexte.h"
#include "conversation/Smileys.h"
#include "notify/Popup.h"
#include "platform/Ansi.h"
#include "platform/Sons.h"
#include "transfer/Transfert.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTextEdit>
#include <QTimer>

namespace {
// Frames are handled for at most this long before the window gets its turn.
constexpr qint64 TrancheMs = 12;
} // namespace

QString TexteDernierMessage(const QDateTime& quand) {
    return QStringLiteral("Dernier message reçu le ") + quand.toString(QStringLiteral("dd/MM/yyyy")) +
           QStringLiteral(" à ") + quand.toString(QStringLiteral("HH:mm")) + u'.';
}

ArriveeDonnees::ArriveeDonnees(Ovan& ovan, QObject* parent) : QObject(parent), m_ovan(ovan) {}

void ArriveeDonnees::Traiter(const QList<Trame::TrameRecue>& trames) {
    m_file.append(trames);
    if (!m_enCours && !m_planifie) {
        Continuer();
    }
}

void ArriveeDonnees::Continuer() {
    m_planifie = false;
    // A box shown by a handler runs its own loop: frames read meanwhile wait their turn.
    if (m_enCours) {
        return;
    }
    m_enCours = true;
    QElapsedTimer montre;
    montre.start();
    while (m_suivante < m_file.size() && montre.elapsed() < TrancheMs) {
        Une(m_file[m_suivante++]);
    }
    if (m_suivante == m_file.size()) {
        m_file.clear();
        m_suivante = 0;
    } else if (!m_planifie) {
        m_planifie = true;
        QTimer::singleShot(0, this, &ArriveeDonnees::Continuer);
    }
    m_enCours = false;
}

void ArriveeDonnees::ToutTraiter() {
    if (m_enCours) {
        return;
    }
    m_enCours = true;
    while (m_suivante < m_file.size()) {
        Une(m_file[m_suivante++]);
    }
    m_file.clear();
    m_suivante = 0;
    m_enCours = false;
}

void ArriveeDonnees::Une(const Trame::TrameRecue& trame) {
    using Trame::Balise;
    Session& s = m_ovan.session();
    switch (trame.balise) {
    case Balise::LOG: RecuLog(Ansi::DepuisAnsi(trame.donnee)); break;
    case Balise::PSE: s.SonPseudo = Ansi::DepuisAnsi(trame.donnee); break;
    case Balise::ANN: m_ovan.transfert().RecuAnnulation(); break;
    case Balise::TXT: RecuTexte(trame.donnee); break;
    case Balise::DEM: RecuOffre(trame.donnee); break;
    case Balise::RPS: m_ovan.transfert().RecuReponse(trame.donnee == "OUI"); break;
    case Balise::STA: RecuStatut(trame.donnee); break;
    case Balise::TAP: RecuFrappe(trame.donnee); break;
    case Balise::ATT: Entree(QStringLiteral("Attente du pseudo de votre contact..."), false); break;
    case Balise::Inconnue: break;
    }
    emit trameTraitee(trame);
}

void ArriveeDonnees::Entree(const QString& texte, bool smileys) {
    QTextEdit* vue = m_ovan.interface().RichEdithWnd[ZoneConversation];
    AjouteMessage(vue, texte);
    if (smileys) {
        Session& s = m_ovan.session();
        s.DernierMess = m_ovan.smileys().MettreSmileys(vue, s.DernierMess);
    }
}

void ArriveeDonnees::RecuLog(const QString& pseudo) {
    Session& s = m_ovan.session();
    s.SonPseudo = pseudo;
    Entree(s.SonPseudo + QStringLiteral(" s'est connecté(e)."), true);
    m_ovan.interface().TextBoxhWnd[ZoneSonStatut]->setText(QStringLiteral("Présent(e)"));
    // Told whether the window is in front or not.
    m_ovan.popup().Notifier(s.SonPseudo + QStringLiteral("\r\nvient de\r\nse connecter"), QString(),
                            QRect(0, 50, 183, 50), QRect(0, 70, 183, 50));
    m_ovan.sons().Jouer(m_ovan.DossExec() + QStringLiteral("Sons/coucou.wav"));
}

void ArriveeDonnees::RecuTexte(const QByteArray& donnee) {
    const Trame::MessageTxt message = Trame::LireMessage(donnee);
    const QString texte = Ansi::DepuisAnsi(message.texte);
    Session& s = m_ovan.session();
    Interface& ui = m_ovan.interface();
    QTextEdit* vue = ui.RichEdithWnd[ZoneConversation];
    AjouteTexte(vue, texte, s.SonPseudo, Police(message.police), Couleur(message.couleur),
                Style(message.style), QStringLiteral("Texte"));
    s.DernierMess = m_ovan.smileys().MettreSmileys(vue, s.DernierMess);

    FenetrePrincipale* fenetre = ui.FenetrehWnd;
    const QString son = m_ovan.DossExec() + QStringLiteral("Sons/msg.wav");
    if (!fenetre->isVisible()) {
        // Hidden in the notification area: shown minimised on the task bar, flashing, and the pop-up.
        fenetre->setWindowOpacity(1.0);
        fenetre->showMinimized();
        m_ovan.Clignoter();
        m_ovan.popup().Notifier(s.SonPseudo + QStringLiteral(" dit :"), texte, QRect(0, 50, 183, 20),
                                QRect(0, 70, 183, 50));
        m_ovan.sons().Jouer(son);
    } else if (!fenetre->isActiveWindow() || fenetre->isMinimized()) {
        m_ovan.Clignoter();
        m_ovan.sons().Jouer(son);
    }
    s.Date2 = QDateTime::currentDateTime();
    ui.TexteBarreStatut(0, TexteDernierMessage(*s.Date2));
}

void ArriveeDonnees::RecuStatut(const QByteArray& donnee) {
    Session& s = m_ovan.session();
    QLineEdit* statut = m_ovan.interface().TextBoxhWnd[ZoneSonStatut];
    if (donnee == "abs") {
        statut->setText(QStringLiteral("Absent(e)"));
        Entree(s.SonPseudo + QStringLiteral(" s'est absenté(e)."), true);
    } else if (donnee == "prs") {
        statut->setText(QStringLiteral("Présent(e)"));
        Entree(s.SonPseudo + QStringLiteral(" est en ligne."), true);
    }
    // Any other payload means nothing.
}

void ArriveeDonnees::RecuFrappe(const QByteArray& donnee) {
    const Session& s = m_ovan.session();
    Interface& ui = m_ovan.interface();
    if (donnee == "ecr") {
        ui.TexteBarreStatut(0, s.SonPseudo + QStringLiteral(" est en train de taper un message..."));
    } else if (donnee == "vid") {
        ui.TexteBarreStatut(0, s.Date2 ? TexteDernierMessage(*s.Date2) : QString());
    }
}

void ArriveeDonnees::RecuOffre(const QByteArray& donnee) {
    const Trame::OffreFichier offre = Trame::LireOffre(donnee);
    m_ovan.transfert().RecuOffre(Ansi::DepuisAnsi(offre.nom), offre.tailleTexte);
}

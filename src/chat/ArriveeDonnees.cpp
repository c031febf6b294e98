#include "chat/ArriveeDonnees.h"

#include "app/FenetrePrincipale.h"
#include "app/Interface.h"
#include "app/Ovan.h"
#include "chat/SocketsChat.h"
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

namespace {
// Frames whose handler may ask the user something.
bool OuvreBoite(Trame::Balise balise) {
    using Trame::Balise;
    return balise == Balise::ANN || balise == Balise::DEM || balise == Balise::RPS;
}
QByteArray Cle(const Trame::TrameRecue& trame) {
    return trame.entete + trame.donnee;
}
} // namespace

void ArriveeDonnees::Traiter(const QList<Trame::TrameRecue>& trames) {
    for (const Trame::TrameRecue& trame : trames) {
        if (OuvreBoite(trame.balise)) {
            const QByteArray cle = Cle(trame);
            if (m_boites.contains(cle)) {
                continue;
            }
            m_boites.insert(cle);
        }
        m_file.push_back({trame, {}});
    }
    ReglerLecture();
    Planifier();
}

void ArriveeDonnees::Apres(std::function<void()> reaction) {
    m_file.push_back({{}, std::move(reaction)});
    Planifier();
}

void ArriveeDonnees::Planifier() {
    if (!m_planifie && !m_file.empty()) {
        m_planifie = true;
        QTimer::singleShot(0, this, &ArriveeDonnees::Continuer);
    }
}

void ArriveeDonnees::ReglerLecture() {
    SocketsChat& sockets = m_ovan.Sockets();
    const qsizetype taille = EnAttente();
    if (taille > LimiteFile && !sockets.LectureSuspendue()) {
        sockets.SuspendreLecture(true);
    } else if (taille <= LimiteFile / 4 && sockets.LectureSuspendue()) {
        sockets.SuspendreLecture(false);
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
    while (!m_file.empty() && montre.elapsed() < TrancheMs) {
        Suivant();
    }
    m_enCours = false;
    ReglerLecture();
    Planifier();
}

void ArriveeDonnees::Suivant() {
    Evenement evenement = std::move(m_file.front());
    m_file.pop_front();
    if (evenement.reaction) {
        evenement.reaction();
        return;
    }
    Une(evenement.trame);
    if (OuvreBoite(evenement.trame.balise)) {
        m_boites.remove(Cle(evenement.trame));
    }
}

void ArriveeDonnees::ToutTraiter() {
    if (m_enCours) {
        return;
    }
    m_enCours = true;
    while (!m_file.empty()) {
        Suivant();
    }
    m_enCours = false;
    ReglerLecture();
}

void ArriveeDonnees::Abandonner() {
    m_file.clear();
    m_boites.clear();
    ReglerLecture();
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

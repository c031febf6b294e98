#include "ui/chat/ArriveeDonnees.h"

#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"
#include "ui/app/Session.h"
#include "core/chat/SocketsChat.h"
#include "ui/conversation/VueConversation.h"
#include "ui/notify/Popup.h"
#include "ui/platform/Sons.h"
#include "ui/transfer/Transfert.h"

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

ArriveeDonnees::ArriveeDonnees(Interface& interface, SocketsChat& sockets, Session& session, Popup& popup,
                               Sons& sons, VueConversation& vue, Transfert& transfert,
                               const QString& dossExec)
    : m_interface(interface), m_sockets(sockets), m_session(session), m_popup(popup), m_sons(sons),
      m_vue(vue), m_transfert(transfert), m_dossExec(dossExec) {
    const DecodeurTrames* d = &m_decodeur;
    connect(d, &DecodeurTrames::connecte, this, &ArriveeDonnees::RecuLog);
    connect(d, &DecodeurTrames::pseudoChange, this,
            [this](const QString& pseudo) { m_session.SonPseudo = pseudo; });
    connect(d, &DecodeurTrames::message, this, &ArriveeDonnees::RecuTexte);
    connect(d, &DecodeurTrames::statut, this, &ArriveeDonnees::RecuStatut);
    connect(d, &DecodeurTrames::frappe, this, &ArriveeDonnees::RecuFrappe);
    connect(d, &DecodeurTrames::attentePseudo, this,
            [this] { m_vue.Message(QStringLiteral("Attente du pseudo de votre contact..."), false); });
    connect(d, &DecodeurTrames::offre, this, [this](const QString& nom, qint64 taille, const QByteArray&) {
        m_transfert.RecuOffre(nom, taille, m_offrePendantQuestion);
    });
    connect(d, &DecodeurTrames::reponse, this, [this](bool oui) { m_transfert.RecuReponse(oui); });
    connect(d, &DecodeurTrames::annulation, this, [this] { m_transfert.RecuAnnulation(); });
}

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
        // One offer is asked at a time: those read while another is asked or waits to be are
        // refused without a question.
        const bool offre = trame.balise == Trame::Balise::DEM;
        m_file.push_back({trame,
                          {},
                          m_sockets.Episode(),
                          offre && (m_transfert.QuestionOuverte() || m_offresEnAttente > 0)});
        m_offresEnAttente += offre ? 1 : 0;
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
    const qsizetype taille = EnAttente();
    if (taille > LimiteFile && !m_sockets.LectureSuspendue()) {
        m_sockets.SuspendreLecture(true);
    } else if (taille <= LimiteFile / 4 && m_sockets.LectureSuspendue()) {
        m_sockets.SuspendreLecture(false);
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
    const Trame::Balise balise = evenement.trame.balise;
    m_offresEnAttente -= balise == Trame::Balise::DEM ? 1 : 0;
    // An offer or an answer from a contact who has left asks nothing and starts nothing.
    const bool parti = evenement.episode != m_sockets.Episode() || m_sockets.ContactParti();
    if (!parti || (balise != Trame::Balise::DEM && balise != Trame::Balise::RPS)) {
        m_offrePendantQuestion = evenement.pendantUneQuestion;
        Une(evenement.trame);
        m_offrePendantQuestion = false;
    }
    if (OuvreBoite(balise)) {
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
    m_offresEnAttente = 0;
    m_boites.clear();
    ReglerLecture();
}

void ArriveeDonnees::Une(const Trame::TrameRecue& trame) {
    m_decodeur.Decoder(trame);
    emit trameTraitee(trame);
}

void ArriveeDonnees::RecuLog(const QString& pseudo) {
    Session& s = m_session;
    s.SonPseudo = pseudo;
    m_vue.Message(s.SonPseudo + QStringLiteral(" s'est connecté(e)."), true);
    m_interface.TextBoxhWnd[ZoneSonStatut]->setText(QStringLiteral("Présent(e)"));
    // Told whether the window is in front or not.
    m_popup.Notifier(s.SonPseudo + QStringLiteral("\r\nvient de\r\nse connecter"), QString(),
                     QRect(0, 50, 183, 50), QRect(0, 70, 183, 50));
    m_sons.Jouer(m_dossExec + QStringLiteral("Sons/coucou.wav"));
}

void ArriveeDonnees::RecuTexte(int police, int couleur, int style, const QString& texte) {
    Session& s = m_session;
    Interface& ui = m_interface;
    m_vue.Texte(texte, s.SonPseudo, police, couleur, style);

    FenetrePrincipale* fenetre = ui.FenetrehWnd;
    const QString son = m_dossExec + QStringLiteral("Sons/msg.wav");
    if (!fenetre->isVisible()) {
        // Hidden in the notification area: shown minimised on the task bar, flashing, and the pop-up.
        fenetre->setWindowOpacity(1.0);
        fenetre->showMinimized();
        emit clignoter();
        m_popup.Notifier(s.SonPseudo + QStringLiteral(" dit :"), texte, QRect(0, 50, 183, 20),
                         QRect(0, 70, 183, 50));
        m_sons.Jouer(son);
    } else if (!fenetre->isActiveWindow() || fenetre->isMinimized()) {
        emit clignoter();
        m_sons.Jouer(son);
    }
    s.Date2 = QDateTime::currentDateTime();
    ui.TexteBarreStatut(0, TexteDernierMessage(*s.Date2));
}

void ArriveeDonnees::RecuStatut(bool absent) {
    Session& s = m_session;
    QLineEdit* statut = m_interface.TextBoxhWnd[ZoneSonStatut];
    if (absent) {
        statut->setText(QStringLiteral("Absent(e)"));
        m_vue.Message(s.SonPseudo + QStringLiteral(" s'est absenté(e)."), true);
    } else {
        statut->setText(QStringLiteral("Présent(e)"));
        m_vue.Message(s.SonPseudo + QStringLiteral(" est en ligne."), true);
    }
}

void ArriveeDonnees::RecuFrappe(bool ecrit) {
    const Session& s = m_session;
    Interface& ui = m_interface;
    if (ecrit) {
        ui.TexteBarreStatut(0, s.SonPseudo + QStringLiteral(" est en train de taper un message..."));
    } else {
        ui.TexteBarreStatut(0, s.Date2 ? TexteDernierMessage(*s.Date2) : QString());
    }
}

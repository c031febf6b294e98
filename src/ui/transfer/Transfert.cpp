#include "ui/transfer/Transfert.h"

#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/app/Session.h"
#include "core/chat/EnvoiTrames.h"
#include "core/chat/SocketsChat.h"
#include "core/conversation/Texte.h"
#include "ui/conversation/VueConversation.h"
#include "ui/notify/Popup.h"
#include "ui/platform/Dialogues.h"
#include "ui/platform/Shell.h"
#include "ui/platform/Sons.h"
#include "core/transfer/CanalFichier.h"
#include "core/transfer/ConversionsTransfert.h"
#include "core/transfer/NomsFichiers.h"

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTextEdit>
#include <QUrl>

namespace {

const QString TitreProgramme = QStringLiteral("OVAN Messenger");
const QString DejaEnCours =
    QStringLiteral("Un transfert de fichier est déjà en cours !\r\nVous devez attendre la fin du transfert.");
const QString FaceAnnuler = QStringLiteral("img_annuler2");
// The width from which the file name scrolls in its label.
constexpr int LargeurDefilement = 171;

QString TexteRaison(RaisonEchec raison) {
    switch (raison) {
    case RaisonEchec::ConnexionImpossible:
        return QStringLiteral("la connexion au poste du contact est impossible");
    case RaisonEchec::DelaiDepasse: return QStringLiteral("le poste du contact ne répond plus");
    case RaisonEchec::FluxInterrompu:
        return QStringLiteral("la connexion a été coupée avant la fin du fichier");
    case RaisonEchec::ConnexionCoupee: return QStringLiteral("le contact a coupé la connexion");
    case RaisonEchec::OuvertureImpossible: return QStringLiteral("le fichier ne peut pas être ouvert");
    case RaisonEchec::LectureImpossible: return QStringLiteral("le fichier ne peut pas être lu en entier");
    case RaisonEchec::CreationImpossible:
        return QStringLiteral("le fichier ne peut pas être créé dans le dossier des fichiers reçus");
    case RaisonEchec::EcritureImpossible:
        return QStringLiteral("l'écriture du fichier a échoué (disque plein ou dossier supprimé)");
    case RaisonEchec::NomPris:
        return QStringLiteral("un fichier de ce nom est apparu dans le dossier entre-temps");
    }
    return QString();
}

} // namespace

Transfert::Transfert(Interface& interface, VueConversation& vue, const SocketsChat& sockets,
                     EnvoiTrames& envoi, CanalFichier& canal, Session& session, const Services& services)
    : m_interface(interface), m_vue(vue), m_sockets(sockets), m_envoi(envoi), m_canal(canal),
      m_session(session), m_services(services) {
    connect(&m_canal, &CanalFichier::progression, this, &Transfert::Progression);
    // The yes goes once our empty connection is there: the contact may stream right after it.
    connect(&m_canal, &CanalFichier::relie, this, [this] { m_envoi.Reponse(true); });
    connect(&m_canal, &CanalFichier::termine, this, [this] { Fin(IssueTransfert::Termine); });
    connect(&m_canal, &CanalFichier::annule, this, [this] { Fin(IssueTransfert::Annule); });
    connect(&m_canal, &CanalFichier::echec, this,
            [this](RaisonEchec raison) { Fin(IssueTransfert::Echec, raison); });
    // Faded out: the window is ready for the next transfer.
    connect(&m_interface.TransferthWnd->fondu(), &Fondu::masquee, this, [this] {
        m_defilement.stop();
        m_interface.ProgressBarhWnd[1]->setValue(0);
        m_interface.BoutonhWnd[BoutonOuvrirFichier]->ReglerFace(QStringLiteral("img_ouvrir_d"));
        m_interface.BoutonhWnd[BoutonAnnulerTransfert]->ReglerFace(FaceAnnuler);
    });
    m_minuterieDebit.setInterval(500);
    connect(&m_minuterieDebit, &QTimer::timeout, this, &Transfert::Debit);
    m_defilement.setInterval(50);
    connect(&m_defilement, &QTimer::timeout, this, &Transfert::DefilerNom);
    // A file dropped on the conversation or the input box is offered as command 8 would.
    for (int zone : {ZoneConversation, ZoneSaisie}) {
        QTextEdit* edition = m_interface.RichEdithWnd[zone];
        edition->setAcceptDrops(true);
        edition->viewport()->installEventFilter(this);
    }
}

bool Transfert::PeutCommencer() {
    if (m_canal.EnCours()) {
        m_services.dialogues.Message(m_interface.TransferthWnd, DejaEnCours, TitreProgramme,
                                     Dialogues::Icone::Information);
        return false;
    }
    return true;
}

bool Transfert::FermerFenetreOuverte(const QString& suite) {
    FenetreOvan* fenetre = m_interface.TransferthWnd;
    if (!fenetre->isVisible()) {
        return true;
    }
    const auto reponse = m_services.dialogues.Message(
        fenetre,
        QStringLiteral(
            "Une fenêtre de transfert de fichier est déjà ouverte !\r\nVoulez-vous la fermer ?\r\n") +
            suite,
        TitreProgramme, Dialogues::Icone::Question, Dialogues::Boutons::OuiNon);
    if (reponse == Dialogues::Reponse::Non) {
        return false;
    }
    Annuler();
    return true;
}

bool Transfert::PretAOffrir() {
    if (m_sockets.Etat() != EtatConnecte) {
        m_services.dialogues.Message(m_interface.FenetrehWnd,
                                     QStringLiteral("Vous devez d'abord vous connecter !"), TitreProgramme,
                                     Dialogues::Icone::Attention);
        return false;
    }
    return PeutCommencer() && FermerFenetreOuverte(QStringLiteral(
                                  "(Si vous refuser de la fermer pas, le transfert sera annuler)"));
}

void Transfert::OffrirFichier() {
    if (!PretAOffrir()) {
        return;
    }
    const QString chemin =
        m_services.dialogues.ChoisirFichier(m_interface.FenetrehWnd, QStringLiteral("Ouvrir le fichier"),
                                            QStringLiteral("Tous les fichiers (*.*)"));
    if (!chemin.isEmpty()) {
        Offrir(chemin);
    }
}

namespace {
// The local files of a drag, or none when it carries anything else.
QStringList FichiersLocaux(const QMimeData* donnees) {
    QStringList chemins;
    if (!donnees || !donnees->hasUrls()) {
        return chemins;
    }
    for (const QUrl& url : donnees->urls()) {
        if (!url.isLocalFile()) {
            return {};
        }
        chemins << url.toLocalFile();
    }
    return chemins;
}
} // namespace

void Transfert::OffrirCapture(const QString& chemin) {
    if (PeutCommencer()) {
        Offrir(chemin);
    }
}

void Transfert::Deposer(const QStringList& chemins) {
    if (chemins.size() != 1 || !QFileInfo(chemins[0]).isFile()) {
        m_services.dialogues.Message(m_interface.FenetrehWnd,
                                     QStringLiteral("Vous ne pouvez envoyer qu'un seul fichier à la fois, "
                                                    "et pas un dossier."),
                                     TitreProgramme, Dialogues::Icone::Information);
        return;
    }
    if (PretAOffrir()) {
        Offrir(chemins[0]);
    }
}

bool Transfert::eventFilter(QObject* objet, QEvent* event) {
    Q_UNUSED(objet);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // Files are offered; text dragged into the input box keeps its usual way.
        auto* glisse = static_cast<QDropEvent*>(event);
        if (FichiersLocaux(glisse->mimeData()).isEmpty()) {
            return false;
        }
        glisse->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* depot = static_cast<QDropEvent*>(event);
        const QStringList chemins = FichiersLocaux(depot->mimeData());
        if (chemins.isEmpty()) {
            return false;
        }
        depot->acceptProposedAction();
        Deposer(chemins);
        return true;
    }
    default: return false;
    }
}

void Transfert::Offrir(const QString& chemin) {
    const QString nom = Trim(QFileInfo(chemin).fileName());
    if (nom.isEmpty()) {
        return;
    }
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly)) {
        m_services.dialogues.Message(m_interface.FenetrehWnd,
                                     QStringLiteral("Ouverture Fichier Impossible !"), QString(),
                                     Dialogues::Icone::Aucune);
        return;
    }
    m_nomDuFich = nom;
    m_nomFich = chemin;
    m_tailleFichEnv = fichier.size();
    m_envoi.Offre(m_nomDuFich, m_tailleFichEnv);
    // The contact's empty connection, which comes before its yes, is expected from now on.
    m_canal.Proposer(m_sockets.AdresseContact());
    m_vue.Message(QStringLiteral("Vous désirez envoyer '") + m_nomDuFich + QStringLiteral("' à ") +
                  m_session.SonPseudo + u'.');
}

void Transfert::RecuOffre(const QString& nom, qint64 taille, bool pendantUneQuestion) {
    Interface& ui = m_interface;
    Dialogues& d = m_services.dialogues;
    // What the file would be saved as is what the user is shown: no folder part, no control
    // character.
    const QString sur = NomsFichiers::NomSur(nom);
    if (sur.isEmpty()) {
        Refuser(nom, QStringLiteral("ce nom ne peut pas servir de nom de fichier"));
        return;
    }
    if (taille < 0) {
        Refuser(sur, QStringLiteral("la taille annoncée n'est pas valable"));
        return;
    }
    if (pendantUneQuestion || m_questionOuverte || (m_canal.EnCours() && m_dejaEnCoursSignale)) {
        RefuserSansQuestion();
        return;
    }
    // The boxes below run their own loop: offers read meanwhile are answered without one.
    m_questionOuverte = true;
    m_refusSignale = false;
    const auto fin = qScopeGuard([this] { m_questionOuverte = false; });
    if (!PeutCommencer()) {
        m_dejaEnCoursSignale = true;
        Refuser(sur);
        return;
    }
    const QString question = m_session.SonPseudo + QStringLiteral(" veut vous envoyer '") + sur +
                             QStringLiteral("'.\r\n") + ConvTaille(taille) +
                             QStringLiteral(".\r\nAcceptez-vous ce fichier ?");
    if (d.Message(ui.FenetrehWnd, question, TitreProgramme, Dialogues::Icone::Question,
                  Dialogues::Boutons::OuiNon) == Dialogues::Reponse::Non) {
        Refuser(sur);
        return;
    }
    if (!FermerFenetreOuverte(QStringLiteral("(Si vous refusez de la fermer, le transfert sera annulé)"))) {
        Refuser(sur);
        return;
    }
    // The conversation may have ended while the user was answering (its close may still wait
    // behind the frames read before it).
    if (m_sockets.Etat() != EtatConnecte || m_sockets.ContactParti()) {
        return;
    }
    QString chemin = m_session.DossFichRecus + sur;
    if (NomsFichiers::FichExist(chemin)) {
        chemin = NomsFichiers::ChangeNom(chemin);
    }
    if (chemin.isEmpty()) {
        Refuser(sur, QStringLiteral("aucun nom libre dans le dossier des fichiers reçus"));
        return;
    }
    Accepter(sur, QFileInfo(chemin).fileName(), taille);
}

void Transfert::RefuserSansQuestion() {
    m_envoi.Reponse(false);
    if (!m_refusSignale) {
        m_refusSignale = true;
        m_vue.MessageFin(QStringLiteral("Les fichiers que ") + m_session.SonPseudo +
                         QStringLiteral(" propose pendant ce temps sont refusés sans question."));
    }
}

void Transfert::Refuser(const QString& nom, const QString& pourquoi) {
    m_envoi.Reponse(false);
    m_vue.MessageFin(pourquoi.isEmpty()
                         ? QStringLiteral("Vous avez refusé la réception de '") + nom + QStringLiteral("'.")
                         : QStringLiteral("La réception de '") + nom + QStringLiteral("' est refusée : ") +
                               pourquoi + u'.');
}

void Transfert::Accepter(const QString& nom, const QString& nomFinal, qint64 taille) {
    // Our connection to the contact's port goes first; the yes follows.
    if (!m_canal.Recevoir(m_sockets.AdresseContact(), m_session.DossFichRecus, nomFinal, taille)) {
        Refuser(nom, QStringLiteral("un transfert de fichier est déjà en cours"));
        return;
    }
    m_nomDuFich = nom;
    m_nomFich = m_session.DossFichRecus + nomFinal;
    Preparer(Sens::Reception, taille);
    m_nomEnregistre = nomFinal == nom ? QString() : nomFinal;
    m_vue.MessageFin(QStringLiteral("Vous avez accepté la réception de '") + nom + QStringLiteral("'."));
    Afficher();
}

void Transfert::RecuReponse(bool oui) {
    if (!oui) {
        m_vue.Message(m_session.SonPseudo + QStringLiteral(" a refusé la réception de '") + m_nomDuFich +
                      QStringLiteral("'."));
        return;
    }
    // A yes to nothing we offered has nothing to start.
    if (m_nomFich.isEmpty() || m_canal.EnCours()) {
        return;
    }
    m_vue.Message(m_session.SonPseudo + QStringLiteral(" a accepté la réception de '") + m_nomDuFich +
                  QStringLiteral("'."));
    if (!m_canal.Envoyer(m_sockets.AdresseContact(), m_nomFich, m_tailleFichEnv)) {
        return;
    }
    Preparer(Sens::Envoi, m_tailleFichEnv);
    Afficher();
}

void Transfert::RecuAnnulation() {
    // Only a transfer under way is cancelled, and told once: a contact cannot raise boxes with it.
    // Stopped at once: the box below waits for the user.
    if (!m_canal.AnnulationDuContact()) {
        return;
    }
    m_services.dialogues.Message(m_interface.TransferthWnd, QStringLiteral("Le transfert a été annulé !"),
                                 QStringLiteral("Annulation"), Dialogues::Icone::Information);
}

void Transfert::Annuler() {
    Interface& ui = m_interface;
    if (ui.BoutonhWnd[BoutonAnnulerTransfert]->Face() == FaceAnnuler && m_canal.EnCours()) {
        m_envoi.Annulation();
    }
    m_canal.Annuler();
    // Pressed while the window still fades in, it goes once it has appeared.
    if (ui.TransferthWnd->isVisible()) {
        ui.TransferthWnd->fondu().SortirDesQuePossible();
    }
}

void Transfert::OuvrirFichier() {
    Interface& ui = m_interface;
    if (ui.BoutonhWnd[BoutonOuvrirFichier]->FaceActive()) {
        m_services.shell.Ouvrir(m_nomFich, ui.TransferthWnd);
        return;
    }
    m_services.dialogues.Message(ui.TransferthWnd, QStringLiteral("Vous ne pouvez pas ouvrir le fichier !"),
                                 QStringLiteral("Attention !"), Dialogues::Icone::Attention);
}

void Transfert::Preparer(Sens sens, qint64 total) {
    Interface& ui = m_interface;
    m_sens = sens;
    m_total = total;
    m_fait = 0;
    ui.TransferthWnd->setWindowTitle(QStringLiteral("0 % - ") + m_nomDuFich);
    QLabel* nom = ui.LabelhWnd[LabelNomFichier];
    nom->setText(m_nomDuFich);
    ui.LabelhWnd[LabelCorrespondant]->setText(
        (sens == Sens::Reception ? QStringLiteral("Expéditeur : ") : QStringLiteral("Destinataire : ")) +
        m_session.SonPseudo);
    ui.LabelhWnd[LabelVolume]->setText(Volume(0));
    const DebitTemps debut = DebitTempsDebut();
    ui.LabelhWnd[LabelDebit]->setText(debut.debit);
    ui.LabelhWnd[LabelTempsRestant]->setText(debut.temps);
    ui.ProgressBarhWnd[1]->setValue(0);
    ui.BoutonhWnd[BoutonOuvrirFichier]->ReglerFace(QStringLiteral("img_ouvrir_d"));
    ui.BoutonhWnd[BoutonAnnulerTransfert]->ReglerFace(FaceAnnuler);
    m_nomEnregistre.clear();
    m_dejaEnCoursSignale = false;
    m_refusSignale = false;
    m_montre.start();
    m_minuterieDebit.start();
    m_deplacement = 0;
    m_retour = false;
    nom->setGeometry(5, 0, 285, 40);
    // A short name stays still, even after a long one.
    m_defilement.stop();
    if (nom->fontMetrics().horizontalAdvance(m_nomDuFich) >= LargeurDefilement) {
        m_defilement.start();
    }
}

void Transfert::Afficher() {
    FenetreOvan* fenetre = m_interface.TransferthWnd;
    // Entrer also brings back a window that is fading out.
    fenetre->fondu().Entrer();
}

QString Transfert::Volume(qint64 fait) const {
    // Nothing moved yet reads "0", not "0 octets".
    return (m_sens == Sens::Envoi ? QStringLiteral("Volume de données envoyées : ")
                                  : QStringLiteral("Volume de données reçues : ")) +
           (fait == 0 ? QStringLiteral("0") : ConvTaille(fait)) + QStringLiteral(" / ") + ConvTaille(m_total);
}

void Transfert::Progression(qint64 fait, qint64 total) {
    Interface& ui = m_interface;
    m_fait = fait;
    m_total = total;
    const qint64 pourMille = total > 0 ? std::clamp<qint64>(fait * 1000 / total, 0, 1000) : 1000;
    ui.TransferthWnd->setWindowTitle(QString::number(pourMille / 10) + QStringLiteral(" % - ") + m_nomDuFich);
    ui.ProgressBarhWnd[1]->setValue(int(pourMille));
    ui.LabelhWnd[LabelVolume]->setText(Volume(fait));
}

void Transfert::Debit() {
    if (const auto texte = ConvOctDebitTemps(m_fait, m_total, m_montre.elapsed() / 1000.0)) {
        m_interface.LabelhWnd[LabelDebit]->setText(texte->debit);
        m_interface.LabelhWnd[LabelTempsRestant]->setText(texte->temps);
    }
}

void Transfert::Fin(IssueTransfert issue, RaisonEchec raison) {
    Interface& ui = m_interface;
    m_minuterieDebit.stop();
    m_dejaEnCoursSignale = false;
    const bool reussi = issue == IssueTransfert::Termine;
    // The contact's side must end too: a stream broken on its side only (or its cancel that
    // never came) would otherwise hold its window until its stall limit.
    if (issue == IssueTransfert::Echec) {
        m_envoi.Annulation();
    }
    Avertir(!reussi);
    if (reussi) {
        m_vue.MessageFin((m_sens == Sens::Envoi ? QStringLiteral("Vous avez envoyé '")
                                                : QStringLiteral("Vous avez reçu '")) +
                         m_nomDuFich + QStringLiteral("' avec succès !") +
                         (m_nomEnregistre.isEmpty() ? QString()
                                                    : QStringLiteral(" (enregistré sous '") +
                                                          m_nomEnregistre + QStringLiteral("')")));
    } else if (issue == IssueTransfert::Annule) {
        m_vue.MessageFin(QStringLiteral("Annulation du transfert de '") + m_nomDuFich +
                         QStringLiteral("' !"));
    } else {
        m_vue.MessageFin(QStringLiteral("Le transfert de '") + m_nomDuFich + QStringLiteral("' a échoué : ") +
                         TexteRaison(raison) + u'.');
    }
    ui.BoutonhWnd[BoutonOuvrirFichier]->ReglerFace(reussi ? QStringLiteral("img_ouvrir_e")
                                                          : QStringLiteral("img_ouvrir_d"));
    const DebitTemps fin = DebitTempsFin();
    ui.LabelhWnd[LabelDebit]->setText(fin.debit);
    ui.LabelhWnd[LabelTempsRestant]->setText(fin.temps);
    ui.BoutonhWnd[BoutonAnnulerTransfert]->ReglerFace(QStringLiteral("img_fermer"));
    // The boxes of these two failures, beside their line in the conversation.
    if (issue == IssueTransfert::Echec && raison == RaisonEchec::ConnexionImpossible) {
        m_services.dialogues.Message(ui.TransferthWnd, QStringLiteral("Erreur de connexion !"),
                                     QStringLiteral("Problème d'envoi de fichier !"),
                                     Dialogues::Icone::Erreur);
    } else if (issue == IssueTransfert::Echec && raison == RaisonEchec::OuvertureImpossible) {
        m_services.dialogues.Message(ui.FenetrehWnd, QStringLiteral("Ouverture Fichier Impossible !"),
                                     QString(), Dialogues::Icone::Aucune);
    }
}

void Transfert::Avertir(bool annule) {
    FenetrePrincipale* fenetre = m_interface.FenetrehWnd;
    const QString son = m_services.dossExec + QStringLiteral("Sons/msg.wav");
    if (!fenetre->isVisible()) {
        fenetre->setWindowOpacity(1.0);
        fenetre->showMinimized();
        emit clignoter();
        m_services.popup.Notifier(annule ? QStringLiteral("Transfert annulé !")
                                         : QStringLiteral("Transfert terminé !"),
                                  QString(), QRect(0, 60, 183, 20), QRect(0, 70, 183, 50));
        m_services.sons.Jouer(son);
    } else if (!fenetre->isActiveWindow() || fenetre->isMinimized()) {
        emit clignoter();
        m_services.sons.Jouer(son);
    }
}

void Transfert::DefilerNom() {
    QLabel* nom = m_interface.LabelhWnd[LabelNomFichier];
    const int largeur = nom->fontMetrics().horizontalAdvance(nom->text());
    if (!m_retour) {
        --m_deplacement;
        if (std::abs(m_deplacement) > (largeur - 170) * 1.7) {
            m_retour = true;
        }
    } else if (++m_deplacement >= 0) {
        m_deplacement = 0;
        m_retour = false;
    }
    nom->setGeometry(5 + m_deplacement, 0, 285 - m_deplacement, 40);
}

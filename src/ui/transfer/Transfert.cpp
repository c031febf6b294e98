#include "ui/transfer/Transfert.h"

#include "core/conversation/Texte.h"
#include "core/transfer/ConversionsTransfert.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/conversation/VueConversation.h"
#include "ui/notify/Popup.h"
#include "ui/platform/Dialogues.h"
#include "ui/platform/Shell.h"
#include "ui/platform/Sons.h"

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QTextEdit>
#include <QUrl>

namespace {

const QString TitreProgramme = QStringLiteral("OVAN Messenger");
const QString DejaEnCours =
    QStringLiteral("Un transfert de fichier est déjà en cours !\r\nVous devez attendre la fin du transfert.");
const QString FaceAnnuler = QStringLiteral("img_annuler2");
// The width from which the file name scrolls in its label.
constexpr int LargeurDefilement = 171;

// "1 fichier", "12 fichiers".
QString NombreFichiers(int n) {
    return QString::number(n) + (n > 1 ? QStringLiteral(" fichiers") : QStringLiteral(" fichier"));
}

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
    case RaisonEchec::LotInvalide:
        return QStringLiteral("la liste des fichiers envoyée n'est pas valable (chemins, nombre ou tailles)");
    case RaisonEchec::CleRefusee:
        return QStringLiteral("la clé du contact n'est pas celle de la conversation");
    case RaisonEchec::Endommage:
        return QStringLiteral("le fichier arrivé diffère du fichier envoyé (vérification SHA-256), rien n'a "
                              "été gardé");
    }
    return QString();
}

} // namespace

ControlesTransfert ControlesTransfert::De(const Interface& ui) {
    ControlesTransfert c;
    c.principale = ui.FenetrehWnd;
    c.fenetre = ui.TransferthWnd;
    c.nomFichier = ui.LabelhWnd[LabelNomFichier];
    c.correspondant = ui.LabelhWnd[LabelCorrespondant];
    c.volume = ui.LabelhWnd[LabelVolume];
    c.debit = ui.LabelhWnd[LabelDebit];
    c.tempsRestant = ui.LabelhWnd[LabelTempsRestant];
    c.barre = ui.ProgressBarhWnd[1];
    c.ouvrir = ui.BoutonhWnd[BoutonOuvrirFichier];
    c.annuler = ui.BoutonhWnd[BoutonAnnulerTransfert];
    c.depots[0] = ui.RichEdithWnd[ZoneConversation];
    c.depots[1] = ui.RichEdithWnd[ZoneSaisie];
    return c;
}

Transfert::Transfert(const ControlesTransfert& controles, VueConversation& vue, Conversation& conversation,
                     const Services& services)
    : m_c(controles), m_vue(vue), m_conversation(conversation), m_services(services) {
    const Conversation* c = &m_conversation;
    connect(c, &Conversation::progression, this, &Transfert::Progression);
    connect(c, &Conversation::reprise, this, &Transfert::Reprise);
    connect(c, &Conversation::fichierCourant, this, &Transfert::FichierCourant);
    connect(c, &Conversation::offreRecue, this, &Transfert::Question);
    connect(c, &Conversation::offreRefusee, this, &Transfert::Refusee);
    connect(c, &Conversation::dejaEnCours, this, [this] {
        m_services.dialogues.Message(m_c.fenetre, DejaEnCours, TitreProgramme, Dialogues::Icone::Information);
    });
    connect(c, &Conversation::offresRefuseesSansQuestion, this, [this] {
        m_vue.MessageFin(QStringLiteral("Les fichiers que ") + m_conversation.SonPseudo() +
                         QStringLiteral(" propose pendant ce temps sont refusés sans question."));
    });
    connect(c, &Conversation::reponseRecue, this, [this](bool oui, const QString& nom) {
        m_vue.Message(m_conversation.SonPseudo() +
                      (oui ? QStringLiteral(" a accepté la réception de '")
                           : QStringLiteral(" a refusé la réception de '")) +
                      nom + QStringLiteral("'."));
    });
    connect(c, &Conversation::transfertCommence, this, &Transfert::Commence);
    // Said at once, before any file is offered: each side connects to the other's port.
    connect(c, &Conversation::portFichiersInjoignable, this, [this](bool sonPort) {
        if (!sonPort) {
            m_vue.MessageFin(
                QStringLiteral("Les fichiers ne pourront pas être reçus par vous : le port 60001 "
                               "de votre poste ne répond pas. Autorisez le port TCP 60001 dans "
                               "le pare-feu de ce poste."));
            return;
        }
        // The contact may not have given its nickname yet.
        QString pseudo = m_conversation.PseudoDeCetteConversation();
        if (pseudo.isEmpty()) {
            pseudo = QStringLiteral("votre contact");
        }
        m_vue.MessageFin(QStringLiteral("Les fichiers ne pourront pas être reçus par ") + pseudo +
                         QStringLiteral(" : le port 60001 de son poste ne répond pas. Demandez-lui "
                                        "d'autoriser le port TCP 60001 dans son pare-feu."));
    });
    // Stopped at once: the box waits for the user.
    connect(c, &Conversation::annulationDuContact, this, [this] {
        m_services.dialogues.Message(m_c.fenetre, QStringLiteral("Le transfert a été annulé !"),
                                     QStringLiteral("Annulation"), Dialogues::Icone::Information);
    });
    connect(c, &Conversation::transfertFini, this, &Transfert::Fin);
    // Faded out: the window is ready for the next transfer.
    connect(&m_c.fenetre->fondu(), &Fondu::masquee, this, [this] {
        m_defilement.stop();
        m_c.barre->setValue(0);
        m_c.ouvrir->ReglerFace(QStringLiteral("img_ouvrir_d"));
        m_c.annuler->ReglerFace(FaceAnnuler);
    });
    m_minuterieDebit.setInterval(500);
    connect(&m_minuterieDebit, &QTimer::timeout, this, &Transfert::Debit);
    m_defilement.setInterval(50);
    connect(&m_defilement, &QTimer::timeout, this, &Transfert::DefilerNom);
    // A file dropped on the conversation or the input box is offered as command 8 would.
    for (QTextEdit* edition : m_c.depots) {
        edition->setAcceptDrops(true);
        edition->viewport()->installEventFilter(this);
    }
}

bool Transfert::PeutCommencer() {
    if (m_conversation.TransfertEnCours()) {
        m_services.dialogues.Message(m_c.fenetre, DejaEnCours, TitreProgramme, Dialogues::Icone::Information);
        return false;
    }
    return true;
}

bool Transfert::FermerFenetreOuverte(const QString& suite) {
    FenetreOvan* fenetre = m_c.fenetre;
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
    if (!m_conversation.Connectee()) {
        m_services.dialogues.Message(m_c.principale, QStringLiteral("Vous devez d'abord vous connecter !"),
                                     TitreProgramme, Dialogues::Icone::Attention);
        return false;
    }
    return PeutCommencer() && FermerFenetreOuverte(QStringLiteral(
                                  "(Si vous refuser de la fermer pas, le transfert sera annuler)"));
}

void Transfert::OffrirFichier() {
    if (!PretAOffrir()) {
        return;
    }
    const QString titre = QStringLiteral("Ouvrir le fichier");
    const QString filtre = QStringLiteral("Tous les fichiers (*.*)");
    // Several at once only where the contact takes them.
    if (m_conversation.LotPossible()) {
        const QStringList chemins = m_services.dialogues.ChoisirFichiers(m_c.principale, titre, filtre);
        if (!chemins.isEmpty()) {
            Offrir(chemins);
        }
        return;
    }
    const QString chemin = m_services.dialogues.ChoisirFichier(m_c.principale, titre, filtre);
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
    const bool seul = chemins.size() == 1 && QFileInfo(chemins[0]).isFile();
    if (!seul && !m_conversation.LotPossible()) {
        UnSeulFichier();
        return;
    }
    if (PretAOffrir()) {
        seul ? Offrir(chemins[0]) : Offrir(chemins);
    }
}

void Transfert::UnSeulFichier() {
    m_services.dialogues.Message(m_c.principale,
                                 QStringLiteral("Vous ne pouvez envoyer qu'un seul fichier à la fois, "
                                                "et pas un dossier."),
                                 TitreProgramme, Dialogues::Icone::Information);
}

void Transfert::Offrir(const QStringList& chemins) {
    QString erreur;
    switch (m_conversation.OffrirFichiers(chemins, &erreur)) {
    case Conversation::Offre::UnSeul: UnSeulFichier(); return;
    case Conversation::Offre::LotImpossible:
        m_services.dialogues.Message(m_c.principale, erreur, TitreProgramme, Dialogues::Icone::Attention);
        return;
    case Conversation::Offre::NomVide: return;
    case Conversation::Offre::OuvertureImpossible:
        m_services.dialogues.Message(m_c.principale, QStringLiteral("Ouverture Fichier Impossible !"),
                                     QString(), Dialogues::Icone::Aucune);
        return;
    case Conversation::Offre::Faite: break;
    }
    const Conversation::Fichier& fichier = m_conversation.FichierCourant();
    if (fichier.fichiers < 0) {
        m_vue.Message(QStringLiteral("Vous désirez envoyer '") + fichier.nom + QStringLiteral("' à ") +
                      m_conversation.SonPseudo() + u'.');
        return;
    }
    m_lotChoisi = chemins;
    m_vue.Message(QStringLiteral("Vous désirez envoyer ") + NombreFichiers(fichier.fichiers) +
                  QStringLiteral(" (") + ConvTaille(fichier.taille) + QStringLiteral(") : '") + fichier.nom +
                  QStringLiteral("' à ") + m_conversation.SonPseudo() + u'.');
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
    switch (m_conversation.OffrirFichier(chemin)) {
    case Conversation::Offre::NomVide:
    case Conversation::Offre::UnSeul:
    case Conversation::Offre::LotImpossible: return;
    case Conversation::Offre::OuvertureImpossible:
        m_services.dialogues.Message(m_c.principale, QStringLiteral("Ouverture Fichier Impossible !"),
                                     QString(), Dialogues::Icone::Aucune);
        return;
    case Conversation::Offre::Faite:
        m_vue.Message(QStringLiteral("Vous désirez envoyer '") + m_conversation.FichierCourant().nom +
                      QStringLiteral("' à ") + m_conversation.SonPseudo() + u'.');
        return;
    }
}

void Transfert::Question(const QString& nom, qint64 taille, int fichiers) {
    const QString qui = m_conversation.SonPseudo();
    const QString question =
        fichiers < 0 ? qui + QStringLiteral(" veut vous envoyer '") + nom + QStringLiteral("'.\r\n") +
                           ConvTaille(taille) + QStringLiteral(".\r\nAcceptez-vous ce fichier ?")
                     : qui + QStringLiteral(" veut vous envoyer ") + NombreFichiers(fichiers) +
                           QStringLiteral(" (") + ConvTaille(taille) + QStringLiteral(") : '") + nom +
                           QStringLiteral("'.\r\nAcceptez-vous ces fichiers ?");
    emit avertir(qui + (fichiers < 0 ? QStringLiteral(" veut vous envoyer un fichier")
                                     : QStringLiteral(" veut vous envoyer des fichiers")),
                 nom + QStringLiteral(" (") + ConvTaille(taille) + u')');
    const bool oui =
        m_services.dialogues.Message(m_c.principale, question, TitreProgramme, Dialogues::Icone::Question,
                                     Dialogues::Boutons::OuiNon) != Dialogues::Reponse::Non &&
        FermerFenetreOuverte(QStringLiteral("(Si vous refusez de la fermer, le transfert sera annulé)"));
    m_conversation.RepondreOffre(oui);
}

void Transfert::Refusee(const QString& nom, Conversation::Refus raison) {
    QString pourquoi;
    switch (raison) {
    case Conversation::Refus::ParVous:
        m_vue.MessageFin(QStringLiteral("Vous avez refusé la réception de '") + nom + QStringLiteral("'."));
        return;
    case Conversation::Refus::NomInvalide:
        pourquoi = QStringLiteral("ce nom ne peut pas servir de nom de fichier");
        break;
    case Conversation::Refus::TailleInvalide:
        pourquoi = QStringLiteral("la taille annoncée n'est pas valable");
        break;
    case Conversation::Refus::AucunNomLibre:
        pourquoi = QStringLiteral("aucun nom libre dans le dossier des fichiers reçus");
        break;
    case Conversation::Refus::TransfertEnCours:
        pourquoi = QStringLiteral("un transfert de fichier est déjà en cours");
        break;
    }
    m_vue.MessageFin(QStringLiteral("La réception de '") + nom + QStringLiteral("' est refusée : ") +
                     pourquoi + u'.');
}

void Transfert::Annuler() {
    m_conversation.AnnulerTransfert();
    // Pressed while the window still fades in, it goes once it has appeared.
    if (m_c.fenetre->isVisible()) {
        m_c.fenetre->fondu().SortirDesQuePossible();
    }
}

void Transfert::OuvrirFichier() {
    if (m_conversation.FichierOuvrable()) {
        m_services.shell.Ouvrir(m_conversation.FichierCourant().chemin, m_c.fenetre);
        return;
    }
    m_services.dialogues.Message(m_c.fenetre, QStringLiteral("Vous ne pouvez pas ouvrir le fichier !"),
                                 QStringLiteral("Attention !"), Dialogues::Icone::Attention);
}

void Transfert::Commence(const Conversation::Fichier& fichier) {
    const bool reception = fichier.sens == Conversation::Sens::Reception;
    m_total = fichier.taille;
    m_fait = 0;
    m_depart = 0;
    m_c.fenetre->setWindowTitle(QStringLiteral("0 % - ") + fichier.nom);
    QLabel* nom = m_c.nomFichier;
    nom->setText(fichier.nom);
    m_c.correspondant->setText(
        (reception ? QStringLiteral("Expéditeur : ") : QStringLiteral("Destinataire : ")) +
        m_conversation.SonPseudo());
    m_c.volume->setText(Volume(0));
    const DebitTemps debut = DebitTempsDebut();
    m_c.debit->setText(debut.debit);
    m_c.tempsRestant->setText(debut.temps);
    m_c.barre->setValue(0);
    m_c.ouvrir->ReglerFace(QStringLiteral("img_ouvrir_d"));
    m_c.annuler->ReglerFace(FaceAnnuler);
    m_montre.start();
    m_minuterieDebit.start();
    m_deplacement = 0;
    m_retour = false;
    nom->setGeometry(5, 0, 285, 40);
    // A short name stays still, even after a long one.
    m_defilement.stop();
    if (nom->fontMetrics().horizontalAdvance(fichier.nom) >= LargeurDefilement) {
        m_defilement.start();
    }
    if (reception) {
        m_vue.MessageFin(QStringLiteral("Vous avez accepté la réception de '") + fichier.nom +
                         QStringLiteral("'."));
    }
    // Entrer also brings back a window that is fading out.
    m_c.fenetre->fondu().Entrer();
}

QString Transfert::Volume(qint64 fait) const {
    // Nothing moved yet reads "0", not "0 octets".
    return (m_conversation.FichierCourant().sens == Conversation::Sens::Envoi
                ? QStringLiteral("Volume de données envoyées : ")
                : QStringLiteral("Volume de données reçues : ")) +
           (fait == 0 ? QStringLiteral("0") : ConvTaille(fait)) + QStringLiteral(" / ") + ConvTaille(m_total);
}

void Transfert::Progression(qint64 fait, qint64 total) {
    m_fait = fait;
    m_total = total;
    const qint64 pourMille = total > 0 ? std::clamp<qint64>(fait * 1000 / total, 0, 1000) : 1000;
    m_c.fenetre->setWindowTitle(QString::number(pourMille / 10) + QStringLiteral(" % - ") +
                                m_conversation.FichierCourant().nom);
    m_c.barre->setValue(int(pourMille));
    m_c.volume->setText(Volume(fait));
}

void Transfert::Reprise(qint64 depuis) {
    m_depart = depuis;
    m_fait = depuis;
    m_montre.start();
    const QString texte = QStringLiteral("Reprise à ") +
                          QString::number(m_total > 0 ? depuis * 100 / m_total : 100) + QStringLiteral(" %");
    m_c.debit->setText(texte);
    m_vue.MessageFin(texte + QStringLiteral(" du transfert de '") + m_conversation.FichierCourant().nom +
                     QStringLiteral("' : ce qui était déjà arrivé n'est pas renvoyé."));
    Progression(depuis, m_total);
}

void Transfert::FichierCourant(const QString& chemin) {
    QLabel* nom = m_c.nomFichier;
    // A folder sent whole is named once.
    const QString lot = m_conversation.FichierCourant().nom;
    nom->setText(lot + QStringLiteral(" : ") +
                 (chemin.startsWith(lot + u'/') ? chemin.sliced(lot.size() + 1) : chemin));
    if (!m_defilement.isActive() && nom->fontMetrics().horizontalAdvance(nom->text()) >= LargeurDefilement) {
        m_defilement.start();
    }
}

void Transfert::Debit() {
    // Resumed, only the bytes of this try count.
    if (const auto texte =
            ConvOctDebitTemps(m_fait - m_depart, m_total - m_depart, m_montre.elapsed() / 1000.0)) {
        m_c.debit->setText(texte->debit);
        m_c.tempsRestant->setText(texte->temps);
    }
}

void Transfert::Fin(IssueTransfert issue, RaisonEchec raison) {
    m_minuterieDebit.stop();
    const bool reussi = issue == IssueTransfert::Termine;
    const Conversation::Fichier& fichier = m_conversation.FichierCourant();
    Avertir(!reussi);
    if (reussi) {
        m_vue.MessageFin(
            (fichier.sens == Conversation::Sens::Envoi ? QStringLiteral("Vous avez envoyé '")
                                                       : QStringLiteral("Vous avez reçu '")) +
            fichier.nom + QStringLiteral("' avec succès !") +
            (fichier.nomEnregistre.isEmpty()
                 ? QString()
                 : QStringLiteral(" (enregistré sous '") + fichier.nomEnregistre + QStringLiteral("')")) +
            (!fichier.verifie       ? QString()
             : fichier.fichiers < 0 ? QStringLiteral(" Le fichier est complet et vérifié.")
                                    : QStringLiteral(" Les fichiers sont complets et vérifiés.")));
    } else if (issue == IssueTransfert::Annule) {
        m_vue.MessageFin(QStringLiteral("Annulation du transfert de '") + fichier.nom +
                         QStringLiteral("' !"));
    } else {
        m_vue.MessageFin(QStringLiteral("Le transfert de '") + fichier.nom + QStringLiteral("' a échoué : ") +
                         TexteRaison(raison) + u'.');
    }
    m_c.ouvrir->ReglerFace(reussi ? QStringLiteral("img_ouvrir_e") : QStringLiteral("img_ouvrir_d"));
    const DebitTemps fin = DebitTempsFin();
    m_c.debit->setText(fin.debit);
    m_c.tempsRestant->setText(fin.temps);
    m_c.annuler->ReglerFace(QStringLiteral("img_fermer"));
    // The boxes of these two failures, beside their line in the conversation.
    if (issue == IssueTransfert::Echec && raison == RaisonEchec::ConnexionImpossible) {
        m_services.dialogues.Message(m_c.fenetre, QStringLiteral("Erreur de connexion !"),
                                     QStringLiteral("Problème d'envoi de fichier !"),
                                     Dialogues::Icone::Erreur);
    } else if (issue == IssueTransfert::Echec && raison == RaisonEchec::OuvertureImpossible) {
        m_services.dialogues.Message(m_c.principale, QStringLiteral("Ouverture Fichier Impossible !"),
                                     QString(), Dialogues::Icone::Aucune);
    } else if (issue == IssueTransfert::Echec && fichier.sens == Conversation::Sens::Envoi) {
        ProposerRenvoi(raison);
    }
}

void Transfert::ProposerRenvoi(RaisonEchec raison) {
    const Conversation::Fichier fichier = m_conversation.FichierCourant();
    const bool coupe = raison == RaisonEchec::FluxInterrompu || raison == RaisonEchec::ConnexionCoupee ||
                       raison == RaisonEchec::DelaiDepasse;
    QString question;
    if (raison == RaisonEchec::Endommage) {
        question = QStringLiteral("Le fichier '") + fichier.nom +
                   QStringLiteral("' est arrivé différent chez ") + m_conversation.SonPseudo() +
                   QStringLiteral(" : rien n'a été gardé.\r\nVoulez-vous l'envoyer à nouveau ?");
    } else if (coupe && m_conversation.OptionsFichiers().reprendre && m_conversation.Connectee()) {
        question =
            QStringLiteral("Le transfert de '") + fichier.nom + QStringLiteral("' a été interrompu à ") +
            QString::number(m_total > 0 ? m_fait * 100 / m_total : 0) +
            QStringLiteral(" %.\r\nVoulez-vous le reprendre ? Ce qui est déjà arrivé ne sera pas renvoyé.");
    } else {
        return;
    }
    if (m_services.dialogues.Message(m_c.fenetre, question, TitreProgramme, Dialogues::Icone::Question,
                                     Dialogues::Boutons::OuiNon) == Dialogues::Reponse::Oui &&
        m_conversation.Connectee() && !m_conversation.TransfertEnCours()) {
        fichier.fichiers < 0 ? Offrir(fichier.chemin) : Offrir(m_lotChoisi);
    }
}

void Transfert::Avertir(bool annule) {
    FenetrePrincipale* fenetre = m_c.principale;
    const QString son = m_services.dossExec + QStringLiteral("Sons/msg.wav");
    const QString fin = annule ? QStringLiteral("Transfert annulé !") : QStringLiteral("Transfert terminé !");
    if (!fenetre->isVisible()) {
        fenetre->setWindowOpacity(1.0);
        fenetre->showMinimized();
        emit clignoter();
        m_services.popup.Notifier(fin, QString(), QRect(0, 60, 183, 20), QRect(0, 70, 183, 50));
        m_services.sons.Jouer(son);
        emit avertir(fin, QString());
    } else if (!fenetre->isActiveWindow() || fenetre->isMinimized()) {
        emit clignoter();
        m_services.sons.Jouer(son);
        emit avertir(fin, QString());
    }
}

void Transfert::DefilerNom() {
    QLabel* nom = m_c.nomFichier;
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

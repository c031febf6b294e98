// The file offers of the conversation: made, received, answered, cancelled, and how they end.
#include "core/chat/Conversation.h"

#include "core/conversation/Texte.h"
#include "core/transfer/NomsFichiers.h"

#include <QFile>
#include <QFileInfo>

Conversation::Offre Conversation::OffrirFichier(const QString& chemin) {
    const QString nom = Trim(QFileInfo(chemin).fileName());
    if (nom.isEmpty()) {
        return Offre::NomVide;
    }
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly)) {
        return Offre::OuvertureImpossible;
    }
    m_fichier = {Sens::Envoi, nom, chemin, QString(), fichier.size()};
    m_lot.reset();
    m_envoi.Offre(nom, m_fichier.taille);
    // The contact's empty connection, which comes before its yes, is expected from now on.
    m_canal->Proposer(m_sockets->AdresseContact());
    return Offre::Faite;
}

Conversation::Offre Conversation::OffrirFichiers(const QStringList& chemins, QString* erreur) {
    if (chemins.size() == 1 && QFileInfo(chemins[0]).isFile()) {
        return OffrirFichier(chemins[0]);
    }
    if (!LotPossible()) {
        return Offre::UnSeul;
    }
    QString pourquoi;
    auto lot = Lot::Composer(chemins, pourquoi);
    if (!lot) {
        if (erreur) {
            *erreur = pourquoi;
        }
        return Offre::LotImpossible;
    }
    const QString nom = Trim(lot->nom);
    // What "Ouvrir" shows the sender: the first item chosen.
    m_fichier = {Sens::Envoi, nom, QFileInfo(chemins[0]).absoluteFilePath(), QString(), lot->total};
    m_fichier.fichiers = lot->NombreFichiers();
    m_lot = std::make_shared<const Lot::Source>(std::move(*lot));
    // Its count first: the contact reads the offer as a batch.
    m_envoi.Lot(m_fichier.fichiers);
    m_envoi.Offre(nom, m_fichier.taille);
    m_canal->Proposer(m_sockets->AdresseContact());
    return Offre::Faite;
}

void Conversation::RecuOffre(const QString& nom, qint64 taille, bool pendantUneQuestion) {
    // A count read before a copy spoke "lot" means nothing.
    const int fichiers = LotPossible() ? std::exchange(m_lotAnnonce, -1) : -1;
    m_lotAnnonce = -1;
    // What the file would be saved as is what the user is shown: no folder part, no control
    // character.
    const QString sur = NomsFichiers::NomSur(nom);
    if (sur.isEmpty()) {
        Refuser(nom, Refus::NomInvalide);
        return;
    }
    if (taille < 0) {
        Refuser(sur, Refus::TailleInvalide);
        return;
    }
    if (!pendantUneQuestion && !m_questionOuverte && MemeFichierEnReception(sur, taille) &&
        m_fichier.fichiers == fichiers) {
        // The contact offers again the file we are receiving: its stream died on its side, and
        // the new offer takes its place, resuming from what we hold.
        m_canal->Liberer();
        m_dejaEnCoursSignale = false;
        emit transfertFini(IssueTransfert::Echec, RaisonEchec::FluxInterrompu);
    }
    if (pendantUneQuestion || m_questionOuverte || (m_canal->EnCours() && m_dejaEnCoursSignale)) {
        RefuserSansQuestion();
        return;
    }
    m_refusSignale = false;
    if (m_canal->EnCours()) {
        m_dejaEnCoursSignale = true;
        // Offers read while the user reads this are refused without a question.
        m_questionOuverte = true;
        emit dejaEnCours();
        m_questionOuverte = false;
        Refuser(sur, Refus::ParVous);
        return;
    }
    m_questionOuverte = true;
    m_offreRecue = Fichier{Sens::Reception, sur, QString(), QString(), taille, false, fichiers};
    emit offreRecue(sur, taille, fichiers);
}

bool Conversation::MemeFichierEnReception(const QString& nom, qint64 taille) const {
    return m_canal->EnCours() && OptionsFichiers().reprendre && m_fichier.sens == Sens::Reception &&
           m_fichier.nom == nom && m_fichier.taille == taille;
}

void Conversation::RepondreOffre(bool oui) {
    if (!m_offreRecue) {
        return;
    }
    const Fichier offre = *m_offreRecue;
    m_offreRecue.reset();
    m_questionOuverte = false;
    if (!oui) {
        Refuser(offre.nom, Refus::ParVous);
        return;
    }
    // The conversation may have ended while the user was answering (its close may still wait
    // behind the frames read before it).
    if (!Connectee() || m_sockets->ContactParti()) {
        return;
    }
    if (offre.fichiers >= 0) {
        AccepterLot(offre);
        return;
    }
    QString chemin = m_dossierReception + offre.nom;
    if (NomsFichiers::FichExist(chemin)) {
        chemin = NomsFichiers::ChangeNom(chemin);
    }
    if (chemin.isEmpty()) {
        Refuser(offre.nom, Refus::AucunNomLibre);
        return;
    }
    Accepter(offre.nom, QFileInfo(chemin).fileName(), offre.taille);
}

void Conversation::RefuserSansQuestion() {
    m_envoi.Reponse(false);
    if (!m_refusSignale) {
        m_refusSignale = true;
        emit offresRefuseesSansQuestion();
    }
}

void Conversation::Refuser(const QString& nom, Refus raison) {
    m_envoi.Reponse(false);
    emit offreRefusee(nom, raison);
}

void Conversation::Accepter(const QString& nom, const QString& nomFinal, qint64 taille) {
    // Our connection to the contact's port goes first; the yes follows.
    if (!m_canal->Recevoir(m_sockets->AdresseContact(), m_dossierReception, nomFinal, taille,
                           OptionsFichiers(), {m_sonPseudo, nom})) {
        Refuser(nom, Refus::TransfertEnCours);
        return;
    }
    m_fichier = {Sens::Reception, nom, m_dossierReception + nomFinal, nomFinal == nom ? QString() : nomFinal,
                 taille};
    Commencer(Sens::Reception);
}

void Conversation::AccepterLot(const Fichier& offre) {
    // Its entries take their names once it is whole, beside what is there already.
    if (!m_canal->RecevoirLot(m_sockets->AdresseContact(), m_dossierReception, offre.fichiers, offre.taille,
                              {m_sonPseudo, offre.nom}, OptionsFichiers().tls)) {
        Refuser(offre.nom, Refus::TransfertEnCours);
        return;
    }
    m_fichier = offre;
    m_fichier.chemin.clear();
    Commencer(Sens::Reception);
}

void Conversation::RecuReponse(bool oui) {
    if (!oui) {
        emit reponseRecue(false, m_fichier.nom);
        return;
    }
    // A yes to nothing we offered has nothing to start.
    if ((m_fichier.chemin.isEmpty() && !m_lot) || m_canal->EnCours()) {
        return;
    }
    emit reponseRecue(true, m_fichier.nom);
    const bool parti = m_lot ? m_canal->EnvoyerLot(m_sockets->AdresseContact(), m_lot, OptionsFichiers().tls)
                             : m_canal->Envoyer(m_sockets->AdresseContact(), m_fichier.chemin,
                                                m_fichier.taille, OptionsFichiers());
    if (!parti) {
        return;
    }
    m_fichier.sens = Sens::Envoi;
    m_fichier.nomEnregistre.clear();
    Commencer(Sens::Envoi);
}

void Conversation::Commencer(Sens sens) {
    m_fichier.sens = sens;
    m_fichier.verifie = OptionsFichiers().verifier || m_fichier.fichiers >= 0;
    m_dejaEnCoursSignale = false;
    m_refusSignale = false;
    m_fichierOuvrable = false;
    emit transfertCommence(m_fichier);
}

void Conversation::RecuAnnulation() {
    // Only a transfer under way is cancelled, and told once: a contact cannot raise boxes with it.
    const bool voulue = std::exchange(m_abandonDuContact, false);
    if (m_canal->AnnulationDuContact(voulue)) {
        emit annulationDuContact();
    }
}

void Conversation::AnnulerTransfert() {
    if (m_canal->EnCours()) {
        // A copy that keeps what it received for a resume is told that this cancel is wanted.
        if (OptionsFichiers().reprendre) {
            m_envoi.Abandon();
        }
        m_envoi.Annulation();
    }
    m_canal->Annuler();
}

void Conversation::Fini(IssueTransfert issue, RaisonEchec raison) {
    m_dejaEnCoursSignale = false;
    // The contact's side must end too: a stream broken on its side only (or its cancel that
    // never came) would otherwise hold its window until its stall limit.
    if (issue == IssueTransfert::Echec) {
        m_envoi.Annulation();
    }
    m_fichierOuvrable = issue == IssueTransfert::Termine;
    emit transfertFini(issue, raison);
}

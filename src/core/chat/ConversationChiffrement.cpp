// Encryption between two copies of ours: deciding whether this conversation will be encrypted,
// then whether the contact's key is the one kept for it.
#include "core/chat/Conversation.h"

#include <QTimer>

void Conversation::ReglerChiffrement(const Identite& identite, Confiance* confiance) {
    m_identite = identite;
    m_confiance = confiance;
    m_sockets->ReglerIdentite(identite);
    if (!Connectee()) {
        m_decision = Decision::Attente;
    }
}

Conversation::Securite Conversation::EtatSecurite() const {
    if (m_cleAcceptee && m_sockets->Chiffree()) {
        return Securite::Chiffree;
    }
    return Connectee() && m_decision == Decision::Claire && m_questionCle == QuestionCle::Aucune
               ? Securite::Claire
               : Securite::Inconnue;
}

QByteArray Conversation::EmpreinteContact() const {
    return m_cleAcceptee ? m_sockets->EmpreinteContact() : QByteArray();
}

QString Conversation::CodeDeSurete() const {
    return EtatSecurite() == Securite::Chiffree
               ? Confiance::CodeDeSurete(m_identite->empreinte, EmpreinteContact())
               : QString();
}

bool Conversation::ContactVerifie() const {
    if (!m_confiance || EtatSecurite() != Securite::Chiffree) {
        return false;
    }
    const QByteArray empreinte = EmpreinteContact();
    for (const ContactConnu& contact : m_confiance->Contacts()) {
        if (contact.empreinte == empreinte) {
            return contact.verifie;
        }
    }
    return false;
}

bool Conversation::MarquerVerifie() {
    return m_confiance && EtatSecurite() == Securite::Chiffree &&
           m_confiance->MarquerVerifie(EmpreinteContact());
}

QString Conversation::AdresseContactTexte() const {
    const QHostAddress adresse = m_sockets->AdresseContact();
    bool ok = false;
    const quint32 ipv4 = adresse.toIPv4Address(&ok);
    return ok ? QHostAddress(ipv4).toString() : m_adresse;
}

void Conversation::SuitePoignee() {
    if (!m_identite || m_decision == Decision::Chiffrement) {
        return;
    }
    if (!m_extensionsCommunes.contains(ExtensionTls)) {
        SansChiffrement();
        return;
    }
    // A handshake that came after we gave up waiting for it still switches: held again.
    m_decision = Decision::Chiffrement;
    m_sockets->Retenir(true);
    m_sockets->Chiffrer();
}

void Conversation::SansChiffrement() {
    if (m_decision != Decision::Attente) {
        return;
    }
    m_decision = Decision::Claire;
    // Whoever answers without encryption for a contact that had it may be someone else.
    if (m_confiance && m_confiance->ConnuChiffre(m_pseudoConversation, AdresseContactTexte())) {
        m_questionCle = QuestionCle::Perdu;
        emit chiffrementPerdu();
        return;
    }
    m_sockets->Retenir(false);
    emit securiteChange(EtatSecurite());
}

void Conversation::VerifierCle(const QByteArray& empreinte) {
    ContactConnu ancien;
    if (m_confiance && m_confiance->Examiner(empreinte, m_pseudoConversation, AdresseContactTexte(),
                                             &ancien) == Confiance::Avis::Change) {
        m_questionCle = QuestionCle::Changee;
        m_cleQuestion = empreinte;
        emit cleChangee(ancien, empreinte);
        return;
    }
    Confier();
}

void Conversation::RetenirCle() {
    if (m_confiance && m_cleAcceptee) {
        m_confiance->Retenir(m_sockets->EmpreinteContact(), m_pseudoConversation, AdresseContactTexte());
    }
}

void Conversation::Confier() {
    m_cleAcceptee = true;
    RetenirCle();
    m_sockets->Retenir(false);
    if (m_sockets->Chiffree()) {
        emit securiteChange(EtatSecurite());
    }
}

void Conversation::RepondreCle(bool continuer) {
    const QuestionCle question = std::exchange(m_questionCle, QuestionCle::Aucune);
    if (question == QuestionCle::Aucune) {
        return;
    }
    if (!continuer) {
        // Nothing more of this contact is shown: what waits belonged to it.
        Abandonner();
        Deconnecter();
        return;
    }
    if (question == QuestionCle::Changee) {
        Confier();
    } else {
        m_sockets->Retenir(false);
        emit securiteChange(EtatSecurite());
    }
    Planifier();
}

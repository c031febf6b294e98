#include "core/chat/Conversation.h"

#include "core/chat/PoigneeDeMain.h"
#include "core/conversation/Texte.h"
#include "core/platform/Ansi.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

namespace {
// Both file ports are checked when the two sides speak it.
const QString PortFichiers = QStringLiteral("port-fichiers");

// Frames are handled for at most this long before the event loop gets its turn.
constexpr qint64 TrancheMs = 12;

// Frames whose handler may wait for the user.
bool AttendUtilisateur(Trame::Balise balise) {
    using Trame::Balise;
    return balise == Balise::ANN || balise == Balise::DEM || balise == Balise::RPS;
}
QByteArray Cle(const Trame::TrameRecue& trame) {
    return trame.entete + trame.donnee;
}
// Frames a copy of ours sends before its handshake: any other, first, says the contact has none.
bool Preliminaire(Trame::Balise balise) {
    using Trame::Balise;
    return balise == Balise::LOG || balise == Balise::ATT || balise == Balise::OVX;
}
} // namespace

Conversation::Conversation(const QHostAddress& adresseLocale, int delaiFichierMs, int delaiSondeMs,
                           QObject* parent)
    : QObject(parent), m_sockets(std::make_unique<SocketsChat>(adresseLocale)), m_envoi(*m_sockets),
      m_canal(std::make_unique<CanalFichier>(adresseLocale, CanalFichier::PortFichier, delaiFichierMs)),
      m_sonde(adresseLocale, CanalFichier::PortFichier, delaiSondeMs) {
    SocketsChat* s = m_sockets.get();
    connect(s, &SocketsChat::etatChange, this, &Conversation::etatChange);
    connect(s, &SocketsChat::appelAccepte, this, &Conversation::AppelAccepte);
    connect(s, &SocketsChat::connexionEtablie, this, &Conversation::Etablie);
    connect(s, &SocketsChat::fermeture, this, [this] { Differer(&Conversation::FermeeParContact); });
    connect(s, &SocketsChat::erreur, this, [this] { Differer(&Conversation::Erreur); });
    connect(s, &SocketsChat::tramesRecues, this, &Conversation::Lus);
    // The key is judged in its turn, after the frames read before it.
    connect(s, &SocketsChat::cleContact, this, [this](const QByteArray& empreinte) {
        const quint64 episode = m_sockets->Episode();
        Apres([this, episode, empreinte] {
            if (episode == m_sockets->Episode()) {
                VerifierCle(empreinte);
            }
        });
    });
    connect(s, &SocketsChat::chiffree, this, [this] {
        if (m_cleAcceptee) {
            emit securiteChange(EtatSecurite());
        }
    });

    const DecodeurTrames* d = &m_decodeur;
    connect(d, &DecodeurTrames::connecte, this, [this](const QString& pseudo) {
        m_sonPseudo = pseudo;
        m_saPresence = PresenceContact::Presente;
        // A contact first known without a nickname is kept with the one it gives.
        RetenirCle();
        emit contactConnecte();
    });
    connect(d, &DecodeurTrames::pseudoChange, this, [this](const QString& pseudo) {
        m_sonPseudo = pseudo;
        RetenirCle();
    });
    connect(d, &DecodeurTrames::message, this,
            [this](int police, int couleur, int style, const QString& texte) {
                m_dernierMessage = QDateTime::currentDateTime();
                emit messageRecu(police, couleur, style, texte);
            });
    connect(d, &DecodeurTrames::statut, this, [this](bool absent) {
        m_saPresence = absent ? PresenceContact::Absente : PresenceContact::Presente;
        emit presenceChange(m_saPresence);
    });
    connect(d, &DecodeurTrames::frappe, this, [this](bool ecrit) {
        m_ilEcrit = ecrit;
        emit frappeChange(ecrit);
    });
    connect(d, &DecodeurTrames::attentePseudo, this, &Conversation::attentePseudo);
    connect(d, &DecodeurTrames::offre, this, [this](const QString& nom, qint64 taille, const QByteArray&) {
        RecuOffre(nom, taille, m_offrePendantQuestion);
    });
    connect(d, &DecodeurTrames::reponse, this, &Conversation::RecuReponse);
    connect(d, &DecodeurTrames::annulation, this, &Conversation::RecuAnnulation);
    connect(d, &DecodeurTrames::poignee, this, [this](int, const QStringList& extensions) {
        m_extensionsCommunes = PoigneeDeMain::Communes(NosExtensions(), extensions);
        m_poigneeRecue = true;
        VerifierPorts();
        emit poigneeRecue(m_extensionsCommunes);
        if (Connectee()) {
            SuitePoignee();
        }
    });
    // Never fatal: the conversation goes on in the base protocol.
    connect(d, &DecodeurTrames::poigneeIllisible, this, [](const QByteArray& donnee) {
        qWarning("ovan: handshake ignored, malformed: %s", donnee.toPercentEncoding(" ;,").constData());
    });
    connect(d, &DecodeurTrames::portAtteint, this, &Conversation::SonResultat);
    connect(d, &DecodeurTrames::abandon, this, [this] { m_abandonDuContact = true; });
    connect(d, &DecodeurTrames::lot, this, [this](int fichiers) { m_lotAnnonce = fichiers; });
    connect(d, &DecodeurTrames::lotIllisible, this, [](const QByteArray& donnee) {
        qWarning("ovan: batch announcement ignored, malformed: %s", donnee.toPercentEncoding().constData());
    });
    connect(d, &DecodeurTrames::portAtteintIllisible, this, [](const QByteArray& donnee) {
        qWarning("ovan: file port check ignored, malformed: %s", donnee.toPercentEncoding().constData());
    });
    // The contact cannot see its own port from outside: it learns from us whether we reached it.
    connect(&m_sonde, &SondePort::resultat, this, [this](bool atteint) {
        if (!Connectee()) {
            return;
        }
        m_envoi.PortAtteint(atteint);
        if (!atteint) {
            emit portFichiersInjoignable(true);
        }
    });

    const auto retenir = [this](const QString& pseudo) { m_pseudoConversation = pseudo; };
    connect(&m_pseudosLus, &DecodeurTrames::connecte, this, retenir);
    connect(&m_pseudosLus, &DecodeurTrames::pseudoChange, this, retenir);

    CanalFichier* c = m_canal.get();
    connect(c, &CanalFichier::progression, this, &Conversation::progression);
    connect(c, &CanalFichier::reprise, this, &Conversation::reprise);
    connect(c, &CanalFichier::fichierCourant, this, &Conversation::fichierCourant);
    // A batch is opened where its first top entry went.
    connect(c, &CanalFichier::place, this, [this](const QString& chemin) {
        if (m_fichier.sens == Sens::Reception && m_fichier.chemin.isEmpty()) {
            m_fichier.chemin = chemin;
            const QString nom = QFileInfo(chemin).fileName();
            m_fichier.nomEnregistre = nom == m_fichier.nom ? QString() : nom;
        }
    });
    // The yes goes once our empty connection is there: the contact may stream right after it.
    connect(c, &CanalFichier::relie, this, [this] { m_envoi.Reponse(true); });
    connect(c, &CanalFichier::termine, this, [this] { Fini(IssueTransfert::Termine); });
    connect(c, &CanalFichier::annule, this, [this] { Fini(IssueTransfert::Annule); });
    connect(c, &CanalFichier::echec, this,
            [this](RaisonEchec raison) { Fini(IssueTransfert::Echec, raison); });
}

Conversation::~Conversation() = default;

bool Conversation::Ecouter() {
    // Between two conversations: the contact's handshake may be read before our own connection
    // is up, so it is forgotten here rather than when that connection comes.
    m_poigneeRecue = false;
    m_abandonDuContact = false;
    m_lotAnnonce = -1;
    m_extensionsCommunes.clear();
    m_sondeLancee = false;
    m_resultatContactLu = false;
    m_sonde.Abandonner();
    // With an identity, every conversation starts without knowing whether it will be encrypted.
    m_decision = m_identite ? Decision::Attente : Decision::Claire;
    m_cleAcceptee = false;
    m_questionCle = QuestionCle::Aucune;
    m_cleQuestion.clear();
    if (m_sockets->Ecouter()) {
        return true;
    }
    emit ecouteImpossible(SocketsChat::PortChat);
    return false;
}

bool Conversation::EcouterFichiers() {
    if (m_canal->Ecouter()) {
        return true;
    }
    emit ecouteImpossible(CanalFichier::PortFichier);
    return false;
}

// The connection.

Conversation::Appel Conversation::Connecter(const QString& adresse) {
    m_adresse = adresse;
    if (Connectee()) {
        return Appel::DejaConnecte;
    }
    if (Trim(m_pseudoSaisi).isEmpty()) {
        return Appel::SansPseudo;
    }
    const QString cible = Trim(adresse);
    if (cible.isEmpty()) {
        return Appel::SansAdresse;
    }
    // The nickname is read again when the connection completes.
    m_sockets->Connecter(cible, SocketsChat::Origine::Commande);
    return Appel::Lance;
}

void Conversation::AppelAccepte(const QString& adresse) {
    if (adresse != QLatin1String("0.0.0.0")) {
        m_adresse = adresse;
    }
    emit appelRecu(adresse);
    // This side called first: both connections now exist.
    if (Connectee()) {
        return;
    }
    m_sockets->Connecter(Trim(m_adresse), SocketsChat::Origine::Retour);
}

QStringList Conversation::NosExtensions() const {
    QStringList extensions{ExtensionVerification, ExtensionReprise, PortFichiers, ExtensionLot};
    if (m_identite) {
        extensions << ExtensionTls;
    }
    return extensions;
}

bool Conversation::LotPossible() const {
    const OptionsFlux options = OptionsFichiers();
    return options.verifier && options.reprendre && m_extensionsCommunes.contains(ExtensionLot);
}

OptionsFlux Conversation::OptionsFichiers() const {
    std::shared_ptr<const ParametresTls> tls;
    if (EtatSecurite() == Securite::Chiffree) {
        tls = std::make_shared<const ParametresTls>(ParametresTls{*m_identite, EmpreinteContact()});
    }
    return {m_extensionsCommunes.contains(ExtensionVerification),
            m_extensionsCommunes.contains(ExtensionReprise), std::move(tls)};
}

void Conversation::Etablie() {
    m_pseudoSaisi = Trim(m_pseudoSaisi);
    // A new conversation starts before its contact's nickname is known.
    m_pseudoConversation.clear();
    m_sockets->ReglEtat(EtatConnexion::Connecte);
    const bool sansPseudo = m_pseudoSaisi.isEmpty();
    if (!sansPseudo) {
        m_monPseudo = m_pseudoSaisi;
        m_envoi.Log(m_monPseudo);
    } else {
        m_envoi.Att();
    }
    // Right after the first frame; a contact that never answers it keeps today's protocol.
    m_envoi.Poignee(NosExtensions());
    if (m_decision == Decision::Attente) {
        // Nothing more of ours goes before we know whether it will be encrypted.
        m_sockets->Retenir(true);
        if (m_poigneeRecue) {
            SuitePoignee();
        } else {
            const quint64 episode = m_sockets->Episode();
            QTimer::singleShot(DelaiPoigneeMs, this, [this, episode] {
                if (episode == m_sockets->Episode() && !m_poigneeRecue) {
                    SansChiffrement();
                }
            });
        }
    }
    m_canal->NouveauContact(m_sockets->AdresseContact());
    // Before anything of ours that may make us connect to the contact's port.
    VerifierPorts();
    emit connectee(sansPseudo);
}

void Conversation::VerifierPorts() {
    if (m_sondeLancee || !Connectee() || !m_extensionsCommunes.contains(PortFichiers)) {
        return;
    }
    m_sondeLancee = true;
    m_canal->SondeAttendue();
    m_sonde.Sonder(m_sockets->AdresseContact());
}

void Conversation::SonResultat(bool atteint) {
    // Only from a copy that said it checks, and once: a contact cannot fill the conversation.
    if (!m_extensionsCommunes.contains(PortFichiers) || std::exchange(m_resultatContactLu, true)) {
        return;
    }
    if (atteint) {
        return;
    }
    m_canal->SondeManquee();
    if (m_canal->EcouteActive()) {
        emit portFichiersInjoignable(false);
    }
}

void Conversation::Differer(void (Conversation::*reaction)()) {
    const quint64 episode = m_sockets->Episode();
    Apres([this, reaction, episode] {
        if (episode == m_sockets->Episode()) {
            (this->*reaction)();
        }
    });
}

void Conversation::FermeeParContact() {
    m_sockets->FermerClient();
    m_sockets->FermerServeur();
    m_sockets->ReglEtat(EtatConnexion::Deconnecte);
    Ecouter();
    // The contact is gone: its last status no longer says anything true.
    m_saPresence = PresenceContact::Inconnue;
    emit terminee(Fin::ParContact, true);
}

void Conversation::Erreur() {
    // A handler waiting for the user lets events run: a second failing socket must not stack.
    if (m_erreurEnCours) {
        return;
    }
    m_erreurEnCours = true;
    m_sockets->FermerServeur();
    m_sockets->ReglEtat(EtatConnexion::Erreur);
    emit echecConnexion();
    m_sockets->ReglEtat(EtatConnexion::Deconnecte);
    Ecouter();
    m_saPresence = PresenceContact::Inconnue;
    emit terminee(Fin::Erreur, true);
    m_erreurEnCours = false;
}

void Conversation::Deconnecter() {
    // What the contact sent before the user disconnected comes before it, not after; what cannot
    // be handled now (a question is open) belonged to the ended conversation.
    ToutTraiter();
    Abandonner();
    const bool etaitConnectee = Connectee();
    m_sockets->FermerClient();
    m_sockets->FermerServeur();
    // The file port listens again: a transfer under way ends.
    m_canal->Annuler();
    m_sockets->ReglEtat(EtatConnexion::Deconnecte);
    Ecouter();
    EcouterFichiers();
    m_saPresence = PresenceContact::Inconnue;
    emit terminee(Fin::ParNous, etaitConnectee);
}

void Conversation::DonnerPseudo(const QString& pseudo) {
    m_pseudoSaisi = pseudo;
    if (pseudo.isEmpty()) {
        return;
    }
    m_monPseudo = pseudo;
    m_envoi.Log(pseudo);
}

void Conversation::AnnoncerPseudo() {
    if (Connectee()) {
        m_envoi.Pse(m_monPseudo);
    }
}

void Conversation::ReglerAbsent(bool absent) {
    m_absent = absent;
    m_envoi.Statut(absent);
}

void Conversation::Frappe(bool ecrit) {
    if (Connectee()) {
        m_envoi.Frappe(ecrit);
        m_jEcris = ecrit;
    }
}

std::optional<QString> Conversation::EnvoyerMessage(int police, int couleur, int style,
                                                    const QString& texte) {
    if (!Connectee()) {
        return std::nullopt;
    }
    // A line break travels as CR LF.
    QString surLeFil = Trim(texte);
    surLeFil.replace(u'\n', QLatin1String("\r\n"));
    // Decided on the bytes that travel: the echo shows what the contact will read.
    const QByteArray octets = EnvoiTrames::TexteSurLeFil(surLeFil);
    if (octets.isEmpty() || RetourChariot(octets)) {
        return std::nullopt;
    }
    m_envoi.Message(police, couleur, style, surLeFil);
    return Ansi::DepuisAnsi(octets).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

// Incoming frames.

void Conversation::Lus(const QList<Trame::TrameRecue>& trames) {
    // The history names the contact as soon as its nickname is read.
    for (const Trame::TrameRecue& trame : trames) {
        if (trame.balise == Trame::Balise::LOG || trame.balise == Trame::Balise::PSE) {
            m_pseudosLus.Decoder(trame);
        }
    }
    Traiter(trames);
}

void Conversation::Traiter(const QList<Trame::TrameRecue>& trames) {
    for (const Trame::TrameRecue& trame : trames) {
        if (AttendUtilisateur(trame.balise)) {
            const QByteArray cle = Cle(trame);
            if (m_attendues.contains(cle)) {
                continue;
            }
            m_attendues.insert(cle);
        }
        // One offer is asked at a time: those read while another is asked or waits to be are
        // refused without a question.
        const bool offre = trame.balise == Trame::Balise::DEM;
        m_file.push_back(
            {trame, {}, m_sockets->Episode(), offre && (m_questionOuverte || m_offresEnAttente > 0)});
        m_offresEnAttente += offre ? 1 : 0;
    }
    ReglerLecture();
    Planifier();
}

void Conversation::Apres(std::function<void()> reaction) {
    m_file.push_back({{}, std::move(reaction)});
    Planifier();
}

void Conversation::Planifier() {
    if (!m_planifie && !m_file.empty()) {
        m_planifie = true;
        QTimer::singleShot(0, this, &Conversation::Continuer);
    }
}

void Conversation::ReglerLecture() {
    const qsizetype taille = EnAttente();
    if (taille > LimiteFile && !m_sockets->LectureSuspendue()) {
        m_sockets->SuspendreLecture(true);
    } else if (taille <= LimiteFile / 4 && m_sockets->LectureSuspendue()) {
        m_sockets->SuspendreLecture(false);
    }
}

void Conversation::Continuer() {
    m_planifie = false;
    // A handler waiting for the user runs its own loop: frames read meanwhile wait their turn.
    if (m_enCours) {
        return;
    }
    m_enCours = true;
    QElapsedTimer montre;
    montre.start();
    while (!m_file.empty() && m_questionCle == QuestionCle::Aucune && montre.elapsed() < TrancheMs) {
        Suivant();
    }
    m_enCours = false;
    ReglerLecture();
    Planifier();
}

void Conversation::Suivant() {
    const Evenement& premier = m_file.front();
    if (!premier.reaction && m_decision == Decision::Attente && !m_poigneeRecue &&
        !Preliminaire(premier.trame.balise)) {
        SansChiffrement();
        if (m_questionCle != QuestionCle::Aucune) {
            return;
        }
    }
    // What the event needs is taken out of the queue first: a handler waiting for the user lets
    // more frames arrive meanwhile.
    Evenement evenement = std::move(m_file.front());
    m_file.pop_front();
    if (evenement.reaction) {
        evenement.reaction();
        return;
    }
    const Trame::Balise balise = evenement.trame.balise;
    m_offresEnAttente -= balise == Trame::Balise::DEM ? 1 : 0;
    // An offer or an answer from a contact who has left asks nothing and starts nothing.
    const bool parti = evenement.episode != m_sockets->Episode() || m_sockets->ContactParti();
    if (!parti || (balise != Trame::Balise::DEM && balise != Trame::Balise::RPS)) {
        m_offrePendantQuestion = evenement.pendantUneQuestion;
        Une(evenement.trame);
        m_offrePendantQuestion = false;
    }
    if (AttendUtilisateur(balise)) {
        m_attendues.remove(Cle(evenement.trame));
    }
}

void Conversation::ToutTraiter() {
    if (m_enCours) {
        return;
    }
    m_enCours = true;
    while (!m_file.empty() && m_questionCle == QuestionCle::Aucune) {
        Suivant();
    }
    m_enCours = false;
    ReglerLecture();
}

void Conversation::Abandonner() {
    m_file.clear();
    m_offresEnAttente = 0;
    m_attendues.clear();
    ReglerLecture();
}

void Conversation::Une(const Trame::TrameRecue& trame) {
    m_decodeur.Decoder(trame);
    emit trameTraitee(trame);
}

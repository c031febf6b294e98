// The conversation with one contact, from the listening sockets to the file channel: both
// nicknames, the connection's state, the contact's presence and typing, the last message's time,
// and the file offers, answers and cancels. It shows nothing and asks nothing: it announces what
// happened, and the user's answers come back as calls.
#pragma once

#include "core/chat/DecodeurTrames.h"
#include "core/chat/EnvoiTrames.h"
#include "core/chat/SocketsChat.h"
#include "core/chat/Trame.h"
#include "core/security/Confiance.h"
#include "core/security/Identite.h"
#include "core/transfer/CanalFichier.h"
#include "core/transfer/SondePort.h"
#include "core/transfer/TravailTransfert.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class Conversation : public QObject {
    Q_OBJECT
public:
    // Past this many waiting frames, nothing more is read from the contact until they are handled.
    static constexpr qsizetype LimiteFile = 256;

    enum class Fin { ParContact, Erreur, ParNous };
    Q_ENUM(Fin)
    enum class PresenceContact { Inconnue, Presente, Absente };
    Q_ENUM(PresenceContact)
    enum class Sens { Envoi, Reception };
    Q_ENUM(Sens)
    // Why an offer of the contact was refused: by the user, or by this side without a question.
    enum class Refus { ParVous, NomInvalide, TailleInvalide, AucunNomLibre, TransfertEnCours };
    Q_ENUM(Refus)
    // What came of the connect command.
    enum class Appel { Lance, DejaConnecte, SansPseudo, SansAdresse };
    // Whether this conversation is encrypted: Inconnue until it is known (and always before the
    // contact's key is accepted).
    enum class Securite { Inconnue, Claire, Chiffree };
    Q_ENUM(Securite)
    // What came of offering a file.
    // UnSeul: several files or a folder, to a contact that takes one file per offer;
    // LotImpossible: the batch cannot be sent (OffrirFichiers says why).
    enum class Offre { Faite, NomVide, OuvertureImpossible, UnSeul, LotImpossible };

    // The file offered, or the one being moved or last moved.
    struct Fichier {
        Sens sens = Sens::Envoi;
        // The name both users read.
        QString nom;
        // The whole path on this machine: the file sent, or where it is received.
        QString chemin;
        // Receiver: the name it was saved under when a file of the shown name was there already.
        QString nomEnregistre;
        qint64 taille = 0;
        // Its SHA-256 is compared on arrival (a copy of ours at the other end).
        bool verifie = false;
        // A batch of files and folders: how many files it holds; -1 for a single file.
        int fichiers = -1;
    };

    // adresseLocale: where to listen and connect from; delaiFichierMs: how long a file peer may
    // take to connect, or a file stream may stall; delaiSondeMs: how long the contact's file port
    // may take to answer our check.
    explicit Conversation(const QHostAddress& adresseLocale,
                          int delaiFichierMs = CanalFichier::DelaiParDefautMs,
                          int delaiSondeMs = SondePort::DelaiParDefautMs, QObject* parent = nullptr);
    ~Conversation() override;

    // What the conversation knows.
    EtatConnexion Etat() const { return m_sockets->Etat(); }
    bool Connectee() const { return Etat() == EtatConnexion::Connecte; }
    // The nickname in use (announced in "[LOG]" and "[PSE]") and the one typed, used at the next
    // connection.
    const QString& MonPseudo() const { return m_monPseudo; }
    const QString& PseudoSaisi() const { return m_pseudoSaisi; }
    // The contact's last nickname, kept after it left.
    const QString& SonPseudo() const { return m_sonPseudo; }
    // What this copy announces in its handshake, and what both sides announced in this conversation
    // (nothing with a contact that never sent one: then every byte stays as in the base protocol).
    static inline const QString ExtensionVerification = QStringLiteral("sha256");
    static inline const QString ExtensionReprise = QStringLiteral("reprise");
    // Several files and folders in one offer; used only with both of the above.
    static inline const QString ExtensionLot = QStringLiteral("lot");
    // Both chat connections and every file stream in TLS 1.3; announced with an identity only.
    static inline const QString ExtensionTls = QStringLiteral("tls");
    QStringList NosExtensions() const;
    // What a file stream carries besides the bytes in this conversation.
    OptionsFlux OptionsFichiers() const;
    // Several files or a folder may go in one offer.
    bool LotPossible() const;
    bool PoigneeRecue() const { return m_poigneeRecue; }
    const QStringList& ExtensionsCommunes() const { return m_extensionsCommunes; }
    // The contact's nickname as read in this conversation: empty from the connection until its
    // "[LOG]" or "[PSE]" has been read.
    const QString& PseudoDeCetteConversation() const { return m_pseudoConversation; }
    const QString& AdresseSaisie() const { return m_adresse; }
    PresenceContact SaPresence() const { return m_saPresence; }
    bool IlEcrit() const { return m_ilEcrit; }
    bool Absent() const { return m_absent; }
    // "[TAP]" "ecr" sent and not yet followed by "vid".
    bool JEcris() const { return m_jEcris; }
    // When the last message arrived, in this run (kept across conversations).
    const std::optional<QDateTime>& DernierMessage() const { return m_dernierMessage; }
    // Where received files go, ending in "/".
    const QString& DossierReception() const { return m_dossierReception; }
    const Fichier& FichierCourant() const { return m_fichier; }
    // An offer of the contact waits for the user's answer.
    bool QuestionOuverte() const { return m_questionOuverte; }
    bool TransfertEnCours() const { return m_canal->EnCours(); }
    // The last transfer ended well and no other has started since.
    bool FichierOuvrable() const { return m_fichierOuvrable; }

    // Encryption with copies of ours: this copy's identity and the contacts' keys as first seen
    // (kept by the caller, which outlives the conversation; null: keys are not kept). Without an
    // identity nothing is encrypted, and nothing is announced.
    void ReglerChiffrement(const Identite& identite, Confiance* confiance);
    Securite EtatSecurite() const;
    // The key this conversation's contact showed, once accepted; empty otherwise.
    QByteArray EmpreinteContact() const;
    // Six groups of five digits from both keys, the same on the contact's screen; empty unless
    // encrypted.
    QString CodeDeSurete() const;
    // The two users compared the code and said it matched (kept with the contact's key).
    bool ContactVerifie() const;
    bool MarquerVerifie();
    // How long a contact may take to show its handshake before it is taken as one that has none
    // (our frames wait meanwhile, unless one of its own frames says it sooner).
    static constexpr int DelaiPoigneeMs = 2000;

    SocketsChat& Sockets() { return *m_sockets; }
    CanalFichier& Canal() { return *m_canal; }

    // Settings.
    void ReglerPseudoSaisi(const QString& pseudo) { m_pseudoSaisi = pseudo; }
    void ReglerMonPseudo(const QString& pseudo) { m_monPseudo = pseudo; }
    void ReglerAdresse(const QString& adresse) { m_adresse = adresse; }
    void ReglerDossierReception(const QString& dossier) { m_dossierReception = dossier; }

    // Listening on port 60000, and on the file port; each failure is announced.
    bool Ecouter();
    bool EcouterFichiers();

    // Commands.
    Appel Connecter(const QString& adresse);
    // Ends the conversation: what the contact sent before is handled first (unless a question
    // about it is open), a transfer under way is cancelled, both ports listen again.
    void Deconnecter();
    // The nickname asked for after a connection made without one: "[LOG]".
    void DonnerPseudo(const QString& pseudo);
    // "[PSE]" with the nickname in use, when connected.
    void AnnoncerPseudo();
    void ReglerAbsent(bool absent);
    // "[TAP]", when connected.
    void Frappe(bool ecrit);
    // The text the contact will read once sent (characters Windows-1252 cannot hold become "?",
    // control characters are dropped); nothing when there is nothing to send.
    std::optional<QString> EnvoyerMessage(int police, int couleur, int style, const QString& texte);
    Offre OffrirFichier(const QString& chemin);
    // Files and folders chosen together: one file alone is offered as above; several, or a
    // folder, as one batch to a copy that speaks "lot" (erreur says why it cannot be sent).
    Offre OffrirFichiers(const QStringList& chemins, QString* erreur = nullptr);
    // The user's answer to offreRecue.
    void RepondreOffre(bool oui);
    // The user cancels: the contact is told while a transfer is under way.
    void AnnulerTransfert();
    // The user's answer to cleChangee or chiffrementPerdu: go on (the new key is kept), or
    // disconnect without handling anything more of the contact's.
    void RepondreCle(bool continuer);
    bool QuestionCleOuverte() const { return m_questionCle != QuestionCle::Aucune; }

    // The frames of one read. They are handled later, in order and in slices: never inside the
    // socket's own signal, never freezing the program; a handler that waits for the user (a box)
    // holds the ones behind it.
    void Traiter(const QList<Trame::TrameRecue>& trames);
    // Handles everything waiting, now, unless a handler is waiting for the user.
    void ToutTraiter();
    // Drops what waits: the conversation it came from is over.
    void Abandonner();
    qsizetype EnAttente() const { return qsizetype(m_file.size()); }

signals:
    void etatChange(EtatConnexion etat, const QString& texte);
    // The port could not be listened on.
    void ecouteImpossible(quint16 port);
    // A caller was accepted; its address, unless it is 0.0.0.0, is now the one typed.
    void appelRecu(const QString& adresse);
    // Connected, "[LOG]" or "[ATT]" sent: sansPseudo when no nickname was typed.
    void connectee(bool sansPseudo);
    // A socket failed: the state says so until the handlers of this signal return.
    void echecConnexion();
    // The conversation is over and both ports listen again; etaitConnectee: it had been connected.
    void terminee(Conversation::Fin fin, bool etaitConnectee);

    // Frames, each after the conversation's facts took it in.
    void contactConnecte(); // "[LOG]"
    void attentePseudo();   // "[ATT]"
    // The contact's handshake: it is a copy of ours; communes is what both speak.
    void poigneeRecue(const QStringList& communes);
    void messageRecu(int police, int couleur, int style, const QString& texte);
    void presenceChange(Conversation::PresenceContact presence);
    void frappeChange(bool ecrit);
    void trameTraitee(const Trame::TrameRecue& trame);

    // Encryption. Each question holds the conversation (nothing of the contact's is handled,
    // nothing of ours is sent) until RepondreCle.
    // The contact shows another key than the one kept for its nickname or address (ancien).
    void cleChangee(const ContactConnu& ancien, const QByteArray& nouvelle);
    // A contact whose conversations were encrypted comes back without encryption.
    void chiffrementPerdu();
    void securiteChange(Conversation::Securite securite);

    // Files.
    // fichiers: how many files a batch holds, -1 for a single file.
    void offreRecue(const QString& nom, qint64 taille, int fichiers);
    // With a copy that speaks "port-fichiers", each side checks the other's file port once the
    // handshakes are read, and tells the result. A port that did not answer is told once per
    // conversation: sonPort, the contact's (we cannot send), else ours (it cannot send; not told
    // when our port could not be listened on, which was said already).
    void portFichiersInjoignable(bool sonPort);
    // The offer came while a transfer runs: the user is told once, before it is refused.
    void dejaEnCours();
    void offreRefusee(const QString& nom, Conversation::Refus raison);
    // Offers the contact makes while one is asked or a transfer runs get no question; said once.
    void offresRefuseesSansQuestion();
    void reponseRecue(bool oui, const QString& nom);
    void transfertCommence(const Conversation::Fichier& fichier);
    void progression(qint64 fait, qint64 total);
    // The transfer resumes: the receiver already held the first depuis bytes.
    void reprise(qint64 depuis);
    // A batch: the file whose bytes go now, by its path in the batch.
    void fichierCourant(const QString& chemin);
    void annulationDuContact();
    void transfertFini(IssueTransfert issue, RaisonEchec raison);

private:
    struct Evenement {
        Trame::TrameRecue trame;
        std::function<void()> reaction;
        quint64 episode = 0;
        // An offer read while another was asked or waiting to be.
        bool pendantUneQuestion = false;
    };

    void Lus(const QList<Trame::TrameRecue>& trames);
    void AppelAccepte(const QString& adresse);
    void Etablie();
    void FermeeParContact();
    void Erreur();
    // Runs reaction after the frames read before it, and only if its conversation is still the
    // current one.
    void Differer(void (Conversation::*reaction)());
    void Apres(std::function<void()> reaction);
    void Planifier();
    void Continuer();
    void Suivant();
    void ReglerLecture();
    void Une(const Trame::TrameRecue& trame);

    void RecuOffre(const QString& nom, qint64 taille, bool pendantUneQuestion);
    void RecuReponse(bool oui);
    bool MemeFichierEnReception(const QString& nom, qint64 taille) const;
    void RecuAnnulation();
    void Refuser(const QString& nom, Refus raison);
    void RefuserSansQuestion();
    void Accepter(const QString& nom, const QString& nomFinal, qint64 taille);
    void AccepterLot(const Fichier& offre);
    void Commencer(Sens sens);
    void Fini(IssueTransfert issue, RaisonEchec raison = RaisonEchec::ConnexionImpossible);
    void VerifierPorts();
    void SonResultat(bool atteint);
    void SuitePoignee();
    void SansChiffrement();
    void VerifierCle(const QByteArray& empreinte);
    void Confier();
    void RetenirCle();
    QString AdresseContactTexte() const;

    enum class QuestionCle { Aucune, Changee, Perdu };

    std::unique_ptr<SocketsChat> m_sockets;
    EnvoiTrames m_envoi;
    std::unique_ptr<CanalFichier> m_canal;
    SondePort m_sonde;
    // Its signals run the frame handlers at once, inside Une.
    DecodeurTrames m_decodeur;
    // The nicknames of the frames as they are read, before their turn comes.
    DecodeurTrames m_pseudosLus;

    QString m_monPseudo;
    QString m_pseudoSaisi;
    QString m_sonPseudo;
    bool m_poigneeRecue = false;
    // "[OVA]" read: the contact's next cancel is wanted, not a broken stream's.
    bool m_abandonDuContact = false;
    QStringList m_extensionsCommunes;
    // This conversation's check of the contact's file port has started; its result has come.
    bool m_sondeLancee = false;
    bool m_resultatContactLu = false;
    QString m_pseudoConversation;
    QString m_adresse;
    QString m_dossierReception;
    PresenceContact m_saPresence = PresenceContact::Inconnue;
    bool m_ilEcrit = false;
    bool m_absent = false;
    bool m_jEcris = false;
    std::optional<QDateTime> m_dernierMessage;
    bool m_erreurEnCours = false;

    std::deque<Evenement> m_file;
    // Frames that may wait for the user, waiting or being handled: the same one is not queued twice.
    QSet<QByteArray> m_attendues;
    bool m_enCours = false;
    bool m_planifie = false;
    bool m_offrePendantQuestion = false;
    int m_offresEnAttente = 0;

    Fichier m_fichier;
    // The batch offered, while m_fichier is one.
    std::shared_ptr<const Lot::Source> m_lot;
    // "[OVL]" read: the next offer is a batch of that many files.
    int m_lotAnnonce = -1;
    std::optional<Fichier> m_offreRecue;
    bool m_questionOuverte = false;
    bool m_refusSignale = false;
    // The transfer that runs is told once, for the first offer it refuses.
    bool m_dejaEnCoursSignale = false;
    bool m_fichierOuvrable = false;

    std::optional<Identite> m_identite;
    Confiance* m_confiance = nullptr;
    // This conversation: not yet known whether it will be encrypted (our frames are held),
    // switching, or decided.
    enum class Decision { Attente, Chiffrement, Claire } m_decision = Decision::Claire;
    bool m_cleAcceptee = false;
    QuestionCle m_questionCle = QuestionCle::Aucune;
    QByteArray m_cleQuestion;
};

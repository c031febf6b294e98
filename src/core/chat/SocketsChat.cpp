#include "core/chat/SocketsChat.h"

#include "core/chat/VeilleTcp.h"
#include "core/network/Dnssd.h"
#include "core/network/Taches.h"

#include <QCryptographicHash>
#include <QHostInfo>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

constexpr std::chrono::seconds DelaiFermeture{10};
// Reads are cut into slices so that the reader can hold back between two of them.
constexpr qint64 TrancheLecture = 4096;

void LacherVeille(QTcpSocket* socket) {
    if (VeilleTcp* veille = VeilleTcp::De(socket)) {
        veille->Lacher();
    }
}

// Shut down the sending side once what is queued is written, then let the socket go.
void FermerSocket(QTcpSocket* socket) {
    if (!socket) {
        return;
    }
    socket->disconnect();
    LacherVeille(socket);
    if (socket->state() == QAbstractSocket::ConnectedState) {
        socket->flush();
        socket->disconnectFromHost();
    } else {
        socket->abort();
    }
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->deleteLater();
    } else {
        QObject::connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QAbstractSocket::errorOccurred, socket, &QObject::deleteLater);
        // A peer that never reads would keep it for ever.
        QTimer::singleShot(DelaiFermeture, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
    }
}

void FermerEcoute(QTcpServer* serveur) {
    if (!serveur) {
        return;
    }
    serveur->disconnect();
    serveur->close();
    serveur->deleteLater();
}

QString EnTexteIPv4(const QHostAddress& adresse) {
    bool ok = false;
    const quint32 ipv4 = adresse.toIPv4Address(&ok);
    return ok ? QHostAddress(ipv4).toString() : adresse.toString();
}

// Strict dotted IPv4: four decimal numbers 0..255.
bool LireIPv4(const QString& texte, QHostAddress& adresse) {
    const QStringList parts = texte.split(u'.');
    if (parts.size() != 4) {
        return false;
    }
    quint32 valeur = 0;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3) {
            return false;
        }
        for (QChar c : part) {
            if (c < u'0' || c > u'9') {
                return false;
            }
        }
        const uint octet = part.toUInt();
        if (octet > 255) {
            return false;
        }
        valeur = (valeur << 8) | octet;
    }
    adresse = QHostAddress(valeur);
    return true;
}

// Accepted connections are TLS-capable, and clear until they switch.
class EcouteChat : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descripteur) override {
        auto* socket = new QSslSocket(this);
        if (socket->setSocketDescriptor(descripteur)) {
            addPendingConnection(socket);
        } else {
            delete socket;
        }
    }
};

} // namespace

SocketsChat::SocketsChat(const QHostAddress& adresseLocale, QObject* parent)
    : QObject(parent), m_adresseLocale(adresseLocale), m_taches(std::make_unique<Taches>()) {
    m_delai.setSingleShot(true);
    m_delai.setInterval(DelaiChiffrement);
    connect(&m_delai, &QTimer::timeout, this, [this] {
        if (!Chiffree()) {
            Signaler(true);
        }
    });
}

void SocketsChat::ReglerIdentite(const std::optional<Identite>& identite) {
    m_tls.reset();
    if (!identite) {
        return;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    // No authority vouches for a contact: the system's would only cost their loading at each switch.
    tls.setCaCertificates({});
    tls.setProtocol(QSsl::TlsV1_3OrLater);
    tls.setLocalCertificate(QSslCertificate(identite->certificat, QSsl::Pem));
    tls.setPrivateKey(QSslKey(identite->cle, QSsl::Ec, QSsl::Pem));
    // The certificates are self-signed: trust rests on the fingerprint kept of each contact,
    // which the conversation compares. Each side still asks for the other's certificate.
    tls.setPeerVerifyMode(QSslSocket::QueryPeer);
    tls.setSslOption(QSsl::SslOptionDisableSessionTickets, true);
    m_tls = tls;
}

SocketsChat::~SocketsChat() {
    m_taches.reset();
    // Children go with us; only their signals must not reach a half-destroyed object.
    for (QObject* enfant : children()) {
        enfant->disconnect(this);
    }
}

QString SocketsChat::TexteEtat(EtatConnexion etat) {
    switch (etat) {
    case EtatConnexion::Deconnecte: return QStringLiteral("Deconnecté(e)");
    case EtatConnexion::Ecoute: return QStringLiteral("En écoute...");
    case EtatConnexion::Recherche: return QStringLiteral("Pas d'adresse !");
    case EtatConnexion::EnConnexion: return QStringLiteral("Connexion en cours...");
    case EtatConnexion::Connecte: return QStringLiteral("Connecté(e)");
    case EtatConnexion::Erreur: return QStringLiteral("Erreur");
    }
    return QString();
}

void SocketsChat::ReglEtat(EtatConnexion etat) {
    m_etat = etat;
    emit etatChange(etat, TexteEtat(etat));
}

bool SocketsChat::EcouteActive() const {
    return W_ServeurEcoute && W_ServeurEcoute->isListening();
}

QTcpSocket* SocketsChat::NouveauClient() {
    auto* client = new QSslSocket(this);
    m_ecriture = Passage::Clair;
    m_reponse.clear();
    connect(client, &QAbstractSocket::connected, this, [this, client] {
        if (client != W_Client) {
            return;
        }
        client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        VeilleTcp::Surveiller(client);
        emit connexionEtablie();
    });
    // The protocol puts nothing on this connection but the answer to our marker: the rest is
    // dropped.
    client->setReadBufferSize(TailleLecture);
    connect(client, &QIODevice::readyRead, this, [this, client] {
        if (client == W_Client && m_ecriture == Passage::Marque) {
            LireReponse(client);
        } else {
            client->skip(client->bytesAvailable());
        }
    });
    connect(client, &QSslSocket::encrypted, this, [this, client] { SurChiffre(client); });
    connect(client, &QAbstractSocket::disconnected, this, [this, client] { SurFermeture(client); });
    connect(client, &QAbstractSocket::errorOccurred, this,
            [this, client](QAbstractSocket::SocketError code) { SurErreurSocket(client, code); });
    return client;
}

void SocketsChat::SurErreurSocket(QTcpSocket* socket, int code) {
    // A close, orderly or not, is told apart when the socket reports it is disconnected.
    if (code == QAbstractSocket::RemoteHostClosedError) {
        return;
    }
    if (socket != W_Client && socket != W_Serveur) {
        return;
    }
    Signaler(true);
}

void SocketsChat::SurFermeture(QTcpSocket* socket) {
    if (socket != W_Client && socket != W_Serveur) {
        return;
    }
    VeilleTcp* veille = VeilleTcp::De(socket);
    const bool reinitialisee = veille && veille->Reinitialisee();
    if (veille) {
        veille->Lacher();
    }
    Signaler(reinitialisee);
}

void SocketsChat::Signaler(bool enErreur) {
    if (m_finSignalee) {
        return;
    }
    m_finSignalee = true;
    // What the contact sent before leaving comes before its leaving.
    LireReste();
    if (enErreur) {
        emit erreur();
    } else {
        emit fermeture();
    }
}

bool SocketsChat::Ecouter() {
    FermerEcoute(W_ServeurEcoute);
    FermerSocket(W_Serveur);
    FermerSocket(W_Client);
    W_Serveur = nullptr;
    ++m_generation;
    ++m_episode;
    m_finSignalee = false;
    m_lectureSuspendue = false;
    m_lecteur.Vider();
    m_lecture = Passage::Clair;
    m_retenir = false;
    m_retenues.clear();
    m_tailleRetenue = 0;
    m_empreinte.clear();
    m_delai.stop();
    W_Client = NouveauClient();
    W_ServeurEcoute = new EcouteChat(this);
    ReglEtat(EtatConnexion::Deconnecte);
    // Backlog 0: one caller at a time; the accepted one takes the listener's place.
    W_ServeurEcoute->setListenBacklogSize(0);
    connect(W_ServeurEcoute, &QTcpServer::newConnection, this, &SocketsChat::SurAppel);
    if (!W_ServeurEcoute->listen(m_adresseLocale, PortChat)) {
        return false;
    }
    ReglEtat(EtatConnexion::Ecoute);
    return true;
}

void SocketsChat::SurAppel() {
    if (!W_ServeurEcoute) {
        return;
    }
    QTcpSocket* accepte = W_ServeurEcoute->nextPendingConnection();
    if (!accepte) {
        return;
    }
    FermerEcoute(W_ServeurEcoute);
    W_ServeurEcoute = nullptr;
    FermerSocket(W_Serveur);
    W_Serveur = accepte;
    accepte->setParent(this);
    m_lecteur.Vider();
    BrancherServeur(accepte);
    m_adresseAppelant = EnTexteIPv4(accepte->peerAddress());
    emit appelAccepte(m_adresseAppelant);
    // Bytes that came with the connection are read now.
    if (W_Serveur == accepte && accepte->bytesAvailable() > 0) {
        LireServeur(accepte);
    }
}

void SocketsChat::BrancherServeur(QTcpSocket* socket) {
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->setReadBufferSize(TailleLecture);
    VeilleTcp::Surveiller(socket);
    connect(socket, &QIODevice::readyRead, this, [this, socket] { LireServeur(socket); });
    connect(socket, &QAbstractSocket::errorOccurred, this,
            [this, socket](QAbstractSocket::SocketError code) { SurErreurSocket(socket, code); });
    // Without this connection we could neither hear the contact nor be called again.
    connect(socket, &QAbstractSocket::disconnected, this, [this, socket] { SurFermeture(socket); });
    if (auto* ssl = qobject_cast<QSslSocket*>(socket)) {
        connect(ssl, &QSslSocket::encrypted, this, [this, ssl] { SurChiffre(ssl); });
    }
}

void SocketsChat::LireServeur(QTcpSocket* socket) {
    while (socket == W_Serveur && !m_lectureSuspendue && !m_finSignalee && socket->bytesAvailable() > 0 &&
           m_lecture != Passage::Negociation) {
        const QList<Trame::TrameRecue> trames = m_lecteur.Ajouter(socket->read(TrancheLecture));
        const Trame::CoupeMarque coupe = m_tls && m_lecture == Passage::Clair
                                             ? Trame::CouperAuMarqueur(trames, m_lecteur.EnAttente())
                                             : Trame::CoupeMarque{trames, false, false};
        if (!coupe.avant.isEmpty()) {
            emit tramesRecues(coupe.avant);
        }
        if (!coupe.marque) {
            continue;
        }
        if (socket != W_Serveur || m_finSignalee) {
            return;
        }
        // The contact writes nothing after its marker until we answer: anything else would be
        // read in clear where it meant to be encrypted.
        if (coupe.suite || socket->bytesAvailable() > 0) {
            Signaler(true);
            return;
        }
        PasserLecture(qobject_cast<QSslSocket*>(socket));
        return;
    }
}

void SocketsChat::PasserLecture(QSslSocket* socket) {
    if (!socket) {
        Signaler(true);
        return;
    }
    m_lecture = Passage::Negociation;
    m_lecteur.Vider();
    socket->write(Trame::Ovt());
    socket->setSslConfiguration(*m_tls);
    socket->startServerEncryption();
    ArmerDelai();
}

void SocketsChat::Chiffrer() {
    if (!m_tls || !W_Client || W_Client->state() != QAbstractSocket::ConnectedState ||
        m_ecriture != Passage::Clair) {
        return;
    }
    m_ecriture = Passage::Marque;
    W_Client->write(Trame::Ovt());
    ArmerDelai();
}

void SocketsChat::ArmerDelai() {
    if (!m_delai.isActive()) {
        m_delai.start();
    }
}

void SocketsChat::LireReponse(QSslSocket* client) {
    const QByteArray attendue = Trame::Ovt();
    m_reponse += client->read(attendue.size() - m_reponse.size());
    // The contact's TLS server waits for us: nothing may follow its answer yet.
    if (!attendue.startsWith(m_reponse) || (m_reponse == attendue && client->bytesAvailable() > 0)) {
        Signaler(true);
        return;
    }
    if (m_reponse != attendue) {
        return;
    }
    m_ecriture = Passage::Negociation;
    client->setSslConfiguration(*m_tls);
    client->startClientEncryption();
}

void SocketsChat::SurChiffre(QSslSocket* socket) {
    if (socket != W_Client && socket != W_Serveur) {
        return;
    }
    const QSslCertificate certificat = socket->peerCertificate();
    const QByteArray empreinte =
        certificat.isNull() ? QByteArray() : certificat.digest(QCryptographicHash::Sha256);
    // Both connections must show the same key: anything else is a third party on one of them.
    if (empreinte.isEmpty() || (!m_empreinte.isEmpty() && empreinte != m_empreinte)) {
        Signaler(true);
        return;
    }
    (socket == W_Client ? m_ecriture : m_lecture) = Passage::Chiffre;
    if (m_empreinte.isEmpty()) {
        m_empreinte = empreinte;
        emit cleContact(empreinte);
    }
    if (socket == W_Client) {
        Vider();
    } else {
        // What came encrypted with the end of the handshake is read now.
        SuspendreLecture(m_lectureSuspendue);
    }
    if (Chiffree()) {
        m_delai.stop();
        emit chiffree();
    }
}

void SocketsChat::SuspendreLecture(bool suspendre) {
    m_lectureSuspendue = suspendre;
    if (suspendre || m_lecturePlanifiee) {
        return;
    }
    m_lecturePlanifiee = true;
    QTimer::singleShot(0, this, [this] {
        m_lecturePlanifiee = false;
        if (W_Serveur) {
            LireServeur(W_Serveur);
        }
    });
}

void SocketsChat::LireReste() {
    QTcpSocket* socket = W_Serveur;
    qint64 lu = 0;
    while (socket && socket == W_Serveur && lu < TailleMaxReste) {
        if (socket->bytesAvailable() == 0 &&
            !(socket->state() == QAbstractSocket::ConnectedState && socket->waitForReadyRead(0))) {
            break;
        }
        const QByteArray morceau = socket->read(std::min(TrancheLecture, TailleMaxReste - lu));
        if (morceau.isEmpty()) {
            break;
        }
        lu += morceau.size();
        const QList<Trame::TrameRecue> trames = m_lecteur.Ajouter(morceau);
        if (!trames.isEmpty()) {
            emit tramesRecues(trames);
        }
    }
}

void SocketsChat::ChercheAdresse(const QString& IP, std::function<void(const QHostAddress&)> suite) {
    QHostAddress adresse;
    if (LireIPv4(IP, adresse)) {
        suite(adresse);
        return;
    }
    const quint64 generation = m_generation;
    ReglEtat(EtatConnexion::Recherche);
    // The local network's names belong to mDNS: the system's resolver may not know them, and a
    // DNS server should not be asked. Without an mDNS daemon the system's resolver still tries.
    const QString nom = IP.endsWith(u'.') ? IP.chopped(1) : IP;
    if (nom.endsWith(QLatin1String(".local"), Qt::CaseInsensitive)) {
        m_taches->Lancer([nom](const Taches::Arret& arret) { return Dnssd::AdresseIPv4(nom, arret); },
                         [this, generation, suite, IP](const QString& trouvee) {
                             if (generation != m_generation) {
                                 return;
                             }
                             QHostAddress adresse;
                             if (LireIPv4(trouvee, adresse) && adresse.toIPv4Address() != 0) {
                                 suite(adresse);
                             } else {
                                 ChercheParSysteme(IP, generation, suite);
                             }
                         });
        return;
    }
    ChercheParSysteme(IP, generation, suite);
}

void SocketsChat::ChercheParSysteme(const QString& IP, quint64 generation,
                                    std::function<void(const QHostAddress&)> suite) {
    QHostInfo::lookupHost(IP, this, [this, generation, suite](const QHostInfo& info) {
        if (generation != m_generation) {
            return;
        }
        for (const QHostAddress& trouvee : info.addresses()) {
            bool ok = false;
            const quint32 ipv4 = trouvee.toIPv4Address(&ok);
            if (ok && ipv4 != 0) {
                suite(QHostAddress(ipv4));
                return;
            }
        }
        suite(QHostAddress());
    });
}

void SocketsChat::Connecter(const QString& adresse, Origine origine) {
    ++m_generation;
    ChercheAdresse(adresse, [this, origine](const QHostAddress& ip) {
        // No address, or 0.0.0.0, which would reach this very machine on Linux.
        if (ip.isNull() || ip.toIPv4Address() == 0) {
            if (origine == Origine::Commande) {
                Signaler(true);
            }
            return;
        }
        DemarrerConnexion(ip, origine);
    });
}

void SocketsChat::DemarrerConnexion(const QHostAddress& adresse, Origine origine) {
    const bool enCours = W_Client && W_Client->state() != QAbstractSocket::UnconnectedState;
    if (enCours && origine == Origine::Retour) {
        // Our own connection to this contact is on its way or done; its completion sets 7.
        ReglEtat(EtatConnexion::EnConnexion);
        return;
    }
    if (!W_Client || enCours) {
        FermerSocket(W_Client);
        W_Client = NouveauClient();
    }
    ReglEtat(EtatConnexion::EnConnexion);
    if (m_adresseLocale != QHostAddress::Any && m_adresseLocale != QHostAddress::AnyIPv4) {
        W_Client->bind(m_adresseLocale, 0);
    }
    W_Client->connectToHost(adresse, PortChat);
}

void SocketsChat::Envoyer(const QByteArray& trame) {
    if (!W_Client || W_Client->state() != QAbstractSocket::ConnectedState) {
        return;
    }
    if (m_retenir || m_ecriture == Passage::Marque || m_ecriture == Passage::Negociation) {
        if (m_tailleRetenue + trame.size() > TailleMaxEnvoi) {
            Signaler(true);
            return;
        }
        m_retenues.push_back(trame);
        m_tailleRetenue += trame.size();
        return;
    }
    Ecrire(trame);
}

void SocketsChat::Ecrire(const QByteArray& trame) {
    // A contact that reads nothing would make us hold every frame for ever.
    if (W_Client->bytesToWrite() + trame.size() > TailleMaxEnvoi) {
        Signaler(true);
        return;
    }
    W_Client->write(trame);
}

void SocketsChat::Retenir(bool retenir) {
    m_retenir = retenir;
    Vider();
}

void SocketsChat::Vider() {
    if (m_retenir || m_ecriture == Passage::Marque || m_ecriture == Passage::Negociation || !W_Client ||
        W_Client->state() != QAbstractSocket::ConnectedState) {
        return;
    }
    const QList<QByteArray> retenues = std::exchange(m_retenues, {});
    m_tailleRetenue = 0;
    for (const QByteArray& trame : retenues) {
        if (m_finSignalee) {
            return;
        }
        Ecrire(trame);
    }
}

void SocketsChat::FermerClient() {
    FermerSocket(W_Client);
    W_Client = nullptr;
}

void SocketsChat::FermerServeur() {
    FermerEcoute(W_ServeurEcoute);
    W_ServeurEcoute = nullptr;
    FermerSocket(W_Serveur);
    W_Serveur = nullptr;
    m_lecteur.Vider();
}

QHostAddress SocketsChat::AdresseContact() const {
    return W_Client && W_Client->state() == QAbstractSocket::ConnectedState ? W_Client->peerAddress()
                                                                            : QHostAddress();
}

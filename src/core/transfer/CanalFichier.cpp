#include "core/transfer/CanalFichier.h"

#include "core/transfer/EnvoiFichier.h"
#include "core/transfer/FichierRecu.h"
#include "core/transfer/Reception.h"
#include "core/transfer/ReceptionLot.h"

#include <QFile>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

namespace {

// Hands every accepted descriptor to the channel, which decides at once.
class EcouteFichier final : public QTcpServer {
public:
    EcouteFichier(std::function<void(int)> appel, QObject* parent)
        : QTcpServer(parent), m_appel(std::move(appel)) {}

protected:
    void incomingConnection(qintptr fd) override { m_appel(int(fd)); }

private:
    std::function<void(int)> m_appel;
};

} // namespace

CanalFichier::CanalFichier(const QHostAddress& adresseLocale, quint16 port, int delaiMs, QObject* parent)
    : QObject(parent), m_adresseLocale(adresseLocale), m_port(port), m_delaiMs(delaiMs),
      m_ecoute(new EcouteFichier([this](int fd) { SurAppel(fd); }, this)) {
    m_delai.setSingleShot(true);
    connect(&m_delai, &QTimer::timeout, this, [this] {
        if (m_etape == Etape::AttenteEmetteur) {
            Finir(IssueTransfert::Echec, RaisonEchec::DelaiDepasse);
        }
    });
    m_attenteAnnulation.setSingleShot(true);
    m_attenteAnnulation.setInterval(DelaiAnnulationMs);
    connect(&m_attenteAnnulation, &QTimer::timeout, this, [this] {
        m_partiel.clear();
        if (const auto raison = std::exchange(m_echecRetenu, std::nullopt)) {
            emit echec(*raison);
        }
    });
}

CanalFichier::~CanalFichier() {
    m_ecouteVoulue = false;
    ++m_generation;
    // Quitting is not cancelling: what a resumable reception holds waits for the next run.
    Reinitialiser(true);
    // Quitting: what a stopped worker still does (a flush) must end before its objects go.
    for (auto& travail : m_arretes) {
        travail->wait();
    }
}

bool CanalFichier::Ecouter() {
    m_ecouteVoulue = true;
    m_ecoute->close();
    return m_ecoute->listen(m_adresseLocale, m_port);
}

bool CanalFichier::EcouteActive() const {
    return m_ecoute->isListening();
}

bool CanalFichier::EnCours() const {
    return (m_etape != Etape::Libre && m_etape != Etape::Proposition) || m_echecRetenu.has_value();
}

bool CanalFichier::Proposer(const QHostAddress& contact) {
    if (EnCours()) {
        return false;
    }
    Reinitialiser();
    m_partiel.clear();
    m_contact = contact;
    m_etape = Etape::Proposition;
    return true;
}

bool CanalFichier::Envoyer(const QHostAddress& contact, const QString& chemin, qint64 taille,
                           OptionsFlux options) {
    if (EnCours() || taille < 0) {
        return false;
    }
    // The empty connection of this contact, when it came first, is kept.
    if (m_etape != Etape::Proposition || !m_contact.isEqual(contact)) {
        Reinitialiser();
    }
    m_partiel.clear();
    m_contact = contact;
    m_taille = taille;
    m_etape = Etape::Envoi;
    Demarrer(new EnvoiFichier(chemin, taille, m_adresseLocale, contact, m_port, m_delaiMs, options));
    return true;
}

bool CanalFichier::Recevoir(const QHostAddress& contact, const QString& dossier, const QString& nomFinal,
                            qint64 taille, OptionsFlux options, OrigineFichier origine) {
    if (EnCours() || taille < 0) {
        return false;
    }
    Reinitialiser();
    m_contact = contact;
    m_taille = taille;
    m_options = options;
    m_origine = std::move(origine);
    m_dossier = dossier;
    m_partiel.clear();
    m_etape = Etape::AttenteEmetteur;
    m_fichier = std::make_unique<FichierRecu>();
    if (!m_fichier->Creer(dossier, nomFinal)) {
        Finir(IssueTransfert::Echec, RaisonEchec::CreationImpossible);
        return true;
    }
    Relier(contact);
    return true;
}

bool CanalFichier::EnvoyerLot(const QHostAddress& contact, std::shared_ptr<const Lot::Source> lot,
                              std::shared_ptr<const ParametresTls> tls) {
    if (EnCours() || !lot) {
        return false;
    }
    if (m_etape != Etape::Proposition || !m_contact.isEqual(contact)) {
        Reinitialiser();
    }
    m_partiel.clear();
    m_contact = contact;
    m_taille = lot->total;
    m_etape = Etape::Envoi;
    Demarrer(new EnvoiFichier(*lot, m_adresseLocale, contact, m_port, m_delaiMs, std::move(tls)));
    return true;
}

bool CanalFichier::RecevoirLot(const QHostAddress& contact, const QString& dossier, int fichiers,
                               qint64 taille, OrigineFichier origine,
                               std::shared_ptr<const ParametresTls> tls) {
    if (EnCours() || taille < 0 || fichiers < 0) {
        return false;
    }
    Reinitialiser();
    m_contact = contact;
    m_taille = taille;
    m_options = {true, true, std::move(tls)};
    m_origine = std::move(origine);
    m_dossier = dossier;
    m_partiel.clear();
    m_fichiersLot = fichiers;
    m_etape = Etape::AttenteEmetteur;
    Relier(contact);
    return true;
}

void CanalFichier::Relier(const QHostAddress& contact) {
    m_connexionVide = new QTcpSocket(this);
    connect(m_connexionVide, &QTcpSocket::errorOccurred, this, [this, socket = m_connexionVide.data()] {
        // Once the stream is here, the empty connection no longer matters.
        if (socket == m_connexionVide && m_etape == Etape::AttenteEmetteur &&
            socket->state() != QAbstractSocket::ConnectedState) {
            Finir(IssueTransfert::Echec, RaisonEchec::ConnexionImpossible);
        }
    });
    connect(m_connexionVide, &QTcpSocket::connected, this, [this, socket = m_connexionVide.data()] {
        if (socket == m_connexionVide && m_etape == Etape::AttenteEmetteur) {
            emit relie();
        }
    });
    // Straight to the contact, which recognises us by our address.
    m_connexionVide->setProxy(QNetworkProxy::NoProxy);
    if (AdresseLiee(m_adresseLocale)) {
        m_connexionVide->bind(m_adresseLocale, 0);
    }
    m_connexionVide->connectToHost(contact, m_port);
    m_delai.start(m_delaiMs);
}

void CanalFichier::Annuler() {
    if (!EnCours()) {
        Reinitialiser();
        return;
    }
    Finir(IssueTransfert::Annule);
}

bool CanalFichier::AnnulationDuContact(bool voulue) {
    if (!EnCours()) {
        return false;
    }
    // A copy of ours also sends it when the stream broke on its side: what a resumable reception
    // holds stays for the next try, unless its user wanted the cancel. A worker that has ended
    // already kept its file: it is removed here.
    const QString partiel = std::exchange(m_partiel, QString());
    Reinitialiser(m_options.reprendre && !voulue);
    if (voulue && !partiel.isEmpty()) {
        Lot::Supprimer(partiel);
    }
    Finir(IssueTransfert::Annule);
    return true;
}

void CanalFichier::Liberer() {
    Reinitialiser(true);
    m_attenteAnnulation.stop();
    m_echecRetenu.reset();
}

void CanalFichier::NouveauContact(const QHostAddress& contact) {
    m_contactConversation = contact;
    m_appelVu = false;
    m_sondeAttendue = false;
}

void CanalFichier::SondeAttendue() {
    m_sondeAttendue = !m_appelVu;
}

void CanalFichier::SondeManquee() {
    m_sondeAttendue = false;
}

void CanalFichier::SurAppel(int fd) {
    const QHostAddress distante = AdresseDistante(fd);
    if (!m_contactConversation.isNull() &&
        distante.isEqual(m_contactConversation, QHostAddress::TolerantConversion)) {
        m_appelVu = true;
        // Its check: it carries nothing, and its end is the contact's business.
        if (std::exchange(m_sondeAttendue, false)) {
            FermerSocket(fd, false);
            return;
        }
    }
    const bool duContact =
        !m_contact.isNull() && distante.isEqual(m_contact, QHostAddress::TolerantConversion);
    if (duContact && m_etape == Etape::AttenteEmetteur) {
        m_delai.stop();
        m_etape = Etape::Reception;
        TravailTransfert* travail =
            m_fichiersLot >= 0
                ? static_cast<TravailTransfert*>(new ReceptionLot(fd, m_dossier, m_fichiersLot, m_taille,
                                                                  m_delaiMs, m_origine, m_options.tls))
                : new Reception(fd, std::move(m_fichier), m_taille, m_delaiMs, m_options, m_origine);
        connect(travail, &TravailTransfert::partiel, this,
                [this, travail, dossier = m_dossier](const QByteArray& nom) {
                    if (m_travail.get() == travail) {
                        m_partiel = dossier + u'/' + QFile::decodeName(nom);
                    }
                });
        Demarrer(travail);
        return;
    }
    if (duContact && (m_etape == Etape::Proposition || m_etape == Etape::Envoi) &&
        m_appelsContact.size() < AppelsTenusMax) {
        m_appelsContact.push_back(fd);
        return;
    }
    // Closed unread: nothing a stranger sends is kept.
    FermerSocket(fd, true);
}

void CanalFichier::Demarrer(TravailTransfert* travail) {
    m_travail.reset(travail);
    const quint64 generation = ++m_generation;
    connect(travail, &TravailTransfert::progression, this, [this, generation](qint64 fait, qint64 total) {
        if (generation == m_generation) {
            emit progression(fait, total);
        }
    });
    connect(travail, &TravailTransfert::reprise, this, [this, generation](qint64 depuis) {
        if (generation == m_generation) {
            emit reprise(depuis);
        }
    });
    connect(travail, &TravailTransfert::fichierCourant, this, [this, generation](const QString& chemin) {
        if (generation == m_generation) {
            emit fichierCourant(chemin);
        }
    });
    connect(travail, &TravailTransfert::place, this, [this, generation](const QString& chemin) {
        if (generation == m_generation) {
            emit place(chemin);
        }
    });
    connect(travail, &TravailTransfert::fin, this,
            [this, generation](IssueTransfert issue, RaisonEchec raison) {
                if (generation == m_generation) {
                    Finir(issue, raison);
                }
            });
    travail->start();
}

void CanalFichier::Finir(IssueTransfert issue, RaisonEchec raison) {
    Reinitialiser();
    m_attenteAnnulation.stop();
    m_echecRetenu.reset();
    if (issue == IssueTransfert::Echec &&
        (raison == RaisonEchec::FluxInterrompu || raison == RaisonEchec::ConnexionCoupee)) {
        m_echecRetenu = raison;
        m_attenteAnnulation.start();
        return;
    }
    Signaler(issue, raison);
}

void CanalFichier::Signaler(IssueTransfert issue, RaisonEchec raison) {
    // Posted: a box shown by a receiver must not run inside a socket's or a caller's call.
    QMetaObject::invokeMethod(
        this,
        [this, issue, raison] {
            switch (issue) {
            case IssueTransfert::Termine: emit termine(); break;
            case IssueTransfert::Annule: emit annule(); break;
            case IssueTransfert::Echec: emit echec(raison); break;
            }
        },
        Qt::QueuedConnection);
}

void CanalFichier::Reinitialiser(bool garder) {
    ++m_generation;
    std::erase_if(m_arretes, [](const auto& travail) { return travail->isFinished(); });
    if (m_travail) {
        // The worker removes its partial file itself before it ends; a flush to a slow disk
        // may hold it for long, and the interface never waits for it.
        m_travail->Arreter(garder);
        TravailTransfert* travail = m_travail.get();
        connect(travail, &QThread::finished, this, [this, travail] {
            std::erase_if(m_arretes, [travail](const auto& t) { return t.get() == travail; });
        });
        m_arretes.push_back(std::move(m_travail));
    }
    m_delai.stop();
    m_fichier.reset();
    if (m_connexionVide) {
        m_connexionVide->abort();
        m_connexionVide->deleteLater();
        m_connexionVide = nullptr;
    }
    for (int fd : std::exchange(m_appelsContact, {})) {
        FermerSocket(fd, false);
    }
    m_contact.clear();
    m_taille = 0;
    m_options = {};
    m_origine = {};
    m_fichiersLot = -1;
    m_etape = Etape::Libre;
    // A listen that failed (the port was taken) is tried again at every reset.
    if (m_ecouteVoulue && !m_ecoute->isListening()) {
        m_ecoute->listen(m_adresseLocale, m_port);
    }
}

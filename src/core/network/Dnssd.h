// The computers of the local network as the system's mDNS daemon sees them (DNS-SD).
// Every call here blocks: they are meant for worker threads, and each opens and closes its own
// connection to the daemon.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

namespace Dnssd {

// What a running copy announces.
inline constexpr char TypeOvan[] = "_ovan._tcp";
// How long a listing waits for the network before it ends with what it found.
inline constexpr int DelaiDomainesMs = 3000;
inline constexpr int DelaiPostesMs = 4000;
inline constexpr int DelaiAdresseMs = 3000;
// A network that announces more is cut there: the window stays usable.
inline constexpr int MaxPostes = 1000;
inline constexpr int MaxDomaines = 100;

struct Poste {
    // The computer's name as the daemon gives it ("poste.local"), made printable.
    QString Nom;
    // Its IPv4 address, dotted, or empty when it was not resolved.
    QString Adresse;
    // A copy of the messenger runs there, and the nickname it announces.
    bool Ovan = false;
    QString Pseudo;
    // What to type in the contact-address box to reach it.
    QString PourContacter(int longueurMax) const;
};

// true stops a call within about 50 ms, with what it found so far.
using Arret = std::atomic<bool>;

// The browse domains, "local" first; empty when no daemon answers.
QStringList Domaines(const Arret& arret, int delaiMs = DelaiDomainesMs);
// The computers of a domain that announce a workstation, file sharing or the messenger: one per
// computer, those running the messenger first, then by name.
QList<Poste> Postes(const QString& domaine, const Arret& arret, int delaiMs = DelaiPostesMs);
// The IPv4 address of a name through mDNS ("poste.local"); empty when unknown or no daemon.
QString AdresseIPv4(const QString& nom, const Arret& arret, int delaiMs = DelaiAdresseMs);

// The nickname read from an announcement's TXT record, made safe to show.
QString PseudoLisible(const QByteArray& brut);
// A name given by the network, without control characters and at most 255 characters.
QString NomLisible(const QByteArray& brut);

} // namespace Dnssd

// What the network window asks of the network; tests give their own.
class SourceReseau {
public:
    virtual ~SourceReseau() = default;
    virtual QStringList Domaines(const Dnssd::Arret& arret) = 0;
    virtual QList<Dnssd::Poste> Postes(const QString& domaine, const Dnssd::Arret& arret) = 0;
};

// The system's mDNS daemon.
class SourceDnssd : public SourceReseau {
public:
    QStringList Domaines(const Dnssd::Arret& arret) override { return Dnssd::Domaines(arret); }
    QList<Dnssd::Poste> Postes(const QString& domaine, const Dnssd::Arret& arret) override {
        return Dnssd::Postes(domaine, arret);
    }
};

// This copy announced on the local network (DNS-SD "_ovan._tcp"), with its nickname, so that
// the contact's network window shows who runs the messenger where.
#pragma once

#include <QString>

#include <memory>

class AnnonceDnssd {
public:
    // Announces port on every interface as soon as the system's mDNS daemon is there (it may
    // start, stop and come back later); without a bus or a daemon nothing happens, silently.
    AnnonceDnssd(quint16 port, const QString& pseudo);
    // Withdraws the announcement.
    ~AnnonceDnssd();
    AnnonceDnssd(const AnnonceDnssd&) = delete;
    AnnonceDnssd& operator=(const AnnonceDnssd&) = delete;

    // The nickname carried in the TXT record; unchanged, nothing is sent.
    void Pseudo(const QString& pseudo);
    // Whether the daemon has accepted the announcement (for tests and diagnostics).
    bool Etablie() const;

    struct Etat;

private:
    std::unique_ptr<Etat> d;
};

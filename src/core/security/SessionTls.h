// TLS 1.3 on the socket of a file stream, between two copies that know each other's key.
// Through libssl rather than QSslSocket: the workers are poll loops on raw descriptors, on threads
// of their own without an event loop.
#pragma once

#include "core/security/Identite.h"

#include <QByteArray>

#include <memory>

#include <sys/types.h>

struct ssl_ctx_st;
struct ssl_st;

// Our key and certificate read once for a transfer, and the key the contact must show.
class ContexteTls {
public:
    // Nothing when our key or certificate cannot be used.
    static std::unique_ptr<ContexteTls> Creer(const ParametresTls& parametres);
    ~ContexteTls();
    ContexteTls(const ContexteTls&) = delete;
    ContexteTls& operator=(const ContexteTls&) = delete;

private:
    friend class SessionTls;
    ContexteTls(ssl_ctx_st* contexte, QByteArray empreinteContact)
        : m_contexte(contexte), m_empreinteContact(std::move(empreinteContact)) {}

    ssl_ctx_st* m_contexte;
    const QByteArray m_empreinteContact;
};

// One stream on a non-blocking socket. Every call answers as ::send and ::recv do: -1 with errno
// EAGAIN when the socket must first be ready for Attente(), EPROTO when TLS itself failed (a key
// refused, a damaged record, a peer that speaks no TLS).
class SessionTls {
public:
    // client: we made the TCP connection. The contexte must outlive the session.
    SessionTls(const ContexteTls& contexte, int fd, bool client);
    ~SessionTls();
    SessionTls(const SessionTls&) = delete;
    SessionTls& operator=(const SessionTls&) = delete;

    // The handshake, both keys checked, then the receiver's word that it took ours (without it,
    // a sender would learn of a refusal only when its bytes met a reset). 1 once done.
    int Etablir();
    ssize_t Envoyer(const char* donnees, qint64 taille);
    // 0: the peer ended the stream (close_notify, or a close without it: our framing tells).
    ssize_t Recevoir(char* donnees, qint64 taille);
    // Our close_notify out, once whatever the calls; 1 once sent.
    int Clore();
    // What the last EAGAIN waits for, POLLIN or POLLOUT.
    short Attente() const { return m_attente; }
    // Bytes already taken from the socket and not yet given: poll would not tell of them.
    bool EnReserve() const;

private:
    ssize_t Issue(int resultat);
    // The certificate shown is the contact's.
    bool CleDuContact() const;

    const ContexteTls& m_contexte;
    ssl_st* m_ssl;
    const bool m_client;
    bool m_poignee = false;
    bool m_clos = false;
    short m_attente = 0;
};

#include "core/security/SessionTls.h"

#include <cerrno>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <poll.h>

namespace {

template <typename T, void (*Liberer)(T*)> struct Libere {
    void operator()(T* p) const { Liberer(p); }
};
using Cle = std::unique_ptr<EVP_PKEY, Libere<EVP_PKEY, EVP_PKEY_free>>;
using Certificat = std::unique_ptr<X509, Libere<X509, X509_free>>;
using Memoire = std::unique_ptr<BIO, Libere<BIO, BIO_free_all>>;

// The receiver's word that the sender's key is the one it expects.
constexpr char Accord = 'K';
// Many records per read from the socket: fewer system calls on a long stream.
constexpr long TamponLecture = 256 * 1024;

QByteArray Empreinte(X509* certificat) {
    unsigned char octets[EVP_MAX_MD_SIZE];
    unsigned int taille = 0;
    if (!certificat || X509_digest(certificat, EVP_sha256(), octets, &taille) != 1) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(octets), int(taille));
}

bool Attendue(X509* certificat, const QByteArray& empreinteContact) {
    const QByteArray empreinte = Empreinte(certificat);
    return !empreinte.isEmpty() && empreinte == empreinteContact;
}

// Certificates signed by themselves: no chain to trust, only the peer's own certificate to match.
// Refused here, the peer learns it from an alert rather than from a reset.
int Verifier(int, X509_STORE_CTX* magasin) {
    if (X509_STORE_CTX_get_error_depth(magasin) > 0) {
        return 1;
    }
    const auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(magasin, SSL_get_ex_data_X509_STORE_CTX_idx()));
    const auto* empreinte = ssl ? static_cast<const QByteArray*>(SSL_get_app_data(ssl)) : nullptr;
    if (empreinte && Attendue(X509_STORE_CTX_get_current_cert(magasin), *empreinte)) {
        X509_STORE_CTX_set_error(magasin, X509_V_OK);
        return 1;
    }
    X509_STORE_CTX_set_error(magasin, X509_V_ERR_CERT_REJECTED);
    return 0;
}

} // namespace

std::unique_ptr<ContexteTls> ContexteTls::Creer(const ParametresTls& parametres) {
    SSL_CTX* ssl = SSL_CTX_new(TLS_method());
    if (!ssl) {
        return nullptr;
    }
    std::unique_ptr<ContexteTls> contexte(new ContexteTls(ssl, parametres.empreinteContact));
    const QByteArray& clePem = parametres.identite.cle;
    const QByteArray& certificatPem = parametres.identite.certificat;
    const Memoire bioCle(BIO_new_mem_buf(clePem.constData(), int(clePem.size())));
    const Memoire bioCertificat(BIO_new_mem_buf(certificatPem.constData(), int(certificatPem.size())));
    const Cle cle(bioCle ? PEM_read_bio_PrivateKey(bioCle.get(), nullptr, nullptr, nullptr) : nullptr);
    const Certificat certificat(
        bioCertificat ? PEM_read_bio_X509(bioCertificat.get(), nullptr, nullptr, nullptr) : nullptr);
    // AES-128-GCM first: the processor's instructions make it the fastest of the three.
    const bool pret = cle && certificat && SSL_CTX_use_certificate(ssl, certificat.get()) == 1 &&
                      SSL_CTX_use_PrivateKey(ssl, cle.get()) == 1 && SSL_CTX_check_private_key(ssl) == 1 &&
                      SSL_CTX_set_min_proto_version(ssl, TLS1_3_VERSION) == 1 &&
                      SSL_CTX_set_max_proto_version(ssl, TLS1_3_VERSION) == 1 &&
                      SSL_CTX_set_ciphersuites(ssl, "TLS_AES_128_GCM_SHA256:TLS_AES_256_GCM_SHA384:"
                                                    "TLS_CHACHA20_POLY1305_SHA256") == 1;
    ERR_clear_error();
    if (!pret) {
        return nullptr;
    }
    // One stream per session: nothing to resume, so no ticket. A close without close_notify
    // reads as an end, which the stream's own sizes then judge.
    SSL_CTX_set_options(ssl, SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_TICKET);
    SSL_CTX_set_num_tickets(ssl, 0);
    SSL_CTX_set_session_cache_mode(ssl, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_mode(ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_read_ahead(ssl, 1);
    SSL_CTX_set_default_read_buffer_len(ssl, TamponLecture);
    SSL_CTX_set_verify(ssl, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, Verifier);
    return contexte;
}

ContexteTls::~ContexteTls() {
    SSL_CTX_free(m_contexte);
}

SessionTls::SessionTls(const ContexteTls& contexte, int fd, bool client)
    : m_contexte(contexte), m_ssl(SSL_new(contexte.m_contexte)), m_client(client) {
    if (m_ssl) {
        SSL_set_fd(m_ssl, fd);
        SSL_set_app_data(m_ssl, const_cast<QByteArray*>(&m_contexte.m_empreinteContact));
        client ? SSL_set_connect_state(m_ssl) : SSL_set_accept_state(m_ssl);
    }
}

SessionTls::~SessionTls() {
    SSL_free(m_ssl);
}

int SessionTls::Etablir() {
    if (!m_ssl) {
        errno = ENOMEM;
        return -1;
    }
    if (!m_poignee) {
        ERR_clear_error();
        const int r = SSL_do_handshake(m_ssl);
        // A close before the end is no refusal, and must never read as "try again".
        if (r != 1 && Issue(r) == 0) {
            errno = ECONNRESET;
        }
        if (r != 1) {
            return -1;
        }
        // Checked again once the handshake is done, whatever the callback saw.
        if (!Attendue(SSL_get0_peer_certificate(m_ssl), m_contexte.m_empreinteContact)) {
            errno = EPROTO;
            return -1;
        }
        m_poignee = true;
    }
    char mot = Accord;
    const ssize_t n = m_client ? Recevoir(&mot, 1) : Envoyer(&mot, 1);
    if (n == 0) {
        errno = ECONNRESET;
    } else if (n > 0 && mot != Accord) {
        errno = EPROTO;
    }
    return n > 0 && mot == Accord ? 1 : -1;
}

ssize_t SessionTls::Envoyer(const char* donnees, qint64 taille) {
    std::size_t n = 0;
    ERR_clear_error();
    const int r = SSL_write_ex(m_ssl, donnees, std::size_t(taille), &n);
    return r == 1 ? ssize_t(n) : Issue(r);
}

ssize_t SessionTls::Recevoir(char* donnees, qint64 taille) {
    qint64 lu = 0;
    // One record a call: the following ones already read from the socket fill the rest.
    while (lu < taille && (lu == 0 || SSL_has_pending(m_ssl) == 1)) {
        std::size_t n = 0;
        ERR_clear_error();
        const int r = SSL_read_ex(m_ssl, donnees + lu, std::size_t(taille - lu), &n);
        if (r != 1) {
            // What came before the error is given first; the error comes again at the next call.
            return lu > 0 ? ssize_t(lu) : Issue(r);
        }
        lu += qint64(n);
    }
    return ssize_t(lu);
}

int SessionTls::Clore() {
    if (m_clos) {
        return 1;
    }
    ERR_clear_error();
    // A second call would wait for the peer's close_notify, which the caller reads itself.
    const int r = SSL_shutdown(m_ssl);
    m_clos = r >= 0;
    return m_clos ? 1 : int(Issue(r));
}

bool SessionTls::EnReserve() const {
    return SSL_pending(m_ssl) > 0;
}

ssize_t SessionTls::Issue(int resultat) {
    const int systeme = errno;
    const int erreur = SSL_get_error(m_ssl, resultat);
    ERR_clear_error();
    switch (erreur) {
    case SSL_ERROR_WANT_READ:
        m_attente = POLLIN;
        errno = EAGAIN;
        return -1;
    case SSL_ERROR_WANT_WRITE:
        m_attente = POLLOUT;
        errno = EAGAIN;
        return -1;
    case SSL_ERROR_ZERO_RETURN: return 0;
    case SSL_ERROR_SYSCALL: errno = systeme != 0 ? systeme : ECONNRESET; return -1;
    default: errno = EPROTO; return -1;
    }
}

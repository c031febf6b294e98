#include "core/security/Identite.h"

#include "core/platform/FichierNouveau.h"

#include <QCryptographicHash>
#include <QFile>

#include <memory>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Identites {

namespace {

template <typename T, void (*Liberer)(T*)> struct Libere {
    void operator()(T* p) const { Liberer(p); }
};
using Cle = std::unique_ptr<EVP_PKEY, Libere<EVP_PKEY, EVP_PKEY_free>>;
using Certificat = std::unique_ptr<X509, Libere<X509, X509_free>>;
using Memoire = std::unique_ptr<BIO, Libere<BIO, BIO_free_all>>;

QByteArray Contenu(BIO* bio) {
    char* donnees = nullptr;
    const long taille = BIO_get_mem_data(bio, &donnees);
    return taille > 0 ? QByteArray(donnees, taille) : QByteArray();
}

QByteArray Empreinte(X509* certificat) {
    unsigned char* der = nullptr;
    const int taille = i2d_X509(certificat, &der);
    if (taille <= 0) {
        return {};
    }
    const QByteArray empreinte = QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(der), taille), QCryptographicHash::Sha256);
    OPENSSL_free(der);
    return empreinte;
}

// The pair read back from PEM texts, when both are whole and belong together.
std::optional<Identite> Relire(const QByteArray& clePem, const QByteArray& certificatPem) {
    const Memoire bioCle(BIO_new_mem_buf(clePem.constData(), int(clePem.size())));
    const Memoire bioCertificat(BIO_new_mem_buf(certificatPem.constData(), int(certificatPem.size())));
    const Cle cle(PEM_read_bio_PrivateKey(bioCle.get(), nullptr, nullptr, nullptr));
    const Certificat certificat(PEM_read_bio_X509(bioCertificat.get(), nullptr, nullptr, nullptr));
    if (!cle || !certificat || X509_check_private_key(certificat.get(), cle.get()) != 1) {
        return std::nullopt;
    }
    return Identite{clePem, certificatPem, Empreinte(certificat.get())};
}

// Written whole under its name or not at all; mode before the first byte.
bool Ecrire(const QString& dossier, const QString& nom, const QByteArray& octets, mode_t mode) {
    FichierNouveau fichier;
    if (!fichier.Creer(QFile::encodeName(dossier)) || ::fchmod(fichier.Descripteur(), mode) != 0) {
        return false;
    }
    for (qsizetype fait = 0; fait < octets.size();) {
        const ssize_t n =
            ::write(fichier.Descripteur(), octets.constData() + fait, size_t(octets.size() - fait));
        if (n <= 0) {
            return false;
        }
        fait += n;
    }
    return fichier.Remplacer(QFile::encodeName(nom)) && fichier.Fermer();
}

} // namespace

std::optional<Identite> Creer() {
    const Cle cle(EVP_EC_gen("P-256"));
    const Certificat certificat(X509_new());
    if (!cle || !certificat) {
        return std::nullopt;
    }
    X509* x = certificat.get();
    unsigned char serie[16];
    if (RAND_bytes(serie, sizeof serie) != 1) {
        return std::nullopt;
    }
    // Positive, as the certificate format wants it.
    serie[0] &= 0x7f;
    ASN1_INTEGER* numero = ASN1_INTEGER_new();
    BIGNUM* bn = BN_bin2bn(serie, sizeof serie, nullptr);
    BN_to_ASN1_INTEGER(bn, numero);
    BN_free(bn);
    X509_set_serialNumber(x, numero);
    ASN1_INTEGER_free(numero);
    X509_set_version(x, 2);
    // Trust rests on the fingerprint kept by the contact, not on dates: it never expires.
    X509_gmtime_adj(X509_getm_notBefore(x), -24 * 3600);
    X509_time_adj_ex(X509_getm_notAfter(x), 365 * 100, 0, nullptr);
    X509_NAME* nom = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(nom, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>("OVAN Messenger"), -1, -1, 0);
    X509_set_issuer_name(x, nom);
    if (X509_set_pubkey(x, cle.get()) != 1 || X509_sign(x, cle.get(), EVP_sha256()) <= 0) {
        return std::nullopt;
    }
    const Memoire bioCle(BIO_new(BIO_s_mem())), bioCertificat(BIO_new(BIO_s_mem()));
    if (PEM_write_bio_PrivateKey(bioCle.get(), cle.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
        PEM_write_bio_X509(bioCertificat.get(), x) != 1) {
        return std::nullopt;
    }
    return Identite{Contenu(bioCle.get()), Contenu(bioCertificat.get()), Empreinte(x)};
}

Resultat Charger(const QString& dossier) {
    Resultat resultat;
    QFile fichierCle(dossier + u'/' + NomCle), fichierCertificat(dossier + u'/' + NomCertificat);
    const bool cleLa = fichierCle.exists(), certificatLa = fichierCertificat.exists();
    if (cleLa || certificatLa) {
        if (!fichierCle.open(QIODevice::ReadOnly) || !fichierCertificat.open(QIODevice::ReadOnly)) {
            resultat.pourquoi = !cleLa || !certificatLa
                                    ? QStringLiteral("une partie de la clé de ce poste manquait")
                                    : QStringLiteral("la clé de ce poste ne pouvait pas être lue");
        } else if (const auto lue = Relire(fichierCle.readAll(), fichierCertificat.readAll())) {
            // Left readable by others by an earlier hand: put right, the key itself is still ours.
            if ((fichierCle.permissions() & ~(QFile::ReadOwner | QFile::WriteOwner)) != 0) {
                fichierCle.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
            }
            return {Etat::Chargee, *lue, QString()};
        } else {
            resultat.pourquoi = QStringLiteral("la clé de ce poste était abîmée");
        }
    }
    const auto nouvelle = Creer();
    if (!nouvelle || !Ecrire(dossier, NomCle, nouvelle->cle, S_IRUSR | S_IWUSR) ||
        !Ecrire(dossier, NomCertificat, nouvelle->certificat, S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH)) {
        resultat.etat = Etat::Impossible;
        resultat.pourquoi = QStringLiteral("la clé de ce poste ne peut pas être enregistrée dans ") + dossier;
        if (nouvelle) {
            resultat.identite = *nouvelle;
        }
        return resultat;
    }
    resultat.etat = resultat.pourquoi.isEmpty() ? Etat::Creee : Etat::Remplacee;
    resultat.identite = *nouvelle;
    return resultat;
}

} // namespace Identites

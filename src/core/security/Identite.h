// This copy's key pair and self-signed certificate: made at its first start, kept beside the
// program readable by its owner only, and made anew, never silently, when they cannot be used.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct Identite {
    // PEM texts, as the TLS layer reads them.
    QByteArray cle;
    QByteArray certificat;
    // SHA-256 of the certificate's DER form: what a contact keeps of us.
    QByteArray empreinte;
};

// What an encrypted session with a contact needs: our identity, and the key the contact must show
// (the SHA-256 of its certificate's DER form, as the chat connection showed it).
struct ParametresTls {
    Identite identite;
    QByteArray empreinteContact;
};

namespace Identites {

inline const QString NomCle = QStringLiteral("cle.pem");
inline const QString NomCertificat = QStringLiteral("certificat.pem");

// A new P-256 key and a certificate for it, signed by itself; nothing when OpenSSL fails.
std::optional<Identite> Creer();

// What Charger found.
enum class Etat { Chargee, Creee, Remplacee, Impossible };

struct Resultat {
    Etat etat = Etat::Impossible;
    Identite identite;
    // Remplacee: why the old one could not serve, in French; Impossible: why none could be kept.
    QString pourquoi;
};

// The identity kept in dossier; made when there is none, made anew when its key or certificate
// is unreadable, damaged or not a pair (the old files are replaced). The key file is left
// readable by its owner only.
Resultat Charger(const QString& dossier);

} // namespace Identites

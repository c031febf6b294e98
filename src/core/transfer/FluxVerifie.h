// What a file stream carries between two copies of ours beyond the file's bytes, once both
// announced it: the file's fingerprint and the offset the receiver already holds (resuming), and
// the SHA-256 of the whole file after its last byte, answered by the receiver's verdict.
//
//   sender -> receiver: [fingerprint, 32 bytes]  (resuming)
//   receiver -> sender: [offset, 8 bytes, big-endian] (resuming)
//   sender -> receiver: the bytes from the offset to the end
//   sender -> receiver: [SHA-256 of the whole file, 32 bytes] (verifying)
//   receiver -> sender: 'V' once the file has its final name, 'X' when it differs (verifying)
//
// With a contact that never announced them, the stream is the file's bytes and nothing else.
// In an encrypted conversation all of it runs in TLS 1.3 from the connection on, after the
// receiver's one byte that says it took the sender's key (SessionTls).
#pragma once

#include "core/security/Identite.h"
#include "core/transfer/TravailTransfert.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

struct OptionsFlux {
    bool verifier = false;
    bool reprendre = false;
    // Set: the stream runs in TLS 1.3 with these keys; null: in clear.
    std::shared_ptr<const ParametresTls> tls = nullptr;
    bool operator==(const OptionsFlux&) const = default;
};

namespace FluxVerifie {

inline constexpr qsizetype TailleCondensat = 32;
inline constexpr char Verifie = 'V';
inline constexpr char Different = 'X';
// A partial file untouched for this long is removed.
inline constexpr int JoursGardes = 7;
inline const QByteArray PrefixePartiel = QByteArrayLiteral(".ovan-reprise-");

} // namespace FluxVerifie

// SHA-256 through libcrypto, which uses the processor's instructions for it where there are some.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Ajouter(const char* donnees, qint64 taille);
    // The digest of everything added; the object is spent.
    QByteArray Resultat();

private:
    struct Etat;
    std::unique_ptr<Etat> m_etat;
};

namespace FluxVerifie {

// What tells a changed file from the same one without reading it whole: its size, times and
// identity on this machine, and its first and last 64 KiB. Nothing when it cannot be read.
std::optional<QByteArray> Empreinte(int fd, qint64 taille);

// The hidden name of the partial file: the sender and the offered name pick the family (a new
// file under that name replaces an old one), the size and the fingerprint the member.
QByteArray NomPartiel(const QString& expediteur, const QString& nom, qint64 taille,
                      const QByteArray& empreinte);

// Removes from the folder the partial files of nomGarde's family other than it, and every partial
// file older than JoursGardes before maintenant.
void NettoyerPartiels(int dossier, const QByteArray& nomGarde, const QDateTime& maintenant);

// Reads [0, taille) of fd into the digest, in blocks of tailleTampon; false on a read error, a
// short file or the cancel.
bool HacherDebut(int fd, qint64 taille, Sha256& condensat, char* tampon, qint64 tailleTampon,
                 const ArretTransfert& arret);

QByteArray VersOctets(qint64 valeur);
qint64 DepuisOctets(const char* octets);

} // namespace FluxVerifie

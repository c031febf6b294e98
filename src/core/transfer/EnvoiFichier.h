// The sending worker: connects to the contact's transfer port and streams the file's raw bytes.
#pragma once

#include "core/transfer/FluxVerifie.h"
#include "core/transfer/Lot.h"
#include "core/transfer/TravailTransfert.h"

#include <QString>

#include <vector>

class EnvoiFichier : public TravailTransfert {
    Q_OBJECT
public:
    // Sends the first taille bytes of chemin to contact:port, from adresseLocale when it is not
    // Any; delaiMs bounds the connect, a stall and the wait for the receiver's close. options: what
    // the stream carries besides the bytes, when the contact is a copy of ours.
    EnvoiFichier(const QString& chemin, qint64 taille, const QHostAddress& adresseLocale,
                 const QHostAddress& contact, quint16 port, int delaiMs, OptionsFlux options = {},
                 QObject* parent = nullptr);
    // A batch: its manifest, then every file's bytes in its order, always fingerprinted (resumable)
    // and verified; in TLS with tls.
    EnvoiFichier(const Lot::Source& lot, const QHostAddress& adresseLocale, const QHostAddress& contact,
                 quint16 port, int delaiMs, std::shared_ptr<const ParametresTls> tls = {},
                 QObject* parent = nullptr);
    ~EnvoiFichier() override;

protected:
    void run() override;

private:
    IssueTransfert Envoyer(RaisonEchec& raison);
    // Termine once connected.
    IssueTransfert Connecter(RaisonEchec& raison);
    // Resuming: our fingerprint out, the receiver's offset in (checked against the size).
    std::optional<IssueTransfert> Depart(qint64& depuis, RaisonEchec& raison);
    IssueTransfert AttendreFermeture(char* tampon, RaisonEchec& raison);
    // m_fichier becomes the file of rang; false when it cannot be opened.
    bool Ouvrir(qsizetype rang);
    // A batch's fingerprint: its manifest and each file's own.
    std::optional<QByteArray> EmpreinteLot();
    // The first taille bytes of the files into the digest (the manifest first, for a batch).
    bool HacherDebut(qint64 taille, Sha256& condensat, char* tampon);

    // One entry, and no manifest, for a single file.
    const QStringList m_chemins;
    const QStringList m_noms;
    const std::vector<qint64> m_tailles;
    const QByteArray m_manifeste;
    const qint64 m_taille;
    const QHostAddress m_adresseLocale;
    const QHostAddress m_contact;
    const quint16 m_port;
    const int m_delaiMs;
    const OptionsFlux m_options;
    int m_fichier = -1;
    qsizetype m_rangOuvert = -1;
    int m_socket = -1;
};

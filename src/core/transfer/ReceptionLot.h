// The receiving worker of a batch: its manifest, then its files into a hidden folder of the
// received-files folder, which resumes and verifies like a single file; once verified, its top
// entries take their places beside the other received files.
#pragma once

#include "core/transfer/Lot.h"
#include "core/transfer/Reception.h"
#include "core/transfer/TravailTransfert.h"

class Sha256;

class ReceptionLot : public TravailTransfert {
    Q_OBJECT
public:
    // Takes the connected socket; fichiers and total are what the offer announced, which the
    // manifest must match. In TLS with tls.
    ReceptionLot(int socket, const QString& dossier, int fichiers, qint64 total, int delaiMs,
                 OrigineFichier origine, std::shared_ptr<const ParametresTls> tls = {},
                 QObject* parent = nullptr);
    ~ReceptionLot() override;

protected:
    void run() override;

private:
    IssueTransfert Recevoir(RaisonEchec& raison);
    // The manifest in and read; the hidden folder made and its tree with it.
    std::optional<IssueTransfert> Preparer(QByteArray& manifeste, RaisonEchec& raison);
    // How many bytes of the batch the hidden folder already holds, in order.
    qint64 Tenu() const;
    // The files' first taille bytes into the digest.
    bool HacherDebut(qint64 taille, Sha256& condensat, char* tampon);
    // Opens the file of the batch at chemin in the hidden folder, never through a link.
    int OuvrirFichier(const QString& chemin, int drapeaux) const;
    IssueTransfert Placer(RaisonEchec& raison);

    int m_socket;
    const QString m_dossier;
    const int m_nombre;
    const qint64 m_total;
    const int m_delaiMs;
    const OrigineFichier m_origine;
    const std::shared_ptr<const ParametresTls> m_tlsVoulu;
    int m_recus = -1;
    int m_cache = -1;
    QByteArray m_nomCache;
    std::vector<EntreeLot> m_entrees;
};

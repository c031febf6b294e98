// The receiving worker: the announced bytes from the sender's connection into a FichierRecu.
#pragma once

#include "core/transfer/FichierRecu.h"
#include "core/transfer/FluxVerifie.h"
#include "core/transfer/TravailTransfert.h"

#include <memory>

// What ties a resumable file to its transfer: who sent it and the name it offered.
struct OrigineFichier {
    QString expediteur;
    QString nomOffert;
};

class Reception : public TravailTransfert {
    Q_OBJECT
public:
    // Takes the connected socket and the file; delaiMs bounds a stall of the stream. options: what
    // the stream carries besides the bytes, when the contact is a copy of ours.
    Reception(int socket, std::unique_ptr<FichierRecu> fichier, qint64 taille, int delaiMs,
              OptionsFlux options = {}, OrigineFichier origine = {}, QObject* parent = nullptr);
    ~Reception() override;

protected:
    void run() override;

private:
    IssueTransfert Recevoir(RaisonEchec& raison);
    // Resuming: the sender's fingerprint in, the bytes already held out.
    std::optional<IssueTransfert> Depart(qint64& depuis, RaisonEchec& raison);
    // Verifying: the sender's digest against ours, then our verdict.
    std::optional<IssueTransfert> Comparer(Sha256& condensat, RaisonEchec& raison);
    IssueTransfert Conclure(RaisonEchec& raison);

    int m_socket;
    std::unique_ptr<FichierRecu> m_fichier;
    const qint64 m_taille;
    const int m_delaiMs;
    const OptionsFlux m_options;
    const OrigineFichier m_origine;
    // A resumed file is kept when the transfer breaks.
    bool m_partiel = false;
};

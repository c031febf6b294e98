// The receiving worker: the announced bytes from the sender's connection into a FichierRecu.
#pragma once

#include "core/transfer/FichierRecu.h"
#include "core/transfer/TravailTransfert.h"

#include <memory>

class Reception : public TravailTransfert {
    Q_OBJECT
public:
    // Takes the connected socket and the file; delaiMs bounds a stall of the stream.
    Reception(int socket, std::unique_ptr<FichierRecu> fichier, qint64 taille, int delaiMs,
              QObject* parent = nullptr);
    ~Reception() override;

protected:
    void run() override;

private:
    IssueTransfert Recevoir(RaisonEchec& raison);

    int m_socket;
    std::unique_ptr<FichierRecu> m_fichier;
    const qint64 m_taille;
    const int m_delaiMs;
};

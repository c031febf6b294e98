// The sending worker: connects to the contact's transfer port and streams the file's raw bytes.
#pragma once

#include "core/transfer/FluxVerifie.h"
#include "core/transfer/TravailTransfert.h"

#include <QString>

class EnvoiFichier : public TravailTransfert {
    Q_OBJECT
public:
    // Sends the first taille bytes of chemin to contact:port, from adresseLocale when it is not
    // Any; delaiMs bounds the connect, a stall and the wait for the receiver's close. options: what
    // the stream carries besides the bytes, when the contact is a copy of ours.
    EnvoiFichier(const QString& chemin, qint64 taille, const QHostAddress& adresseLocale,
                 const QHostAddress& contact, quint16 port, int delaiMs, OptionsFlux options = {},
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

    const QString m_chemin;
    const qint64 m_taille;
    const QHostAddress m_adresseLocale;
    const QHostAddress m_contact;
    const quint16 m_port;
    const int m_delaiMs;
    const OptionsFlux m_options;
    int m_fichier = -1;
    int m_socket = -1;
};

// The contacts' keys as first seen ("pair once, then trust"): each key's fingerprint is kept with
// the contact's last nickname and address, and a later conversation is checked against them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct ContactConnu {
    QByteArray empreinte; // SHA-256 of its certificate
    QString pseudo;
    QString adresse;
    // The two users compared their safety code and said it matched.
    bool verifie = false;
    bool operator==(const ContactConnu&) const = default;
};

class Confiance {
public:
    enum class Avis {
        Nouveau, // neither its key, nor its nickname, nor its address is known
        Connu,   // its key is known
        Change,  // a key we know another holds this nickname or this address
    };

    // Reads fichier (one contact per line); a missing file is an empty list. A damaged line is
    // dropped and counted.
    explicit Confiance(const QString& fichier);

    // What a contact with this key, nickname and address is; with Change, ancien is the contact
    // it claims to be.
    Avis Examiner(const QByteArray& empreinte, const QString& pseudo, const QString& adresse,
                  ContactConnu* ancien = nullptr) const;
    // Keeps this key with this nickname and address (a known key's are brought up to date; a key
    // accepted in place of others replaces them). False when the file cannot be written.
    bool Retenir(const QByteArray& empreinte, const QString& pseudo, const QString& adresse);
    bool MarquerVerifie(const QByteArray& empreinte);
    // Whether some contact known by this nickname or address encrypted before.
    bool ConnuChiffre(const QString& pseudo, const QString& adresse) const;

    const QList<ContactConnu>& Contacts() const { return m_contacts; }
    int LignesIllisibles() const { return m_illisibles; }

    // Six groups of five digits from both keys, the same on both screens whatever the order.
    static QString CodeDeSurete(const QByteArray& nous, const QByteArray& lui);

private:
    bool Enregistrer() const;

    QString m_fichier;
    QList<ContactConnu> m_contacts;
    int m_illisibles = 0;
};

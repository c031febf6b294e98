// Every frame we send: built here, handed to the chat socket, so that no window formats bytes.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class SocketsChat;

class EnvoiTrames {
public:
    using Sortie = std::function<void(const QByteArray& trame)>;

    // Sends through sockets.Envoyer: the sockets must outlive this object.
    explicit EnvoiTrames(SocketsChat& sockets);
    // Sends through any output (a test records it).
    explicit EnvoiTrames(Sortie sortie);

    void Log(const QString& pseudo);
    void Att();
    // The handshake of a copy of ours, with the extensions it speaks.
    void Poignee(const QStringList& extensions);
    // To a copy that speaks it: whether we reached its file port.
    void PortAtteint(bool atteint);
    void Pse(const QString& pseudo);
    // Indexes outside 0..9 go as 0; see TexteSurLeFil for what the text becomes.
    void Message(int police, int couleur, int style, const QString& texte);
    void Statut(bool absent);
    void Frappe(bool ecrit);
    // A "\" in the name becomes "_" (the contact cuts at the first one); a negative size goes as 0.
    void Offre(const QString& nomFichier, qint64 taille);
    void Reponse(bool oui);
    void Annulation();
    // "[OVA]", before the user's "[ANN]" to a copy of ours that resumes transfers.
    void Abandon();
    // "[OVL]", just before the "[DEM]" of a batch, to a copy of ours that speaks "lot".
    void Lot(int fichiers);

    // The bytes a message text travels as: Windows-1252 ('?' for what it cannot hold), control
    // characters but CR and LF removed. Lets the sender decide on what the contact will read.
    static QByteArray TexteSurLeFil(const QString& texte);

private:
    Sortie m_sortie;
};

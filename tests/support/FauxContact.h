// A contact made of raw sockets, for tests that need a peer a real copy would never be.
//
// It listens on its own 127.0.0.x:60000 and calls back whoever calls it, as a copy does, so a
// copy under test connects to it as to a contact. It records the exact bytes the copy sends and
// can send anything back, flood either connection, half-close it, reset it or vanish, at any point.
// Lien::VersCopie is the connection we write on (the copy reads it); Lien::DepuisCopie is the
// connection the copy writes on.
#pragma once

#include "core/chat/Trame.h"

#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

class FauxContact : public QObject {
    Q_OBJECT
public:
    enum class Lien { VersCopie, DepuisCopie };

    // Listens on adresse:60000, as a copy would.
    explicit FauxContact(const QString& adresse);

    // Calls the copy and waits until it has called back; false on a time-out.
    bool Appeler(const QString& adresseCopie);
    // Waits until the copy has called us (after its own connect command).
    bool AttendreAppel();

    // Raw bytes to the copy, in one write.
    void Envoyer(const QByteArray& octets);
    // What the copy sent us, as frames; waits until there are at least n.
    QList<Trame::TrameRecue> Trames() const { return m_trames; }
    bool AttendreTrames(int n, int delaiMs = 5000);
    QByteArray Octets() const { return m_octets; }
    void Oublier() {
        m_trames.clear();
        m_octets.clear();
    }

    // total bytes of motif repeated, written as fast as the copy takes them; little stays in our
    // own buffer, so the memory a test measures is the copy's.
    void Inonder(Lien lien, const QByteArray& motif, qint64 total);
    // Bytes of the flood the kernel has taken so far.
    qint64 Inonde() const { return m_inonde; }
    // An orderly close of one connection.
    void Fermer(Lien lien);
    // Shuts down only our sending side: the copy reads the end, we still read it.
    void FermerEnvoi(Lien lien);
    // Closes with a reset (SO_LINGER 0), as a crashed or unplugged peer does.
    void Reinitialiser(Lien lien);
    // True once the connection is closed on both sides.
    bool Ferme(Lien lien) {
        QTcpSocket* s = Socket(lien);
        return !s || s->state() == QAbstractSocket::UnconnectedState;
    }

    // The file port (60001), as a copy would use it. We listen there; what comes is held unread,
    // so a copy sending to us is held back by TCP.
    bool EcouterFichier();
    int AppelsFichier() const { return int(m_appelsFichier.size()); }
    // Our connection to the copy's file port, and raw bytes on it.
    bool ConnecterFichier(const QString& adresseCopie);
    void EnvoyerFichier(const QByteArray& octets);
    // Ends our connection to the copy's file port, reset or closed after the bytes written.
    void FermerFichier(bool reinitialiser = false);
    // Everything read so far on the copy's i-th call to our file port (reading it from now on).
    QByteArray LuSurAppel(int i);
    bool AppelFerme(int i) {
        return i < m_appelsFichier.size() && m_appelsFichier[i]->state() == QAbstractSocket::UnconnectedState;
    }

private:
    QTcpSocket* Socket(Lien lien);
    void ContinuerInondation();

    QString m_adresse;
    QTcpServer m_ecoute;
    QPointer<QTcpSocket> m_entrant;
    QTcpSocket m_sortant;
    Trame::LecteurTrames m_lecteur;
    QList<Trame::TrameRecue> m_trames;
    QByteArray m_octets;
    QPointer<QTcpSocket> m_inondee;
    QTcpServer m_ecouteFichier;
    QList<QTcpSocket*> m_appelsFichier;
    QTcpSocket m_fichierSortant;
    QList<QByteArray> m_lusFichier;
    QByteArray m_bloc;
    qint64 m_resteInondation = 0;
    qint64 m_inonde = 0;
};

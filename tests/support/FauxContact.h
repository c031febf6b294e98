// A raw-socket contact on its own 127.0.0.x:60000: calls back whoever calls, records the copy's bytes,
// sends anything, floods, half-closes, resets. VersCopie: the connection we write on; DepuisCopie: the
// copy's.
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

    explicit FauxContact(const QString& adresse);

    // Calls the copy and waits until it has called back; false on a time-out.
    bool Appeler(const QString& adresseCopie);
    bool AttendreAppel();
    void Envoyer(const QByteArray& octets);
    // What the copy sent us, as frames; waits until there are at least n.
    QList<Trame::TrameRecue> Trames() const { return m_trames; }
    bool AttendreTrames(int n, int delaiMs = 5000);
    QByteArray Octets() const { return m_octets; }
    void Oublier() {
        m_trames.clear();
        m_octets.clear();
    }

    // motif repeated up to total bytes as fast as the copy takes them; Inonde(): what the kernel took.
    void Inonder(Lien lien, const QByteArray& motif, qint64 total);
    qint64 Inonde() const { return m_inonde; }
    void Fermer(Lien lien);
    void FermerEnvoi(Lien lien);   // our sending side only
    void Reinitialiser(Lien lien); // SO_LINGER 0, as a crashed peer
    bool Ferme(Lien lien) {
        QTcpSocket* s = Socket(lien);
        return !s || s->state() == QAbstractSocket::UnconnectedState;
    }

    // Listens on the file port (60001) and holds what comes unread, so TCP holds the copy back.
    bool EcouterFichier();
    int AppelsFichier() const { return int(m_appelsFichier.size()); }
    bool ConnecterFichier(const QString& adresseCopie);
    void EnvoyerFichier(const QByteArray& octets);
    // The next n bytes the copy sends back on our stream (empty after delaiMs without them).
    QByteArray LireFichier(qint64 n, int delaiMs = 5000);
    void FermerFichier(bool reinitialiser = false);
    // Everything read so far on the copy's i-th call to our file port (reading it from now on).
    QByteArray LuSurAppel(int i);

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

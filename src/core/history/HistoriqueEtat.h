// The history's private state and what its queue, writer and reads share.
#pragma once

#include "core/history/Historique.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QSqlDatabase>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <memory>

class QSqlError;
class QSqlQuery;

struct BaseHistorique::Etat {
    // Marks a queued entry added before the setting was read.
    static constexpr qint64 EntreeSousReserve = -1;
    static constexpr qsizetype TailleLot = 1000;

    // A null QString binds as SQL NULL: the columns hold "" instead, and a null read back matches them.
    static QString NonNul(const QString& texte) { return texte.isNull() ? QStringLiteral("") : texte; }

    BaseHistorique* q = nullptr;
    QString chemin;
    QString nom;
    std::unique_ptr<QThread> ecrivain;

    // Shared with the writer, under verrou. The queue is a list of batches so that appending never
    // moves what is already queued.
    QMutex verrou;
    QWaitCondition reveil;
    QWaitCondition accompli;
    QList<QList<EntreeHistorique>> file;
    qint64 ajoutees = 0;
    qint64 traitees = 0;
    int pressants = 0;
    int reglageAEcrire = -1;
    qint64 effacementsDemandes = 0;
    qint64 effacementsFaits = 0;
    bool resultatEffacer = false;
    bool arret = false;
    QString raison;

    std::atomic<bool> disponible{true};
    // -1 until known: read from the file by the writer or set by the user.
    std::atomic<int> enregistrer{-1};

    // The writer's own.
    qint64 total = 0;

    // Read connections, one per calling thread.
    struct Lecture {
        QString nom;
        QSqlDatabase base;
    };
    mutable QMutex verrouLectures;
    mutable QHash<QThread*, Lecture> lectures;
    mutable int lecturesOuvertes = 0;

    // Puts the history out of service, once: the queue is dropped and horsService() sent.
    void Echec(const QString& pourquoi);

    // The writer thread (HistoriqueEcriture.cpp); Ecriture is its connection.
    struct Ecriture;
    void Boucle();
    bool Ouvrir(Ecriture& e);
    void Echec(const QSqlError& erreur);
    bool Executer(QSqlQuery& requete, const char* sql);
    bool EcrireLot(Ecriture& e, const QList<EntreeHistorique>& lot);
    void EcrireReglage(Ecriture& e, bool oui);
    bool ToutEffacer(Ecriture& e);
    void Annuler(Ecriture& e);

    // The reads (HistoriqueLecture.cpp).
    QSqlDatabase BaseLecture() const;
    void FermerLectures();
};

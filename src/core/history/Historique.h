// The conversation history: every entry the conversation view shows, kept in an SQLite database
// beside config.ini, written by one thread in batches, listed by contact and day, searchable by
// words.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

struct EntreeHistorique {
    enum class Sorte { Envoye = 0, Recu = 1, Systeme = 2 };

    // Given by the database; 0 for an entry not yet written.
    qint64 Id = 0;
    // When it was shown (stored as milliseconds since the epoch, UTC).
    QDateTime Moment;
    Sorte Genre = Sorte::Systeme;
    // The contact's address and nickname at that moment ("" when there is none).
    QString Adresse;
    QString PseudoContact;
    // For a message: the nickname it was shown under; "" for a notice.
    QString Auteur;
    // For a message: its font, colour and style indexes as received or sent (any int).
    int Police = 0;
    int Couleur = 0;
    int Style = 0;
    // The message or the notice as shown, without decoration; plain text.
    QString Texte;
};

// The entries of one contact on one day.
struct ConversationHistorique {
    QString Adresse;
    // The contact's latest nickname that day.
    QString Pseudo;
    // Local day of the entries.
    QDate Jour;
    int Entrees = 0;
    // Newest entry's id: the list is ordered by it.
    qint64 Derniere = 0;
};

class BaseHistorique : public QObject {
    Q_OBJECT
public:
    // The database file (created when missing), "historique.db" in the program folder for the
    // program. Never blocks for long: opening and writing happen on the writer thread.
    explicit BaseHistorique(const QString& chemin, QObject* parent = nullptr);
    // Writes what is queued, then closes.
    ~BaseHistorique() override;

    // False once the database has failed (locked, corrupt, unwritable...): entries are then
    // dropped and horsService() has been sent once with the reason.
    bool Disponible() const;
    QString Raison() const;

    // The user's "Enregistrer l'historique" (on by default), kept in the database itself.
    bool Enregistrer() const;
    void ReglerEnregistrer(bool oui);

    // Queues an entry (GUI thread; returns at once). Dropped when off or unavailable.
    void Ajouter(const EntreeHistorique& entree);
    // Waits until every entry queued so far is committed (tests, quitting).
    void Vider();
    // Deletes every entry, the queued ones included, and leaves no trace of their text in the
    // file. Returns false when that could not be done.
    bool Effacer();

    // Reads, from the calling thread. Conversations newest first; one conversation's entries in
    // order; the entries that hold every word of mots (case and accents ignored, a word matches
    // the words it begins), newest first, at most max.
    QList<ConversationHistorique> Conversations() const;
    // Those after the entry apres only, when given.
    QList<EntreeHistorique> Entrees(const QString& adresse, const QDate& jour, qint64 apres = 0) const;
    QList<EntreeHistorique> Chercher(const QString& mots, int max = 200) const;
    // The words a search looks for, as Chercher splits them (to highlight them).
    static QStringList Mots(const QString& mots);

signals:
    // Once, when the database cannot be used any more; raison is French, for the status bar.
    void horsService(const QString& raison);
    // After each commit: the number of entries written since the start.
    void ecrit(qint64 total);

private:
    struct Etat;
    std::unique_ptr<Etat> d;
};

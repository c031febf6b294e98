// The writer thread: it opens the file and keeps its schema, writes the queue in batches, the
// setting, and clears everything when asked; the first failure puts the history out of service.
#include "core/history/HistoriqueEtat.h"

#include <QDeadlineTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <utility>

namespace {

// The file, version 1 (PRAGMA user_version):
//   entrees        one row per entry shown: id, moment (ms since the epoch, UTC), jour (local day,
//                  yyyy-MM-dd), sorte (0 sent, 1 received, 2 notice), adresse, pseudo (the
//                  contact's), auteur, police, couleur, style, texte (as shown, plain)
//   entrees_mots   FTS5 index of entrees.texte, external content (rowid = entrees.id); case and
//                  accents folded by the tokenizer
//   conversations  one row per contact and local day: adresse, jour, pseudo (the latest one),
//                  entrees (count), derniere (newest id); kept in the entries' own transaction
//   reglages       cle, valeur; "enregistrer" = "1" or "0" (missing: on)
constexpr int VersionSchema = 1;
const char* const Schema[] = {
    "CREATE TABLE IF NOT EXISTS entrees (id INTEGER PRIMARY KEY, moment INTEGER NOT NULL, jour TEXT NOT NULL,"
    " sorte INTEGER NOT NULL, adresse TEXT NOT NULL, pseudo TEXT NOT NULL, auteur TEXT NOT NULL,"
    " police INTEGER NOT NULL, couleur INTEGER NOT NULL, style INTEGER NOT NULL, texte TEXT NOT NULL)",
    "CREATE INDEX IF NOT EXISTS entrees_conversation ON entrees (adresse, jour, id)",
    "CREATE VIRTUAL TABLE IF NOT EXISTS entrees_mots USING fts5(texte, content='entrees', content_rowid='id',"
    " tokenize='unicode61 remove_diacritics 2', prefix='1 2')",
    "CREATE TABLE IF NOT EXISTS conversations (adresse TEXT NOT NULL, jour TEXT NOT NULL, pseudo TEXT NOT "
    "NULL,"
    " entrees INTEGER NOT NULL, derniere INTEGER NOT NULL, PRIMARY KEY (adresse, jour)) WITHOUT ROWID",
    "CREATE INDEX IF NOT EXISTS conversations_ordre ON conversations (derniere)",
    "CREATE TABLE IF NOT EXISTS reglages (cle TEXT PRIMARY KEY, valeur TEXT NOT NULL) WITHOUT ROWID",
};

constexpr int DelaiLotMs = 50;
constexpr int AttenteVerrouMs = 2000;

// SQLite's primary result codes (the driver reports them in nativeErrorCode).
enum CodeSqlite {
    Occupee = 5,
    Verrouillee = 6,
    Endommagee = 11,
    Pleine = 13,
    Inouvrable = 14,
    PasUneBase = 26
};

QString RaisonVerrou() {
    return QStringLiteral("la base de l'historique est verrouillée par un autre programme");
}
QString RaisonEndommagee() {
    return QStringLiteral("le fichier de l'historique est endommagé");
}
QString RaisonInconnue() {
    return QStringLiteral("le fichier de l'historique n'est pas reconnu");
}
QString RaisonEcriture() {
    return QStringLiteral("le fichier de l'historique ne peut pas être écrit");
}

QString RaisonErreur(const QSqlError& erreur) {
    bool nombre = false;
    const int code = erreur.nativeErrorCode().toInt(&nombre) & 0xff;
    if (!nombre) {
        return RaisonEcriture();
    }
    switch (code) {
    case Occupee:
    case Verrouillee: return RaisonVerrou();
    case Endommagee:
    case PasUneBase: return RaisonEndommagee();
    case Pleine: return QStringLiteral("le disque est plein : l'historique ne peut plus être écrit");
    case Inouvrable: return QStringLiteral("le fichier de l'historique ne peut pas être ouvert");
    default: return RaisonEcriture();
    }
}

// The local day of a moment. Converting to local time reads the time zone each time: the current
// day's bounds are kept, and most entries of a batch fall within them.
class Jours {
public:
    QString De(qint64 ms) {
        if (ms >= m_debut && ms < m_fin) {
            return m_jour;
        }
        const QDate date = QDateTime::fromMSecsSinceEpoch(ms).date();
        m_jour = date.toString(Qt::ISODate);
        m_debut = date.startOfDay().toMSecsSinceEpoch();
        m_fin = date.addDays(1).startOfDay().toMSecsSinceEpoch();
        return m_jour;
    }

private:
    qint64 m_debut = 0;
    qint64 m_fin = 0;
    QString m_jour;
};

// One conversation's share of a batch, written once per batch.
struct Resume {
    QString pseudo;
    int entrees = 0;
    qint64 derniere = 0;
};

} // namespace

// The writer's connection and its statements, prepared once.
struct BaseHistorique::Etat::Ecriture {
    QSqlDatabase base;
    std::unique_ptr<QSqlQuery> entree, mots, conversation;
    Jours jours;
};

void BaseHistorique::Etat::Boucle() {
    Ecriture e;
    Ouvrir(e);
    QMutexLocker l(&verrou);
    // The setting is known now: what waited for it is kept or dropped once for all.
    const bool garder = enregistrer.load() != 0;
    for (QList<EntreeHistorique>& lot : file) {
        if (!garder) {
            traitees += lot.removeIf([](const EntreeHistorique& x) { return x.Id == EntreeSousReserve; });
        }
        for (EntreeHistorique& x : lot) {
            x.Id = 0;
        }
    }
    for (;;) {
        while (!arret && file.isEmpty() && reglageAEcrire < 0 && effacementsFaits == effacementsDemandes) {
            reveil.wait(&verrou);
        }
        // A batch gathers for a moment after its first entry, unless someone waits or it is full.
        if (!file.isEmpty()) {
            const QDeadlineTimer echeance(DelaiLotMs);
            while (!arret && pressants == 0 && effacementsFaits == effacementsDemandes && file.size() == 1 &&
                   file.first().size() < TailleLot && !echeance.hasExpired()) {
                reveil.wait(&verrou, echeance);
            }
        }
        QList<QList<EntreeHistorique>> lots;
        lots.swap(file);
        const int reglage = std::exchange(reglageAEcrire, -1);
        const bool effacer = effacementsFaits != effacementsDemandes;
        const qint64 demande = effacementsDemandes;
        l.unlock();

        if (reglage >= 0 && disponible.load()) {
            EcrireReglage(e, reglage == 1);
        }
        qint64 vus = 0;
        for (const auto& lot : std::as_const(lots)) {
            vus += lot.size();
            // Shown while recording was on: kept, even if it was turned off since.
            const QList<EntreeHistorique>& aEcrire = lot;
            if (disponible.load() && !aEcrire.isEmpty() && EcrireLot(e, aEcrire)) {
                total += aEcrire.size();
                QMetaObject::invokeMethod(
                    q, [q = q, n = total] { emit q->ecrit(n); }, Qt::QueuedConnection);
            }
        }
        lots.clear();
        const bool efface = effacer && ToutEffacer(e);

        l.relock();
        traitees += vus;
        if (effacer) {
            effacementsFaits = demande;
            resultatEffacer = efface;
        }
        accompli.wakeAll();
        if (arret && file.isEmpty() && reglageAEcrire < 0 && effacementsFaits == effacementsDemandes) {
            break;
        }
    }
    l.unlock();
    e.entree.reset();
    e.mots.reset();
    e.conversation.reset();
    e.base.close();
    e.base = QSqlDatabase();
    QSqlDatabase::removeDatabase(nom);
}

bool BaseHistorique::Etat::Ouvrir(Ecriture& e) {
    e.base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
    e.base.setDatabaseName(chemin);
    e.base.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(AttenteVerrouMs));
    if (!e.base.open()) {
        Echec(e.base.lastError());
        return false;
    }
    QSqlQuery q(e.base);
    q.setForwardOnly(true);
    // Reading the schema first: a damaged file fails here, before anything is written to it.
    if (!Executer(q, "SELECT count(*) FROM sqlite_master") || !q.next()) {
        Echec(q.lastError());
        return false;
    }
    const int objets = q.value(0).toInt();
    q.finish();
    if (!Executer(q, "PRAGMA user_version") || !q.next()) {
        Echec(q.lastError());
        return false;
    }
    const int version = q.value(0).toInt();
    q.finish();
    // Another program's database, or a later version's: left alone.
    if (version > VersionSchema || (version == 0 && objets > 0)) {
        Echec(RaisonInconnue());
        return false;
    }
    if (!Executer(q, "PRAGMA journal_mode=WAL") || !Executer(q, "PRAGMA synchronous=NORMAL") ||
        !Executer(q, "PRAGMA cache_size=-16384")) {
        Echec(q.lastError());
        return false;
    }
    q.finish();
    // Taking the write lock at once tells a locked file from a free one.
    if (!Executer(q, "BEGIN IMMEDIATE")) {
        Echec(q.lastError());
        return false;
    }
    for (const char* sql : Schema) {
        if (!Executer(q, sql)) {
            const QSqlError erreur = q.lastError();
            Annuler(e);
            Echec(erreur);
            return false;
        }
    }
    // Written at every start, even unchanged: a file opened read-only fails here.
    if (!Executer(q, "PRAGMA user_version = 1") ||
        !Executer(q, "SELECT valeur FROM reglages WHERE cle = 'enregistrer'")) {
        const QSqlError erreur = q.lastError();
        Annuler(e);
        Echec(erreur);
        return false;
    }
    const int lu = q.next() && q.value(0).toString() == QLatin1String("0") ? 0 : 1;
    q.finish();
    if (!Executer(q, "COMMIT")) {
        const QSqlError erreur = q.lastError();
        Annuler(e);
        Echec(erreur);
        return false;
    }
    int inconnu = -1;
    enregistrer.compare_exchange_strong(inconnu, lu);

    const auto preparer = [&](std::unique_ptr<QSqlQuery>& requete, const char* sql) {
        requete = std::make_unique<QSqlQuery>(e.base);
        if (!requete->prepare(QString::fromLatin1(sql))) {
            Echec(requete->lastError());
            return false;
        }
        return true;
    };
    return preparer(e.entree, "INSERT INTO entrees (moment, jour, sorte, adresse, pseudo, auteur, police, "
                              "couleur, style, texte)"
                              " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)") &&
           preparer(e.mots, "INSERT INTO entrees_mots (rowid, texte) VALUES (?, ?)") &&
           preparer(
               e.conversation,
               "INSERT INTO conversations (adresse, jour, pseudo, entrees, derniere) VALUES (?, ?, ?, ?, ?)"
               " ON CONFLICT (adresse, jour) DO UPDATE SET"
               " pseudo = CASE WHEN excluded.pseudo <> '' THEN excluded.pseudo ELSE pseudo END,"
               " entrees = entrees + excluded.entrees, derniere = excluded.derniere");
}

void BaseHistorique::Etat::Echec(const QSqlError& erreur) {
    Echec(RaisonErreur(erreur));
}

bool BaseHistorique::Etat::Executer(QSqlQuery& requete, const char* sql) {
    return requete.exec(QString::fromLatin1(sql));
}

void BaseHistorique::Etat::Annuler(Ecriture& e) {
    QSqlQuery q(e.base);
    q.exec(QStringLiteral("ROLLBACK"));
}

bool BaseHistorique::Etat::EcrireLot(Ecriture& e, const QList<EntreeHistorique>& lot) {
    QSqlQuery debut(e.base);
    if (!Executer(debut, "BEGIN IMMEDIATE")) {
        Echec(debut.lastError());
        return false;
    }
    const auto rater = [&](const QSqlError& erreur) {
        Annuler(e);
        Echec(erreur);
        return false;
    };
    // Keyed by address and day.
    QHash<std::pair<QString, QString>, Resume> resumes;
    for (const EntreeHistorique& entree : lot) {
        const qint64 moment = entree.Moment.toMSecsSinceEpoch();
        const QString jour = e.jours.De(moment);
        QSqlQuery& ligne = *e.entree;
        ligne.bindValue(0, moment);
        ligne.bindValue(1, jour);
        ligne.bindValue(2, int(entree.Genre));
        ligne.bindValue(3, NonNul(entree.Adresse));
        ligne.bindValue(4, NonNul(entree.PseudoContact));
        ligne.bindValue(5, NonNul(entree.Auteur));
        ligne.bindValue(6, entree.Police);
        ligne.bindValue(7, entree.Couleur);
        ligne.bindValue(8, entree.Style);
        ligne.bindValue(9, NonNul(entree.Texte));
        if (!ligne.exec()) {
            return rater(ligne.lastError());
        }
        const qint64 id = ligne.lastInsertId().toLongLong();
        e.mots->bindValue(0, id);
        e.mots->bindValue(1, NonNul(entree.Texte));
        if (!e.mots->exec()) {
            return rater(e.mots->lastError());
        }
        Resume& r = resumes[{entree.Adresse, jour}];
        if (!entree.PseudoContact.isEmpty()) {
            r.pseudo = entree.PseudoContact;
        }
        ++r.entrees;
        r.derniere = id;
    }
    for (auto it = resumes.cbegin(); it != resumes.cend(); ++it) {
        QSqlQuery& c = *e.conversation;
        c.bindValue(0, NonNul(it.key().first));
        c.bindValue(1, it.key().second);
        c.bindValue(2, NonNul(it->pseudo));
        c.bindValue(3, it->entrees);
        c.bindValue(4, it->derniere);
        if (!c.exec()) {
            return rater(c.lastError());
        }
    }
    QSqlQuery fin(e.base);
    if (!Executer(fin, "COMMIT")) {
        return rater(fin.lastError());
    }
    return true;
}

void BaseHistorique::Etat::EcrireReglage(Ecriture& e, bool oui) {
    QSqlQuery q(e.base);
    q.prepare(QStringLiteral("INSERT INTO reglages (cle, valeur) VALUES ('enregistrer', ?)"
                             " ON CONFLICT (cle) DO UPDATE SET valeur = excluded.valeur"));
    q.addBindValue(oui ? QStringLiteral("1") : QStringLiteral("0"));
    if (!q.exec()) {
        Echec(q.lastError());
    }
}

bool BaseHistorique::Etat::ToutEffacer(Ecriture& e) {
    if (!disponible.load()) {
        return false;
    }
    QSqlQuery q(e.base);
    // Freed pages are zeroed as well, should the rebuild below not happen.
    if (!Executer(q, "PRAGMA secure_delete = ON") || !Executer(q, "BEGIN IMMEDIATE")) {
        Echec(q.lastError());
        return false;
    }
    if (!Executer(q, "DELETE FROM entrees") ||
        !Executer(q, "INSERT INTO entrees_mots (entrees_mots) VALUES ('delete-all')") ||
        !Executer(q, "DELETE FROM conversations") || !Executer(q, "COMMIT")) {
        const QSqlError erreur = q.lastError();
        Annuler(e);
        Echec(erreur);
        return false;
    }
    // The file is rebuilt without the old pages, then the log is folded in and emptied.
    if (!Executer(q, "PRAGMA secure_delete = OFF") || !Executer(q, "VACUUM") ||
        !Executer(q, "PRAGMA wal_checkpoint(TRUNCATE)") || !q.next()) {
        Echec(q.lastError());
        return false;
    }
    // A reader of another program may keep the log from being emptied.
    const bool complet = q.value(0).toInt() == 0;
    q.finish();
    return complet;
}

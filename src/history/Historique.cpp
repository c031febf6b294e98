#include "history/Historique.h"

#include <algorithm>
#include <iterator>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <QWaitCondition>

#include <atomic>
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
    "CREATE TABLE IF NOT EXISTS conversations (adresse TEXT NOT NULL, jour TEXT NOT NULL, pseudo TEXT NOT NULL,"
    " entrees INTEGER NOT NULL, derniere INTEGER NOT NULL, PRIMARY KEY (adresse, jour)) WITHOUT ROWID",
    "CREATE INDEX IF NOT EXISTS conversations_ordre ON conversations (derniere)",
    "CREATE TABLE IF NOT EXISTS reglages (cle TEXT PRIMARY KEY, valeur TEXT NOT NULL) WITHOUT ROWID",
};

constexpr int DelaiLotMs = 50;
constexpr qsizetype TailleLot = 1000;
constexpr int AttenteVerrouMs = 2000;
// Reads run on the GUI thread: they give up early rather than freeze the window.
constexpr int AttenteLectureMs = 250;
// A pasted page is not a search: past this many different words the rest is ignored.
constexpr int MaxMots = 32;

// SQLite's primary result codes (the driver reports them in nativeErrorCode).
enum CodeSqlite { Occupee = 5, Verrouillee = 6, Endommagee = 11, Pleine = 13, Inouvrable = 14, PasUneBase = 26 };

std::atomic<quint64> s_instances{0};

const char* const ColonnesEntree =
    "id, moment, sorte, adresse, pseudo, auteur, police, couleur, style, texte";

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

// Marks a queued entry added before the setting was read.
constexpr qint64 EntreeSousReserve = -1;

// A null QString binds as SQL NULL: the columns hold "" instead, and a null read back matches them.
QString NonNul(const QString& texte) {
    return texte.isNull() ? QStringLiteral("") : texte;
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

EntreeHistorique LireEntree(const QSqlQuery& q) {
    EntreeHistorique e;
    e.Id = q.value(0).toLongLong();
    e.Moment = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong());
    const int sorte = q.value(2).toInt();
    e.Genre = sorte >= 0 && sorte <= 2 ? EntreeHistorique::Sorte(sorte) : EntreeHistorique::Sorte::Systeme;
    e.Adresse = q.value(3).toString();
    e.PseudoContact = q.value(4).toString();
    e.Auteur = q.value(5).toString();
    e.Police = q.value(6).toInt();
    e.Couleur = q.value(7).toInt();
    e.Style = q.value(8).toInt();
    e.Texte = q.value(9).toString();
    return e;
}

// Letters and digits make words, with the marks that decorate them and private-use characters
// (which the index keeps in words too).
bool DansUnMot(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing: return true;
    default: return QChar::isLetterOrNumber(c) || QChar::category(c) == QChar::Other_PrivateUse;
    }
}

// The writer's connection and its statements, prepared once.
struct Ecriture {
    QSqlDatabase base;
    std::unique_ptr<QSqlQuery> entree, mots, conversation;
    Jours jours;
};

// One conversation's share of a batch, written once per batch.
struct Resume {
    QString pseudo;
    int entrees = 0;
    qint64 derniere = 0;
};

} // namespace

struct BaseHistorique::Etat {
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

    void Boucle();
    bool Ouvrir(Ecriture& e);
    void Echec(const QString& pourquoi);
    void Echec(const QSqlError& erreur) { Echec(RaisonErreur(erreur)); }
    bool Executer(QSqlQuery& requete, const char* sql);
    bool EcrireLot(Ecriture& e, const QList<EntreeHistorique>& lot);
    void EcrireReglage(Ecriture& e, bool oui);
    bool ToutEffacer(Ecriture& e);
    void Annuler(Ecriture& e);
    QSqlDatabase BaseLecture() const;
    void FermerLectures();
};

BaseHistorique::BaseHistorique(const QString& chemin, QObject* parent) : QObject(parent), d(new Etat) {
    d->q = this;
    d->chemin = chemin;
    d->nom = QStringLiteral("ovan-historique-%1").arg(++s_instances);
    d->ecrivain.reset(QThread::create([etat = d.get()] { etat->Boucle(); }));
    d->ecrivain->setObjectName(QStringLiteral("Historique"));
    d->ecrivain->start();
}

BaseHistorique::~BaseHistorique() {
    // Readers first: the writer's connection, closed last, folds the log into the file.
    d->FermerLectures();
    {
        QMutexLocker l(&d->verrou);
        d->arret = true;
        d->reveil.wakeAll();
    }
    d->ecrivain->wait();
}

bool BaseHistorique::Disponible() const {
    return d->disponible.load();
}

QString BaseHistorique::Raison() const {
    QMutexLocker l(&d->verrou);
    return d->raison;
}

bool BaseHistorique::Enregistrer() const {
    const int connu = d->enregistrer.load();
    if (connu >= 0) {
        return connu == 1;
    }
    // The writer has not read it yet.
    const QSqlDatabase base = d->BaseLecture();
    if (!base.isValid()) {
        return true;
    }
    QSqlQuery q(base);
    q.setForwardOnly(true);
    if (q.exec(QStringLiteral("SELECT valeur FROM reglages WHERE cle = 'enregistrer'")) && q.next()) {
        return q.value(0).toString() != QLatin1String("0");
    }
    return true;
}

void BaseHistorique::ReglerEnregistrer(bool oui) {
    const bool avant = Enregistrer();
    QMutexLocker l(&d->verrou);
    // Entries queued before the setting was known follow the value it had until now.
    if (d->enregistrer.load() < 0) {
        for (QList<EntreeHistorique>& lot : d->file) {
            if (avant) {
                for (EntreeHistorique& x : lot) {
                    x.Id = 0;
                }
            } else {
                d->traitees += lot.removeIf([](const EntreeHistorique& x) { return x.Id == EntreeSousReserve; });
            }
        }
    }
    d->enregistrer.store(oui ? 1 : 0);
    d->reglageAEcrire = oui ? 1 : 0;
    d->reveil.wakeOne();
}

void BaseHistorique::Ajouter(const EntreeHistorique& entree) {
    if (!d->disponible.load(std::memory_order_relaxed) || d->enregistrer.load(std::memory_order_relaxed) == 0) {
        return;
    }
    EntreeHistorique copie = entree;
    if (!copie.Moment.isValid()) {
        copie.Moment = QDateTime::currentDateTimeUtc();
    }
    QMutexLocker l(&d->verrou);
    // Before the setting is read from the file, an entry is kept only if it turns out to be on.
    copie.Id = d->enregistrer.load() < 0 ? EntreeSousReserve : 0;
    if (d->file.isEmpty() || d->file.last().size() >= TailleLot) {
        d->file.emplaceBack().reserve(TailleLot);
    }
    d->file.last().append(std::move(copie));
    ++d->ajoutees;
    // The writer only needs a nudge for a batch's first entry and when one is full.
    const qsizetype n = d->file.last().size();
    if ((n == 1 && d->file.size() == 1) || n == TailleLot) {
        d->reveil.wakeOne();
    }
}

void BaseHistorique::Vider() {
    QMutexLocker l(&d->verrou);
    const qint64 cible = d->ajoutees;
    ++d->pressants;
    d->reveil.wakeOne();
    while (d->traitees < cible) {
        d->accompli.wait(&d->verrou);
    }
    --d->pressants;
}

bool BaseHistorique::Effacer() {
    QList<QList<EntreeHistorique>> abandonnees;
    QMutexLocker l(&d->verrou);
    abandonnees.swap(d->file);
    for (const auto& lot : std::as_const(abandonnees)) {
        d->traitees += lot.size();
    }
    const qint64 demande = ++d->effacementsDemandes;
    d->reveil.wakeOne();
    while (d->effacementsFaits < demande) {
        d->accompli.wait(&d->verrou);
    }
    return d->resultatEffacer;
}

QList<ConversationHistorique> BaseHistorique::Conversations() const {
    QList<ConversationHistorique> liste;
    const QSqlDatabase base = d->BaseLecture();
    if (!base.isValid()) {
        return liste;
    }
    QSqlQuery q(base);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral(
            "SELECT adresse, jour, pseudo, entrees, derniere FROM conversations ORDER BY derniere DESC"))) {
        return liste;
    }
    while (q.next()) {
        ConversationHistorique c;
        c.Adresse = q.value(0).toString();
        c.Jour = QDate::fromString(q.value(1).toString(), Qt::ISODate);
        c.Pseudo = q.value(2).toString();
        c.Entrees = q.value(3).toInt();
        c.Derniere = q.value(4).toLongLong();
        liste.append(c);
    }
    return liste;
}

QList<EntreeHistorique> BaseHistorique::Entrees(const QString& adresse, const QDate& jour) const {
    QList<EntreeHistorique> liste;
    const QSqlDatabase base = jour.isValid() ? d->BaseLecture() : QSqlDatabase();
    if (!base.isValid()) {
        return liste;
    }
    QSqlQuery q(base);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM entrees WHERE adresse = ? AND jour = ? ORDER BY id")
                  .arg(QLatin1String(ColonnesEntree)));
    q.addBindValue(NonNul(adresse));
    q.addBindValue(jour.toString(Qt::ISODate));
    if (q.exec()) {
        while (q.next()) {
            liste.append(LireEntree(q));
        }
    }
    return liste;
}

QList<EntreeHistorique> BaseHistorique::Chercher(const QString& mots, int max) const {
    QList<EntreeHistorique> liste;
    const QStringList cherches = Mots(mots);
    if (cherches.isEmpty() || max <= 0) {
        return liste;
    }
    const QSqlDatabase base = d->BaseLecture();
    if (!base.isValid()) {
        return liste;
    }
    // Each word a quoted FTS5 string matched as a prefix; side by side, all are required.
    QStringList expression;
    for (const QString& mot : cherches) {
        expression << u'"' + QString(mot).replace(u'"', QLatin1String("\"\"")) + QLatin1String("\"*");
    }
    QSqlQuery q(base);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM entrees WHERE id IN (SELECT rowid FROM entrees_mots"
                             " WHERE entrees_mots MATCH ? ORDER BY rowid DESC LIMIT ?) ORDER BY id DESC")
                  .arg(QLatin1String(ColonnesEntree)));
    q.addBindValue(expression.join(u' '));
    q.addBindValue(max);
    if (q.exec()) {
        while (q.next()) {
            liste.append(LireEntree(q));
        }
    }
    return liste;
}

QStringList BaseHistorique::Mots(const QString& mots) {
    QStringList liste;
    QSet<QString> vus;
    QString mot;
    bool lettre = false;
    const auto finir = [&] {
        // Marks alone make no word.
        if (lettre && liste.size() < MaxMots) {
            const QString plie = mot.toCaseFolded();
            if (!vus.contains(plie)) {
                vus.insert(plie);
                liste.append(mot);
            }
        }
        mot.clear();
        lettre = false;
    };
    const qsizetype n = mots.size();
    for (qsizetype i = 0; i < n;) {
        char32_t c = mots.at(i).unicode();
        qsizetype largeur = 1;
        if (mots.at(i).isHighSurrogate() && i + 1 < n && mots.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(mots.at(i), mots.at(i + 1));
            largeur = 2;
        }
        if (DansUnMot(c)) {
            mot.append(QStringView(mots).mid(i, largeur));
            lettre = lettre || QChar::isLetterOrNumber(c) || QChar::category(c) == QChar::Other_PrivateUse;
        } else {
            finir();
        }
        i += largeur;
    }
    finir();
    return liste;
}

// ---- The writer thread

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
                QMetaObject::invokeMethod(q, [q = q, n = total] { emit q->ecrit(n); }, Qt::QueuedConnection);
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
    return preparer(e.entree,
                    "INSERT INTO entrees (moment, jour, sorte, adresse, pseudo, auteur, police, couleur, style, texte)"
                    " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)") &&
           preparer(e.mots, "INSERT INTO entrees_mots (rowid, texte) VALUES (?, ?)") &&
           preparer(e.conversation,
                    "INSERT INTO conversations (adresse, jour, pseudo, entrees, derniere) VALUES (?, ?, ?, ?, ?)"
                    " ON CONFLICT (adresse, jour) DO UPDATE SET"
                    " pseudo = CASE WHEN excluded.pseudo <> '' THEN excluded.pseudo ELSE pseudo END,"
                    " entrees = entrees + excluded.entrees, derniere = excluded.derniere");
}

void BaseHistorique::Etat::Echec(const QString& pourquoi) {
    {
        QMutexLocker l(&verrou);
        if (!disponible.load()) {
            return;
        }
        raison = pourquoi;
        disponible.store(false);
        // Queued entries go: nothing will write them.
        for (const auto& lot : std::as_const(file)) {
            traitees += lot.size();
        }
        file.clear();
        accompli.wakeAll();
    }
    QMetaObject::invokeMethod(q, [q = q, pourquoi] { emit q->horsService(pourquoi); }, Qt::QueuedConnection);
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

// ---- Reads

QSqlDatabase BaseHistorique::Etat::BaseLecture() const {
    if (!disponible.load()) {
        return {};
    }
    QThread* const fil = QThread::currentThread();
    QMutexLocker l(&verrouLectures);
    const auto it = lectures.constFind(fil);
    if (it != lectures.cend()) {
        return it->base;
    }
    // Opened read-only, a missing file is not created behind the writer's back.
    if (!QFileInfo::exists(chemin)) {
        return {};
    }
    Lecture lecture;
    lecture.nom = QStringLiteral("%1-lecture-%2").arg(nom).arg(++lecturesOuvertes);
    lecture.base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), lecture.nom);
    lecture.base.setDatabaseName(chemin);
    lecture.base.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(AttenteLectureMs));
    if (!lecture.base.open()) {
        lecture.base = QSqlDatabase();
        QSqlDatabase::removeDatabase(lecture.nom);
        return {};
    }
    lectures.insert(fil, lecture);
    return lecture.base;
}

void BaseHistorique::Etat::FermerLectures() {
    QMutexLocker l(&verrouLectures);
    QStringList noms;
    for (auto& lecture : lectures) {
        lecture.base.close();
        noms << lecture.nom;
    }
    lectures.clear();
    for (const QString& n : std::as_const(noms)) {
        QSqlDatabase::removeDatabase(n);
    }
}

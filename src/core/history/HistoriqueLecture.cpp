// The reads, from the calling thread on a read-only connection of its own: conversations, one
// conversation's entries, searches by words.
#include "core/history/HistoriqueEtat.h"

#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <utility>

namespace {

// Reads run on the GUI thread: they give up early rather than freeze the window.
constexpr int AttenteLectureMs = 250;
// A pasted page is not a search: past this many different words the rest is ignored.
constexpr int MaxMots = 32;

const char* const ColonnesEntree =
    "id, moment, sorte, adresse, pseudo, auteur, police, couleur, style, texte";

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

} // namespace

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
    lecture.base.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(AttenteLectureMs));
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

QList<EntreeHistorique> BaseHistorique::Entrees(const QString& adresse, const QDate& jour,
                                                qint64 apres) const {
    QList<EntreeHistorique> liste;
    const QSqlDatabase base = jour.isValid() ? d->BaseLecture() : QSqlDatabase();
    if (!base.isValid()) {
        return liste;
    }
    QSqlQuery q(base);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM entrees WHERE adresse = ? AND jour = ? AND id > ? ORDER BY id")
                  .arg(QLatin1String(ColonnesEntree)));
    q.addBindValue(Etat::NonNul(adresse));
    q.addBindValue(jour.toString(Qt::ISODate));
    q.addBindValue(apres);
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

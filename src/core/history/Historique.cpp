// The history on the window's thread: the queue the writer empties, the setting, clearing handed
// to the writer, and the stop once the database has failed.
#include "core/history/HistoriqueEtat.h"

#include <QSqlQuery>
#include <QVariant>

#include <utility>

namespace {

std::atomic<quint64> s_instances{0};

} // namespace

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
                d->traitees +=
                    lot.removeIf([](const EntreeHistorique& x) { return x.Id == Etat::EntreeSousReserve; });
            }
        }
    }
    d->enregistrer.store(oui ? 1 : 0);
    d->reglageAEcrire = oui ? 1 : 0;
    d->reveil.wakeOne();
}

void BaseHistorique::Ajouter(const EntreeHistorique& entree) {
    if (!d->disponible.load(std::memory_order_relaxed) ||
        d->enregistrer.load(std::memory_order_relaxed) == 0) {
        return;
    }
    EntreeHistorique copie = entree;
    if (!copie.Moment.isValid()) {
        copie.Moment = QDateTime::currentDateTimeUtc();
    }
    QMutexLocker l(&d->verrou);
    // Before the setting is read from the file, an entry is kept only if it turns out to be on.
    copie.Id = d->enregistrer.load() < 0 ? Etat::EntreeSousReserve : 0;
    if (d->file.isEmpty() || d->file.last().size() >= Etat::TailleLot) {
        d->file.emplaceBack().reserve(Etat::TailleLot);
    }
    d->file.last().append(std::move(copie));
    ++d->ajoutees;
    // The writer only needs a nudge for a batch's first entry and when one is full.
    const qsizetype n = d->file.last().size();
    if ((n == 1 && d->file.size() == 1) || n == Etat::TailleLot) {
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
    QMetaObject::invokeMethod(
        q, [q = q, pourquoi] { emit q->horsService(pourquoi); }, Qt::QueuedConnection);
}

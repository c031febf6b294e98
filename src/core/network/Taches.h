// Work that blocks (waiting on the network) run on threads of its own, each result handed back
// to the owner's thread. The owner's destruction stops every task and waits for it.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <memory>

class Taches : public QObject {
    Q_OBJECT
public:
    using Arret = std::atomic<bool>;

    explicit Taches(QObject* parent = nullptr) : QObject(parent) {}
    ~Taches() override;

    // Runs travail(arret) on a new thread, then suite(result) on this object's thread, unless
    // the task was stopped first. Returns the task's stop flag.
    template <class Travail, class Suite> std::shared_ptr<Arret> Lancer(Travail travail, Suite suite) {
        auto arret = std::make_shared<Arret>(false);
        QThread* fil =
            QThread::create([this, arret, travail = std::move(travail), suite = std::move(suite)]() mutable {
                // Shared rather than moved into the call: Qt may free the posted call on this thread
                // after the owner's thread has run it.
                auto resultat = std::make_shared<decltype(travail(*arret))>(travail(*arret));
                QMetaObject::invokeMethod(
                    this,
                    [arret, suite = std::move(suite), resultat]() mutable {
                        if (!arret->load()) {
                            suite(std::move(*resultat));
                        }
                    },
                    Qt::QueuedConnection);
            });
        Suivre(fil, arret);
        return arret;
    }

    // Tasks not yet finished.
    int EnCours() const { return int(m_fils.size()); }

private:
    void Suivre(QThread* fil, std::shared_ptr<Arret> arret);

    struct Fil {
        QThread* fil;
        std::shared_ptr<Arret> arret;
    };
    QList<Fil> m_fils;
};

// One compression or decompression on a thread of its own, so that the windows stay responsive.
#pragma once

#include "core/tools/Bzip2Fichiers.h"

#include <QElapsedTimer>
#include <QList>
#include <QThread>

#include <atomic>
#include <mutex>

class Bzip2Travail : public QThread {
    Q_OBJECT
public:
    enum class Sens { Compression, Decompression };
    static constexpr qint64 IntervalleProgressionMs = 50;

    Bzip2Travail(Sens sens, const QString& source, const QString& sortie, QObject* parent = nullptr);
    // Stops the work and waits for it: its partial output is removed.
    ~Bzip2Travail() override;

    // Any thread: the work stops at its next block and removes its output.
    void Arreter() { m_arret.store(true, std::memory_order_release); }

    Sens sens() const { return m_sens; }
    // Once finished: 0 or -1, what was said before it in order, and whether it was stopped.
    int Resultat() const { return m_resultat.load(std::memory_order_acquire); }
    QList<Bzip2::Avis> Avis() const {
        const std::lock_guard<std::mutex> verrou(m_verrouAvis);
        return m_avis;
    }
    bool Arrete() const { return m_arret.load(std::memory_order_acquire); }

signals:
    // At most every IntervalleProgressionMs, and once at the end.
    void progression(qint64 fait, qint64 total);

protected:
    void run() override;

private:
    class Suivi;

    const Sens m_sens;
    const QString m_source;
    const QString m_sortie;
    std::atomic<bool> m_arret{false};
    std::atomic<int> m_resultat{-1};
    // Written by the worker, read by the window once it ended: ordered without relying on wait().
    mutable std::mutex m_verrouAvis;
    QList<Bzip2::Avis> m_avis;
};

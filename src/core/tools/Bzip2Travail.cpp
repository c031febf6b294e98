#include "core/tools/Bzip2Travail.h"

class Bzip2Travail::Suivi : public Bzip2::Suivi {
public:
    explicit Suivi(Bzip2Travail& travail) : m_travail(travail) { m_horloge.start(); }

    void Avertir(Bzip2::Avis avis) override {
        const std::lock_guard<std::mutex> verrou(m_travail.m_verrouAvis);
        m_travail.m_avis.append(avis);
    }
    void Avancer(qint64 fait, qint64 total) override {
        m_fait = fait;
        m_total = total;
        if (m_horloge.hasExpired(IntervalleProgressionMs)) {
            Rapporter();
        }
    }
    bool Arreter() const override { return m_travail.Arrete(); }
    void Rapporter() {
        m_horloge.restart();
        emit m_travail.progression(m_fait, m_total);
    }

private:
    Bzip2Travail& m_travail;
    QElapsedTimer m_horloge;
    qint64 m_fait = 0;
    qint64 m_total = 0;
};

Bzip2Travail::Bzip2Travail(Sens sens, const QString& source, const QString& sortie, QObject* parent)
    : QThread(parent), m_sens(sens), m_source(source), m_sortie(sortie) {}

Bzip2Travail::~Bzip2Travail() {
    Arreter();
    wait();
}

void Bzip2Travail::run() {
    Suivi suivi(*this);
    m_resultat.store(m_sens == Sens::Compression
                         ? Bzip2::CompFichEnFich(m_source, m_sortie, &suivi)
                         : Bzip2::DecompFichEnFich(m_source, m_sortie, Bzip2::TailleBlocOutil, &suivi),
                     std::memory_order_release);
    suivi.Rapporter();
}

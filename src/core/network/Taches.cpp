#include "core/network/Taches.h"

Taches::~Taches() {
    for (const Fil& f : m_fils) {
        f.arret->store(true);
    }
    for (const Fil& f : m_fils) {
        f.fil->wait();
        delete f.fil;
    }
}

void Taches::Suivre(QThread* fil, std::shared_ptr<Arret> arret) {
    m_fils.append({fil, arret});
    connect(fil, &QThread::finished, this, [this, fil] {
        for (qsizetype i = 0; i < m_fils.size(); ++i) {
            if (m_fils[i].fil == fil) {
                m_fils.removeAt(i);
                break;
            }
        }
        fil->deleteLater();
    });
    fil->start();
}

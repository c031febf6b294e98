#include "ui/app/Fondu.h"

#include <QWidget>
#include <utility>

Fondu::Fondu(QWidget* fenetre, QObject* parent) : QObject(parent), m_fenetre(fenetre) {
    m_minuterie.setInterval(IntervalleMs);
    m_minuterie.setTimerType(Qt::PreciseTimer);
    connect(&m_minuterie, &QTimer::timeout, this, &Fondu::Etape);
}

void Fondu::AuPremierPlan() {
    if (m_fenetre->isMinimized()) {
        m_fenetre->showNormal();
    }
    m_fenetre->raise();
    m_fenetre->activateWindow();
}

void Fondu::Entrer() {
    m_sortieDemandee = false;
    // Called back while it fades out: it comes back from where it is, and stays.
    if (m_sens == -1) {
        m_sens = 1;
        AuPremierPlan();
        return;
    }
    if (m_fenetre->isVisible() || m_sens != 0) {
        AuPremierPlan();
        return;
    }
    m_alpha = 0;
    m_fenetre->setWindowOpacity(0.0);
    m_sens = 1;
    if (m_afficher) {
        m_afficher();
    } else {
        m_fenetre->show();
    }
    m_fenetre->setWindowOpacity(m_alpha / 255.0);
    m_minuterie.start();
}

void Fondu::Sortir() {
    if (!m_fenetre->isVisible() || m_sens != 0) {
        return;
    }
    m_alpha = 255;
    m_sens = -1;
    m_minuterie.start();
}

void Fondu::SortirDesQuePossible() {
    if (m_sens == 1) {
        m_sortieDemandee = true;
        return;
    }
    Sortir();
}

void Fondu::Etape() {
    if (m_sens == 0) {
        m_minuterie.stop();
        return;
    }
    m_alpha = quint8(m_alpha + Pas * m_sens);
    m_fenetre->setWindowOpacity(m_alpha / 255.0);
    if (m_alpha == 255 && m_sens == 1) {
        m_minuterie.stop();
        m_sens = 0;
        emit entre();
        if (std::exchange(m_sortieDemandee, false)) {
            Sortir();
        }
    } else if (m_alpha == 0 && m_sens == -1) {
        m_minuterie.stop();
        m_sens = 0;
        m_fenetre->hide();
        m_fenetre->setWindowOpacity(1.0);
        emit masquee();
    }
}

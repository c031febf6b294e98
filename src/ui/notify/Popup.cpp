#include "ui/notify/Popup.h"

#include "ui/app/FenetreOvan.h"
#include "ui/app/Fondu.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QtMath>

Popup::Popup(FenetreOvan* fenetre, QLabel* titre, QLabel* corps, std::function<void()> restaurerPrincipale,
             QObject* parent)
    : QObject(parent), m_fenetre(fenetre), m_titre(titre), m_corps(corps),
      m_restaurer(std::move(restaurerPrincipale)) {
    m_minuterieMontee.setInterval(PasMonteeMs);
    m_minuterieMontee.setTimerType(Qt::PreciseTimer);
    connect(&m_minuterieMontee, &QTimer::timeout, this, &Popup::EtapeMontee);
    // Precise, so the message never goes before its five seconds.
    m_minuterieAttente.setInterval(AttenteMs);
    m_minuterieAttente.setSingleShot(true);
    m_minuterieAttente.setTimerType(Qt::PreciseTimer);
    connect(&m_minuterieAttente, &QTimer::timeout, this, &Popup::FinAttente);

    // The window's own fade is the pop-up's fade-out.
    connect(&fenetre->fondu(), &Fondu::masquee, this, &Popup::masquee);
    connect(fenetre, &FenetreOvan::fermetureDemandee, this, &Popup::DemanderFermeture);

    // The labels cover part of the message zone: they report the mouse too.
    for (QWidget* w :
         {static_cast<QWidget*>(fenetre), static_cast<QWidget*>(titre), static_cast<QWidget*>(corps)}) {
        if (w) {
            w->setMouseTracking(true);
            w->installEventFilter(this);
        }
    }
}

int Popup::Alpha() const {
    return m_fenetre ? m_fenetre->fondu().Alpha() : 0;
}

int Popup::Sens() const {
    return m_fenetre ? m_fenetre->fondu().Sens() : 0;
}

bool Popup::DansCroix(const QPoint& p) {
    return p.x() >= 163 && p.x() <= 175 && p.y() >= 7 && p.y() <= 19;
}

bool Popup::DansCorps(const QPoint& p) {
    return p.x() >= 3 && p.x() <= 177 && p.y() >= 25 && p.y() <= 112;
}

void Popup::Notifier(const QString& titre, const QString& corps, const QRect& placeTitre,
                     const QRect& placeCorps) {
    if (!m_fenetre) {
        return;
    }
    if (m_titre) {
        m_titre->setText(titre);
        m_titre->setGeometry(placeTitre);
    }
    if (m_corps) {
        m_corps->setText(corps);
        m_corps->setGeometry(placeCorps);
    }
    m_fenetre->setWindowOpacity(1.0);
    m_fenetre->show();
    // Above everything, but the keyboard stays where the user is typing.
    m_fenetre->raise();
    m_minuterieMontee.start();
}

void Popup::EtapeMontee() {
    if (!m_fenetre) {
        m_minuterieMontee.stop();
        return;
    }
    if (m_montee == Course) {
        m_minuterieMontee.stop();
        m_minuterieAttente.start();
        m_montee = 0;
        emit monteeFinie();
        return;
    }
    ++m_montee;
    // Risen, it stands whole inside the work area (above the panels): the Course steps cover its
    // full height, not Course pixels, which would leave its foot off the area.
    if (const QScreen* ecran = QGuiApplication::primaryScreen()) {
        const QRect zone = ecran->availableGeometry();
        m_fenetre->setGeometry(zone.x() + zone.width() - Largeur,
                               zone.y() + zone.height() - m_montee * Hauteur / Course, Largeur, Hauteur);
    }
}

void Popup::FinAttente() {
    m_minuterieAttente.stop();
    DemanderFermeture();
}

void Popup::DemanderFermeture() {
    // Fondu ignores a hidden window and a fade already running.
    if (m_fenetre) {
        m_fenetre->fondu().Sortir();
    }
}

bool Popup::eventFilter(QObject* objet, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
        if (!m_fenetre) {
            return false;
        }
        auto* widget = static_cast<QWidget*>(objet);
        const auto& souris = static_cast<const QMouseEvent&>(*event);
        const QPointF position =
            widget == m_fenetre ? souris.position() : widget->mapTo(m_fenetre, souris.position());
        Souris(souris, QPoint(qFloor(position.x()), qFloor(position.y())));
        // Taken here, so a label's event does not reach the window a second time.
        return true;
    }
    default: return false;
    }
}

void Popup::Souris(const QMouseEvent& event, const QPoint& p) {
    const bool croix = DansCroix(p);
    if (event.type() == QEvent::MouseButtonPress) {
        if (event.button() != Qt::LeftButton) {
            return;
        }
        if (croix) {
            m_fenetre->setCursor(Qt::PointingHandCursor);
            m_minuterieAttente.stop();
            DemanderFermeture();
        } else if (DansCorps(p)) {
            m_minuterieAttente.stop();
            DemanderFermeture();
            if (m_restaurer) {
                m_restaurer();
            }
        }
        return;
    }
    m_fenetre->setCursor(croix ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

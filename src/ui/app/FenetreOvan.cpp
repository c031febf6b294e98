#include "ui/app/FenetreOvan.h"

#include "ui/app/Fondu.h"
#include "ui/app/Images.h"
#include "ui/app/Placement.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QShowEvent>

namespace {

// X11 window managers keep a window above its owner only when it is marked transient for it, and
// Qt marks dialogs and tools, never plain windows: an owned window is therefore a dialog.
Qt::WindowFlags Type(QWidget* proprietaire, Qt::WindowFlags drapeaux) {
    if ((drapeaux & Qt::WindowType_Mask) != 0) {
        return drapeaux | Qt::Window;
    }
    return drapeaux | (proprietaire ? Qt::Dialog : Qt::Window);
}

} // namespace

FenetreOvan::FenetreOvan(QWidget* proprietaire, Qt::WindowFlags drapeaux, const QString& titre,
                         const QSize& taille)
    : QWidget(proprietaire, Type(proprietaire, drapeaux)), m_fondu(new Fondu(this, this)) {
    setWindowTitle(titre);
    setFixedSize(taille);
    setAttribute(Qt::WA_QuitOnClose, false);
}

void FenetreOvan::ReglerFond(const QString& image, bool motif) {
    m_fond = image;
    m_motif = motif;
    update();
}

void FenetreOvan::paintEvent(QPaintEvent*) {
    QPainter peintre(this);
    const bool sansCadre = windowFlags().testFlag(Qt::FramelessWindowHint);
    if (m_fond.isEmpty()) {
        if (sansCadre) {
            peintre.setPen(palette().color(QPalette::Mid));
            peintre.drawRect(rect().adjusted(0, 0, -1, -1));
        }
        return;
    }
    const qreal dpr = devicePixelRatioF();
    if (m_motif) {
        peintre.drawTiledPixmap(rect(), Images::Pixmap(m_fond, dpr));
    } else {
        peintre.drawPixmap(0, 0, Images::Pixmap(m_fond, Images::TailleNaturelle(m_fond), dpr));
    }
    // A window without a frame still shows its edge.
    if (sansCadre) {
        peintre.setPen(palette().color(QPalette::Mid));
        peintre.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void FenetreOvan::closeEvent(QCloseEvent* event) {
    // Windows are made once and only hidden: a close is a request to the program.
    event->ignore();
    emit fermetureDemandee();
}

void FenetreOvan::ReglerPlacement(std::function<QPoint()> coin, bool chaqueFois) {
    m_coin = std::move(coin);
    m_chaqueFois = chaqueFois;
}

void FenetreOvan::showEvent(QShowEvent* event) {
    // Before the window is mapped: it appears where it belongs, not where it was.
    if (!event->spontaneous()) {
        const QPoint coin = m_coin && (m_chaqueFois || !m_placee) ? m_coin() : pos();
        m_placee = true;
        move(DansLEcran(QRect(coin, size().grownBy(Cadre(this)))));
    }
    QWidget::showEvent(event);
}

void FenetreOvan::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        emit echap();
        return;
    }
    QWidget::keyPressEvent(event);
}

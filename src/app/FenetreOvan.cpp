#include "app/FenetreOvan.h"

#include "app/Fondu.h"
#include "app/Images.h"

#include <QCloseEvent>
#include <QPainter>

FenetreOvan::FenetreOvan(QWidget* proprietaire, Qt::WindowFlags drapeaux, const QString& titre,
                         const QSize& taille)
    : QWidget(proprietaire, drapeaux | Qt::Window), m_fondu(new Fondu(this, this)) {
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
    if (m_fond.isEmpty()) {
        return;
    }
    QPainter peintre(this);
    const qreal dpr = devicePixelRatioF();
    if (m_motif) {
        peintre.drawTiledPixmap(rect(), Images::Pixmap(m_fond, dpr));
    } else {
        peintre.drawPixmap(0, 0, Images::Pixmap(m_fond, Images::TailleNaturelle(m_fond), dpr));
    }
}

void FenetreOvan::closeEvent(QCloseEvent* event) {
    // Windows are made once and only hidden: a close is a request to the program.
    event->ignore();
    emit fermetureDemandee();
}

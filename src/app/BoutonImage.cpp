#include "app/BoutonImage.h"

#include "app/Images.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>

BoutonImage::BoutonImage(int id, const QString& face, const QString& infobulle, QWidget* parent)
    : QPushButton(parent), m_id(id) {
    setToolTip(infobulle);
    setAccessibleDescription(infobulle);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    ReglerFace(face);
}

void BoutonImage::ReglerFace(const QString& face) {
    m_face = face;
    // A picture button has no text of its own: screen readers announce its tooltip.
    if (!face.isEmpty()) {
        setAccessibleName(toolTip());
    }
    update();
}

void BoutonImage::paintEvent(QPaintEvent* event) {
    if (m_face.isEmpty()) {
        QPushButton::paintEvent(event);
        return;
    }
    if (m_centree) {
        QPushButton::paintEvent(event);
        QPainter peintre(this);
        const QSize taille = Images::TailleNaturelle(m_face);
        const QPoint coin((width() - taille.width()) / 2 + isDown(),
                          (height() - taille.height()) / 2 + isDown());
        peintre.drawPixmap(coin, Images::Pixmap(m_face, taille, devicePixelRatioF()));
        return;
    }
    QPainter peintre(this);
    peintre.setRenderHint(QPainter::Antialiasing);
    const QRect zone = rect();
    const bool enfonce = isDown();
    peintre.drawPixmap(zone.translated(enfonce ? 1 : 0, enfonce ? 1 : 0),
                       Images::Pixmap(m_face, zone.size(), devicePixelRatioF()));

    QPainterPath forme;
    forme.addRoundedRect(QRectF(zone).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    if (enfonce) {
        peintre.fillPath(forme, QColor(0, 0, 0, 40));
    } else if (underMouse() && FaceActive()) {
        peintre.fillPath(forme, QColor(255, 255, 255, 50));
    }
    if (hasFocus()) {
        QPen pen(palette().color(QPalette::Highlight), 2);
        peintre.setPen(pen);
        peintre.drawRoundedRect(QRectF(zone).adjusted(1, 1, -1, -1), 6, 6);
    }
}

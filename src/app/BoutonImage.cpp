#include "app/BoutonImage.h"

#include <QStyle>

BoutonImage::BoutonImage(int id, const QString& face, const QString& infobulle, QWidget* parent)
    : QPushButton(parent), m_id(id) {
    setToolTip(infobulle);
    setAccessibleName(infobulle);
    setAccessibleDescription(infobulle);
    setFocusPolicy(Qt::StrongFocus);
    ReglerFace(face);
}

void BoutonImage::ReglerFace(const QString& face) {
    m_face = face;
    setProperty("faceActive", FaceActive());
    // The grey look stands for the disabled face until the artwork exists.
    setStyleSheet(FaceActive() ? QString() : QStringLiteral("color: #8a8a8a;"));
}

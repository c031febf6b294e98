#include "ui/app/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

QPoint DansLEcran(const QRect& cadre) {
    const QScreen* ecran = QGuiApplication::screenAt(cadre.center());
    if (!ecran) {
        ecran = QGuiApplication::primaryScreen();
    }
    if (!ecran) {
        return cadre.topLeft();
    }
    const QRect zone = ecran->availableGeometry();
    const auto axe = [](int voulu, int taille, int debut, int etendue) {
        return taille >= etendue ? debut : std::clamp(voulu, debut, debut + etendue - taille);
    };
    return {axe(cadre.x(), cadre.width(), zone.x(), zone.width()),
            axe(cadre.y(), cadre.height(), zone.y(), zone.height())};
}

QMargins Cadre(const QWidget* fenetre) {
    if (fenetre->windowFlags().testFlag(Qt::FramelessWindowHint)) {
        return {};
    }
    for (const QWidget* f = fenetre; f; f = f->parentWidget() ? f->parentWidget()->window() : nullptr) {
        if (f->windowHandle() && !f->windowHandle()->frameMargins().isNull()) {
            return f->windowHandle()->frameMargins();
        }
    }
    return {};
}

QPoint AuCentre(const QWidget* fenetre) {
    const QScreen* ecran = QGuiApplication::primaryScreen();
    const QRect zone = ecran ? ecran->availableGeometry() : QRect();
    const QSize taille = fenetre->size().grownBy(Cadre(fenetre));
    return DansLEcran(QRect(QPoint(zone.x() + (zone.width() - taille.width()) / 2,
                                   zone.y() + (zone.height() - taille.height()) / 2),
                            taille));
}

#include "ui/app/SysTray.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

SysTray::SysTray(QObject* parent)
    : QObject(parent), m_menu(std::make_unique<QMenu>(QStringLiteral("OVAN"))),
      m_icone(new QSystemTrayIcon(this)) {
    m_ouvrir = m_menu->addAction(QStringLiteral("&Ouvrir"));
    m_menu->addSeparator();
    m_quitter = m_menu->addAction(QStringLiteral("&Quitter"));
    connect(m_ouvrir, &QAction::triggered, this, &SysTray::ouvrir);
    connect(m_quitter, &QAction::triggered, this, &SysTray::quitter);
    connect(m_icone, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason raison) {
        if (raison == QSystemTrayIcon::DoubleClick) {
            emit doubleClic();
        } else if (raison == QSystemTrayIcon::Trigger) {
            emit clic();
        }
    });
    m_icone->setContextMenu(m_menu.get());
}

SysTray::~SysTray() = default;

void SysTray::Tip(const QString& tip) {
    m_tip = tip.left(LongueurMaxTip);
    m_icone->setToolTip(m_tip);
}

namespace {
// The icon of the file, or the program's own when the file holds none: a missing file must not
// cost the user the notification area.
QIcon IconeDe(const QString& chemin) {
    const QIcon icone(chemin);
    return icone.availableSizes().isEmpty() ? QApplication::windowIcon() : icone;
}
} // namespace

bool SysTray::AjouteIcone(const QString& chemin) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return false;
    }
    m_icone->setIcon(IconeDe(chemin));
    m_icone->setToolTip(m_tip);
    m_icone->show();
    return true;
}

bool SysTray::RetireIcone() {
    const bool presente = m_icone->isVisible();
    m_icone->hide();
    return presente;
}

bool SysTray::ModifieIcone(const QString& chemin) {
    if (!m_icone->isVisible()) {
        return false;
    }
    m_icone->setIcon(IconeDe(chemin));
    return true;
}

bool SysTray::Presente() const {
    return m_icone->isVisible();
}

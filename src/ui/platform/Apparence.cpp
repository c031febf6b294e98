#include "ui/platform/Apparence.h"

#include <QWidget>

QPalette PaletteClaire() {
    QPalette p(QColor(0xef, 0xef, 0xef));
    for (auto groupe : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool actif = groupe != QPalette::Disabled;
        p.setColor(groupe, QPalette::Base, actif ? Qt::white : QColor(0xef, 0xef, 0xef));
        p.setColor(groupe, QPalette::AlternateBase, QColor(0xf7, 0xf7, 0xf7));
        p.setColor(groupe, QPalette::Highlight, actif ? QColor(0x30, 0x8c, 0xc6) : QColor(0x91, 0x91, 0x91));
        p.setColor(groupe, QPalette::HighlightedText, Qt::white);
        p.setColor(groupe, QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc));
        p.setColor(groupe, QPalette::ToolTipText, Qt::black);
        p.setColor(groupe, QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80));
        p.setColor(groupe, QPalette::Link, QColor(0x00, 0x00, 0xff));
        p.setColor(groupe, QPalette::LinkVisited, QColor(0xff, 0x00, 0xff));
        // Every role marked as chosen: a desktop palette must not fill in any of them.
        for (int r = 0; r < QPalette::NColorRoles; ++r) {
            const auto role = QPalette::ColorRole(r);
            p.setBrush(groupe, role, p.brush(groupe, role));
        }
    }
    return p;
}

void Eclaircir(QWidget* fenetre) {
    fenetre->setPalette(PaletteClaire());
}

// Where a window opens: inside the screen's available area (not under a panel, not off the edge),
// its title bar always reachable.
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>

class QWidget;

// The frame's top left for a window whose frame would be at cadre: moved inside the available area
// of the screen under cadre's centre; at that area's top left on an axis where it is too big.
QPoint DansLEcran(const QRect& cadre);
// The window's frame around its client area: known once it was shown, else that of its owner (the
// window manager draws them alike), none without a frame.
QMargins Cadre(const QWidget* fenetre);
// The frame's top left that centres the window in the available area of the primary screen.
QPoint AuCentre(const QWidget* fenetre);

// Every picture of the program by its name ("img_conn_e", "img_conn_d", "img_smy3", "img_fond", "A"...).
// The artwork is SVG compiled into the program; each picture is drawn at the size and pixel ratio
// asked, so it stays sharp on any screen.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QStringList>

namespace Images {

// Every name, the derived "_d" faces included.
QStringList Noms();
// Name lookup ignores case ("IMG_FOND" works).
bool Existe(const QString& nom);
// The picture's own size in pixels (84x84 for img_conn_e); empty for an unknown name.
QSize TailleNaturelle(const QString& nom);

// Drawn for the device pixel ratio (the pixmap's devicePixelRatio() is set) and cached.
// An unknown name or an empty size gives a null pixmap. GUI thread only.
QPixmap Pixmap(const QString& nom, const QSize& taille, qreal dpr = 1.0);
QPixmap Pixmap(const QString& nom, qreal dpr = 1.0);

// Pixel ratio 1, not cached; safe from any thread.
QImage Image(const QString& nom, const QSize& taille);

// The program's icon ("A") at the usual sizes.
QIcon IconeProgramme();

// The disabled look of a face: grey, lighter and flatter, alpha kept.
QImage Griser(const QImage& image);

} // namespace Images

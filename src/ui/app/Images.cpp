#include "ui/app/Images.h"

#include <QDir>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <cmath>
#include <memory>

namespace {

const QString DossierImages = QStringLiteral(":/images/");

struct Entree {
    QString nom;    // as the artwork spells it
    QString source; // the SVG drawn for it
    bool grise = false;
};

struct Catalogue {
    QHash<QString, Entree> parCle; // key: lower-case name
    QStringList noms;
};

// Only the enabled faces are drawn; each "_e" gives its "_d" by greying.
Catalogue Construire() {
    Catalogue c;
    const QStringList fichiers = QDir(DossierImages).entryList({QStringLiteral("*.svg")}, QDir::Files);
    for (const QString& fichier : fichiers) {
        const QString nom = fichier.chopped(4);
        c.parCle.insert(nom.toLower(), {nom, DossierImages + fichier, false});
        if (nom.endsWith(QLatin1String("_e"))) {
            const QString grise = nom.chopped(2) + QLatin1String("_d");
            c.parCle.insert(grise.toLower(), {grise, DossierImages + fichier, true});
        }
    }
    for (const Entree& e : std::as_const(c.parCle)) {
        c.noms << e.nom;
    }
    c.noms.sort(Qt::CaseInsensitive);
    return c;
}

const Catalogue& LeCatalogue() {
    static const Catalogue c = Construire();
    return c;
}

const Entree* Trouver(const QString& nom) {
    const Catalogue& c = LeCatalogue();
    auto it = c.parCle.constFind(nom.toLower());
    return it == c.parCle.constEnd() ? nullptr : &*it;
}

// One parsed document per SVG; QSvgRenderer is not reentrant, hence one lock for parsing and drawing.
QMutex verrou;
QHash<QString, std::shared_ptr<QSvgRenderer>> rendus;

QSvgRenderer* Rendu(const QString& source) {
    auto& r = rendus[source];
    if (!r) {
        r = std::make_shared<QSvgRenderer>(source);
    }
    return r->isValid() ? r.get() : nullptr;
}

QImage Dessiner(const Entree& e, const QSize& pixels) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QMutexLocker garde(&verrou);
        QSvgRenderer* rendu = Rendu(e.source);
        if (!rendu) {
            return {};
        }
        QPainter p(&image);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                         QPainter::SmoothPixmapTransform);
        rendu->render(&p, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
    return e.grise ? Images::Griser(image) : image;
}

} // namespace

namespace Images {

QStringList Noms() {
    return LeCatalogue().noms;
}

bool Existe(const QString& nom) {
    return Trouver(nom) != nullptr;
}

QSize TailleNaturelle(const QString& nom) {
    const Entree* e = Trouver(nom);
    if (!e) {
        return {};
    }
    QMutexLocker garde(&verrou);
    QSvgRenderer* rendu = Rendu(e->source);
    return rendu ? rendu->defaultSize() : QSize();
}

QPixmap Pixmap(const QString& nom, const QSize& taille, qreal dpr) {
    const Entree* e = Trouver(nom);
    if (!e || taille.isEmpty() || !(dpr > 0)) {
        return {};
    }
    const QSize pixels(qRound(taille.width() * dpr), qRound(taille.height() * dpr));
    const QString cle = QStringLiteral("ovan:%1:%2x%3").arg(e->nom).arg(pixels.width()).arg(pixels.height()) +
                        QLatin1Char('@') + QString::number(dpr);
    QPixmap pixmap;
    if (QPixmapCache::find(cle, &pixmap)) {
        return pixmap;
    }
    const QImage image = Dessiner(*e, pixels);
    if (image.isNull()) {
        return {};
    }
    pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(dpr);
    QPixmapCache::insert(cle, pixmap);
    return pixmap;
}

QPixmap Pixmap(const QString& nom, qreal dpr) {
    return Pixmap(nom, TailleNaturelle(nom), dpr);
}

QImage Image(const QString& nom, const QSize& taille) {
    const Entree* e = Trouver(nom);
    if (!e || taille.isEmpty()) {
        return {};
    }
    return Dessiner(*e, taille);
}

QIcon IconeProgramme() {
    QIcon icone;
    for (int cote : {16, 24, 32, 48, 64, 128, 256}) {
        icone.addPixmap(Pixmap(QStringLiteral("A"), QSize(cote, cote)));
    }
    return icone;
}

QImage Griser(const QImage& image) {
    QImage gris = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < gris.height(); ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(gris.scanLine(y));
        for (int x = 0; x < gris.width(); ++x) {
            const QRgb c = ligne[x];
            // Squeezed into the light half so it reads as "not now", yet the drawing stays legible.
            const int luminance = (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
            const int v = 100 + luminance * 135 / 255;
            ligne[x] = qRgba(v, v, v, qAlpha(c));
        }
    }
    return gris.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace Images

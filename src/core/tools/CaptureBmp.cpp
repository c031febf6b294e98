#include "core/tools/CaptureBmp.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

namespace CaptureBmp {

namespace {

void Mot(QByteArray& b, quint16 v) {
    const quint16 le = qToLittleEndian(v);
    b.append(reinterpret_cast<const char*>(&le), 2);
}

void Long(QByteArray& b, quint32 v) {
    const quint32 le = qToLittleEndian(v);
    b.append(reinterpret_cast<const char*>(&le), 4);
}

} // namespace

qsizetype OctetsParLigne(int largeur, int bits) {
    return (qsizetype(largeur) * bits + 31) / 32 * 4;
}

QByteArray Fichier(const Pixels& p) {
    const bool bitsValables =
        p.bits == 1 || p.bits == 4 || p.bits == 8 || p.bits == 16 || p.bits == 24 || p.bits == 32;
    const qsizetype ligne = OctetsParLigne(p.largeur, p.bits);
    if (!bitsValables || p.largeur <= 0 || p.hauteur <= 0 ||
        p.ligne < (qsizetype(p.largeur) * p.bits + 7) / 8 ||
        p.octets.size() < p.ligne * (p.hauteur - 1) + (qsizetype(p.largeur) * p.bits + 7) / 8) {
        return {};
    }
    const quint32 couleurs = p.bits <= 8 ? quint32(std::min<qsizetype>(p.palette.size(), 1 << p.bits)) : 0;
    const qsizetype image = qsizetype(p.hauteur) * ligne;
    const quint32 debut = 54 + 4 * couleurs;
    QByteArray f;
    f.reserve(debut + image);
    f.append("BM");
    Long(f, quint32(debut + image));
    Mot(f, 0);
    Mot(f, 0);
    Long(f, debut);
    Long(f, 40);
    Long(f, quint32(p.largeur));
    Long(f, quint32(p.hauteur));
    Mot(f, 1);
    Mot(f, quint16(p.bits));
    Long(f, 0); // no compression
    Long(f, 0); // image size: 0 is allowed without compression
    Long(f, 0);
    Long(f, 0);
    Long(f, couleurs);
    Long(f, 0);
    for (quint32 i = 0; i < couleurs; ++i) {
        const quint32 c = p.palette[i];
        f.append(char(c & 0xFF)).append(char((c >> 8) & 0xFF)).append(char((c >> 16) & 0xFF)).append('\0');
    }
    // Bottom row first; each row padded with zeros to its 4-byte multiple.
    const qsizetype utiles = (qsizetype(p.largeur) * p.bits + 7) / 8;
    for (int y = p.hauteur - 1; y >= 0; --y) {
        f.append(p.octets.constData() + qsizetype(y) * p.ligne, utiles);
        f.append(ligne - utiles, '\0');
    }
    return f;
}

bool Ecrire(const QString& chemin, const QByteArray& fichier) {
    if (fichier.isEmpty()) {
        return false;
    }
    QSaveFile f(chemin);
    return f.open(QIODevice::WriteOnly) && f.write(fichier) == fichier.size() && f.commit();
}

} // namespace CaptureBmp

// Writes the files that lie beside the program: smiley bitmaps, the icon file and the sounds.
//   ovan_generateur smileys <folder of the SVGs> <Smileys folder>
//   ovan_generateur icone <icon SVG> <file.ico>
//   ovan_generateur sons <Sons folder>
//   ovan_generateur icones <icon SVG> <hicolor folder> <icon name>
// The formats are written by hand so that their exact layout (24-bit BMP, PNG entries in the ICO,
// 16-bit mono PCM) never depends on an image or audio plugin.
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr int NombreSmileys = 25;
constexpr int Frequence = 44100;

void Ajouter16(QByteArray& o, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    o.append(b, 2);
}

void Ajouter32(QByteArray& o, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    o.append(b, 4);
}

bool Ecrire(const QString& chemin, const QByteArray& octets) {
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QSaveFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size() || !f.commit()) {
        std::fprintf(stderr, "ovan_generateur: cannot write %s\n", qPrintable(chemin));
        return false;
    }
    return true;
}

QImage Rendre(QSvgRenderer& rendu, const QSize& taille, const QColor& fond) {
    QImage image(taille, QImage::Format_ARGB32_Premultiplied);
    image.fill(fond);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    rendu.render(&p, QRectF(QPointF(0, 0), QSizeF(taille)));
    return image;
}

// 54-byte header, then bottom-up BGR rows padded to 4 bytes.
QByteArray Bmp24(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    const int l = image.width();
    const int h = image.height();
    const int ligne = (l * 3 + 3) & ~3;
    const quint32 donnees = quint32(ligne) * quint32(h);
    QByteArray o;
    o.append("BM", 2);
    Ajouter32(o, 54 + donnees);
    Ajouter32(o, 0);
    Ajouter32(o, 54);
    Ajouter32(o, 40);
    Ajouter32(o, quint32(l));
    Ajouter32(o, quint32(h));
    Ajouter16(o, 1);
    Ajouter16(o, 24);
    Ajouter32(o, 0); // no compression
    Ajouter32(o, donnees);
    Ajouter32(o, 2835); // 72 dpi
    Ajouter32(o, 2835);
    Ajouter32(o, 0);
    Ajouter32(o, 0);
    for (int y = h - 1; y >= 0; --y) {
        const uchar* rgb = image.constScanLine(y);
        QByteArray rangee(ligne, '\0');
        for (int x = 0; x < l; ++x) {
            rangee[x * 3] = char(rgb[x * 3 + 2]);
            rangee[x * 3 + 1] = char(rgb[x * 3 + 1]);
            rangee[x * 3 + 2] = char(rgb[x * 3]);
        }
        o.append(rangee);
    }
    return o;
}

int Smileys(const QString& dossierSvg, const QString& sortie) {
    for (int k = 1; k <= NombreSmileys; ++k) {
        const QString svg = dossierSvg + QStringLiteral("/img_smy%1.svg").arg(k);
        QSvgRenderer rendu(svg);
        if (!rendu.isValid()) {
            std::fprintf(stderr, "ovan_generateur: bad SVG %s\n", qPrintable(svg));
            return 1;
        }
        // The chat shows them over white, so they are flattened onto white.
        const QImage image = Rendre(rendu, rendu.defaultSize(), Qt::white);
        if (!Ecrire(sortie + QStringLiteral("/smiley%1.bmp").arg(k), Bmp24(image))) {
            return 1;
        }
    }
    return 0;
}

// An ICO directory whose entries are PNG images (32-bit with alpha).
int Icone(const QString& svg, const QString& sortie) {
    QSvgRenderer rendu(svg);
    if (!rendu.isValid()) {
        std::fprintf(stderr, "ovan_generateur: bad SVG %s\n", qPrintable(svg));
        return 1;
    }
    const int cotes[] = {16, 24, 32, 48, 64, 256};
    const int nombre = int(std::size(cotes));
    std::vector<QByteArray> pngs;
    for (int cote : cotes) {
        QByteArray png;
        QBuffer tampon(&png);
        tampon.open(QIODevice::WriteOnly);
        if (!Rendre(rendu, QSize(cote, cote), Qt::transparent).save(&tampon, "PNG")) {
            std::fprintf(stderr, "ovan_generateur: PNG encoding failed\n");
            return 1;
        }
        pngs.push_back(png);
    }
    QByteArray o;
    Ajouter16(o, 0);
    Ajouter16(o, 1); // icon
    Ajouter16(o, quint16(nombre));
    quint32 position = 6 + 16 * nombre;
    for (int i = 0; i < nombre; ++i) {
        const char octet = char(cotes[i] >= 256 ? 0 : cotes[i]); // 0 stands for 256
        o.append(octet);
        o.append(octet);
        o.append('\0'); // no palette
        o.append('\0');
        Ajouter16(o, 1);  // planes
        Ajouter16(o, 32); // bits per pixel
        Ajouter32(o, quint32(pngs[i].size()));
        Ajouter32(o, position);
        position += quint32(pngs[i].size());
    }
    for (const QByteArray& png : pngs) {
        o.append(png);
    }
    return Ecrire(sortie, o) ? 0 : 1;
}

// The desktop's icon theme: <folder>/NxN/apps/<name>.png for the sizes menus and docks ask for.
int Icones(const QString& svg, const QString& dossier, const QString& nom) {
    QSvgRenderer rendu(svg);
    if (!rendu.isValid()) {
        std::fprintf(stderr, "ovan_generateur: bad SVG %s\n", qPrintable(svg));
        return 1;
    }
    for (int cote : {16, 24, 32, 48, 64, 128, 256}) {
        QByteArray png;
        QBuffer tampon(&png);
        tampon.open(QIODevice::WriteOnly);
        if (!Rendre(rendu, QSize(cote, cote), Qt::transparent).save(&tampon, "PNG")) {
            std::fprintf(stderr, "ovan_generateur: PNG encoding failed\n");
            return 1;
        }
        if (!Ecrire(QStringLiteral("%1/%2x%2/apps/%3.png").arg(dossier).arg(cote).arg(nom), png)) {
            return 1;
        }
    }
    return 0;
}

// A soft bell-like tone: a sine with two weak harmonics, a short smooth attack and an exponential decay.
struct Note {
    double debut;     // s
    double frequence; // Hz
    double volume;
    double declin; // decay time constant, s
};

std::vector<double> Synthetiser(const std::vector<Note>& notes, double duree) {
    const int n = int(duree * Frequence);
    std::vector<double> s(n, 0.0);
    constexpr double Attaque = 0.008;
    constexpr double DeuxPi = 2 * std::numbers::pi;
    for (const Note& note : notes) {
        for (int i = int(note.debut * Frequence); i < n; ++i) {
            const double t = double(i) / Frequence - note.debut;
            const double attaque = t < Attaque ? 0.5 - 0.5 * std::cos(std::numbers::pi * t / Attaque) : 1.0;
            const double enveloppe = attaque * std::exp(-t / note.declin);
            const double f = note.frequence;
            s[i] += note.volume * enveloppe *
                    (std::sin(DeuxPi * f * t) + 0.30 * std::sin(DeuxPi * 2 * f * t) +
                     0.10 * std::sin(DeuxPi * 3 * f * t));
        }
    }
    // Whatever is left of the tails fades to zero: the sound never ends on a click.
    const int fondu = int(0.03 * Frequence);
    for (int i = 0; i < fondu && i < n; ++i) {
        s[n - 1 - i] *= 0.5 - 0.5 * std::cos(std::numbers::pi * i / fondu);
    }
    return s;
}

QByteArray Wav(const std::vector<double>& s, double crete) {
    double max = 0;
    for (double v : s) {
        max = std::max(max, std::abs(v));
    }
    const double gain = max > 0 ? crete / max : 0;
    const quint32 donnees = quint32(s.size() * 2);
    QByteArray o;
    o.append("RIFF", 4);
    Ajouter32(o, 36 + donnees);
    o.append("WAVE", 4);
    o.append("fmt ", 4);
    Ajouter32(o, 16);
    Ajouter16(o, 1); // PCM
    Ajouter16(o, 1); // mono
    Ajouter32(o, Frequence);
    Ajouter32(o, Frequence * 2);
    Ajouter16(o, 2);
    Ajouter16(o, 16);
    o.append("data", 4);
    Ajouter32(o, donnees);
    for (double v : s) {
        Ajouter16(o, quint16(qint16(std::lround(v * gain * 32767))));
    }
    return o;
}

int Sons(const QString& sortie) {
    // Notes: C5 523.25, E5 659.26, G5 783.99, A5 880, C6 1046.50, E6 1318.51.
    struct Son {
        const char* nom;
        std::vector<Note> notes;
        double duree;
        double crete;
    };
    const Son sons[] = {
        // The contact arrives: a friendly rising chime.
        {"coucou",
         {{0.00, 783.99, 1.0, 0.16}, {0.12, 1046.50, 0.9, 0.18}, {0.24, 1318.51, 0.8, 0.22}},
         0.62,
         0.55},
        // A message: one soft ding.
        {"msg", {{0.00, 880.00, 1.0, 0.11}}, 0.36, 0.45},
        // The window opens: a quick rising arpeggio.
        {"open",
         {{0.00, 523.25, 1.0, 0.06},
          {0.05, 659.26, 1.0, 0.06},
          {0.10, 783.99, 1.0, 0.06},
          {0.15, 1046.50, 1.0, 0.08}},
         0.34,
         0.45},
        // The window goes to the tray: the same steps falling, a little slower.
        {"close",
         {{0.00, 1046.50, 1.0, 0.06},
          {0.06, 783.99, 1.0, 0.06},
          {0.12, 659.26, 1.0, 0.06},
          {0.18, 523.25, 1.0, 0.09}},
         0.42,
         0.45},
    };
    for (const Son& son : sons) {
        const QString chemin = sortie + QLatin1Char('/') + QLatin1String(son.nom) + QLatin1String(".wav");
        if (!Ecrire(chemin, Wav(Synthetiser(son.notes, son.duree), son.crete))) {
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // SVG text needs a GUI application for its fonts; no display is ever needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("smileys")) {
        return Smileys(args[2], args[3]);
    }
    if (args.size() == 4 && args[1] == QLatin1String("icone")) {
        return Icone(args[2], args[3]);
    }
    if (args.size() == 3 && args[1] == QLatin1String("sons")) {
        return Sons(args[2]);
    }
    if (args.size() == 5 && args[1] == QLatin1String("icones")) {
        return Icones(args[2], args[3], args[4]);
    }
    std::fprintf(stderr, "usage: ovan_generateur smileys <svg folder> <out folder>\n"
                         "       ovan_generateur icone <icon svg> <out.ico>\n"
                         "       ovan_generateur sons <out folder>\n"
                         "       ovan_generateur icones <icon svg> <hicolor folder> <icon name>\n");
    return 2;
}

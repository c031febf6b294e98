// A 24-megapixel photograph converted through the conversion window to every format, at both ends
// of each quality list (and every Bitmap depth): the time each conversion takes in the helper
// process, the longest the interface thread went without turning meanwhile (goal: under 50 ms),
// and the same conversion run in this process without a helper, as the baseline.
#include "CopieOvan.h"
#include "core/tools/ConversionFreeImage.h"
#include "ui/app/Interface.h"
#include "ui/tools/ConversionImages.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Largeur = 6000;
constexpr int Hauteur = 4000;
constexpr qint64 ObjectifMs = 50;

QtMessageHandler gestionnaire = nullptr;

// What the offscreen platform cannot do is said at every fade: left out, the rest goes through.
void Filtrer(QtMsgType type, const QMessageLogContext& contexte, const QString& message) {
    if (!message.startsWith(QStringLiteral("This plugin does not support")) &&
        !message.contains(QStringLiteral("XDG_RUNTIME_DIR"))) {
        gestionnaire(type, contexte, message);
    }
}

// Smooth areas, edges and fine texture, as in a photograph, so that every encoder has work.
QImage Photo() {
    QImage image(Largeur, Hauteur, QImage::Format_RGB32);
    quint32 bruit = 12345;
    for (int y = 0; y < Hauteur; ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < Largeur; ++x) {
            bruit = bruit * 1664525u + 1013904223u;
            const int grain = int(bruit >> 28) - 8;
            const int bande = ((x / 300) + (y / 200)) % 2 ? 40 : 0;
            ligne[x] = qRgb(std::clamp(x * 255 / Largeur + grain + bande, 0, 255),
                            std::clamp(y * 255 / Hauteur + grain, 0, 255),
                            std::clamp((x + y) * 255 / (Largeur + Hauteur) - grain + bande, 0, 255));
        }
    }
    return image;
}

// The same conversion in this process: what the helper's isolation costs is the difference.
qint64 EnProcessus(const QString& source, const QString& sortie, int format, int qualite) {
    // The decoders' complaints, which the program discards with the helper's, stay off the table.
    std::fflush(stderr);
    const int erreurs = ::dup(2);
    const int rien = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ::dup2(rien, 2);
    ::close(rien);
    QElapsedTimer montre;
    montre.start();
    std::FILE* entree = std::fopen(QFile::encodeName(source).constData(), "rb");
    std::FILE* fichier = std::fopen(QFile::encodeName(sortie).constData(), "w+b");
    const auto bilan = ConversionFreeImage::Convertir(entree, fichier, format, qualite, false);
    const qint64 duree = montre.elapsed();
    if (entree) {
        std::fclose(entree);
    }
    if (fichier) {
        std::fclose(fichier);
    }
    QFile::remove(sortie);
    ::dup2(erreurs, 2);
    ::close(erreurs);
    return bilan == ConversionFreeImage::Reussie ? duree : -1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    gestionnaire = qInstallMessageHandler(Filtrer);
    QApplication application(argc, argv);

    QTemporaryDir dossier;
    const QString s = dossier.path() + u'/';
    const QString source = s + QStringLiteral("photo.jpg");
    QElapsedTimer montre;
    montre.start();
    if (!Photo().save(source, "JPEG", 92)) {
        std::printf("the picture could not be written in %s\n", qPrintable(s));
        return 1;
    }
    std::printf("source: %d x %d (%.1f megapixels), JPEG of %.1f MiB, made in %lld ms\n", Largeur, Hauteur,
                Largeur * double(Hauteur) / 1e6, QFileInfo(source).size() / 1048576.0, montre.elapsed());

    CopieOvan copie(QStringLiteral("127.0.0.250"));
    Interface& ui = copie.interface();

    // The interface thread's pulse: the largest gap between two turns of a 1 ms timer.
    QElapsedTimer horloge;
    qint64 precedent = 0, pire = 0;
    QTimer pouls;
    pouls.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pouls, &QTimer::timeout, [&] {
        const qint64 t = horloge.nsecsElapsed();
        pire = std::max(pire, t - precedent);
        precedent = t;
    });

    const struct {
        int format, qualite;
    } cas[] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 4}, {2, 0},
               {2, 1}, {3, 0}, {3, 1}, {3, 2}, {3, 3}, {3, 4}};
    std::printf("\n%-8s %-28s %10s %10s %7s %10s %11s\n", "format", "quality", "helper", "in-process",
                "ratio", "output", "worst stall");
    qint64 pireTotal = 0;
    bool echec = false;
    for (const auto& [format, qualite] : cas) {
        const QString nomFormat = ui.ComboBoxhWnd[ListeFormat]->itemText(format);
        copie.dialogues().RepondreFichier(source);
        copie.ovan().ClicBouton(Commande::ChoisirImage);
        ui.ComboBoxhWnd[ListeFormat]->setCurrentIndex(format);
        ui.ComboBoxhWnd[ListeQualite]->setCurrentIndex(qualite);
        const QString nomQualite = ui.ComboBoxhWnd[ListeQualite]->currentText();
        const QString sortie = CheminSortieImage(s, QStringLiteral("photo.jpg"), format);

        QSignalSpy boite(&copie.dialogues(), &DialoguesEnregistres::appel);
        // The box comes at the very end: the stall up to it counts too.
        const auto fin = QObject::connect(&copie.dialogues(), &DialoguesEnregistres::appel,
                                          [&] { pire = std::max(pire, horloge.nsecsElapsed() - precedent); });
        copie.dialogues().Effacer();
        horloge.start();
        precedent = 0;
        pire = 0;
        pouls.start(1);
        copie.ovan().ClicBouton(Commande::ConvertirImage);
        const bool fini = boite.wait(300000);
        const qint64 duree = horloge.elapsed();
        pouls.stop();
        QObject::disconnect(fin);
        const bool reussie = fini && copie.dialogues().Textes().value(0).contains(QStringLiteral("succès"));
        const qint64 taille = QFileInfo(sortie).size();
        QFile::remove(sortie);
        const qint64 base = EnProcessus(source, s + QStringLiteral("base.out"), format, qualite);
        const qint64 pireMs = pire / 1000000;
        pireTotal = std::max(pireTotal, pireMs);
        echec = echec || !reussie;
        std::printf("%-8s %s %7lld ms %7lld ms %7.2f %6.1f MiB %8lld ms%s\n", qPrintable(nomFormat),
                    nomQualite.leftJustified(28).toLocal8Bit().constData(), duree, base,
                    base > 0 ? double(duree) / base : 0.0, taille / 1048576.0, pireMs,
                    reussie ? "" : "  FAILED");
        std::fflush(stdout);
    }
    std::printf("\nworst interface stall over all conversions: %lld ms (goal under %lld ms)%s\n", pireTotal,
                ObjectifMs, pireTotal < ObjectifMs ? "" : "  OVER THE GOAL");
    return echec ? 1 : 0;
}

#include "core/tools/ConversionFormats.h"

#include "core/tools/ConversionFreeImage.h"
#include "core/tools/ImageSortie.h"
#include "core/transfer/NomsFichiers.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QStringList QualitesDuFormat(int format) {
    static const QStringList Qualites[] = {
        {QStringLiteral("Couleurs 8 bits"), QStringLiteral("Couleurs 16 bits"),
         QStringLiteral("Couleurs 24 bits"), QStringLiteral("Couleurs 32 bits")},
        {QStringLiteral("Mauvaise"), QStringLiteral("Moyenne"), QStringLiteral("Normale"),
         QStringLiteral("Bonne"), QStringLiteral("Excellente")},
        {QStringLiteral("Qualité par défaut"), QStringLiteral("Sans correction gamma")},
        {QStringLiteral("Qualité par défaut"), QStringLiteral("Compression PACKBITS"),
         QStringLiteral("Compression DEFLATE"), QStringLiteral("Compression ADOBE DEFLATE"),
         QStringLiteral("Sans compression")},
    };
    return format >= 0 && format < 4 ? Qualites[format] : QStringList();
}

QString CheminSortieImage(const QString& dossier, const QString& nom, int format) {
    const char* extension = ConversionFreeImage::Extension(format);
    if (!extension) {
        return {};
    }
    const qsizetype point = nom.lastIndexOf(u'.');
    const QString chemin = dossier + (point < 0 ? nom : nom.left(point)) + QLatin1String(extension);
    return NomsFichiers::FichExist(chemin) ? NomsFichiers::ChangeNom(chemin) : chemin;
}

QString ConvFormatImage(const QString& dossExec, int choixFormat, int choixQualite) {
    if (!ConversionFreeImage::ReglageConnu(choixFormat, choixQualite)) {
        return {};
    }
    const QString chemin = CheminSortieImage(dossExec, QStringLiteral("CaptEcran_1"), choixFormat);
    ImageSortie sortie;
    if (chemin.isEmpty() || !sortie.Creer(dossExec)) {
        return {};
    }
    // Never blocks on a special file put in the capture's place.
    const int fdSource = ::open(QFile::encodeName(dossExec + QStringLiteral("CaptEcran1.bmp")).constData(),
                                O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat etat {};
    std::FILE* source = fdSource >= 0 && ::fstat(fdSource, &etat) == 0 && S_ISREG(etat.st_mode)
                            ? ::fdopen(fdSource, "rb")
                            : nullptr;
    if (!source && fdSource >= 0) {
        ::close(fdSource);
    }
    // The output descriptor stays with sortie, which names it.
    const int fdSortie = ::fcntl(sortie.Descripteur(), F_DUPFD_CLOEXEC, 0);
    std::FILE* fichier = fdSortie >= 0 ? ::fdopen(fdSortie, "w+b") : nullptr;
    if (!fichier && fdSortie >= 0) {
        ::close(fdSortie);
    }
    auto bilan = ConversionFreeImage::Convertir(source, fichier, choixFormat, choixQualite, true);
    if (fichier && std::fclose(fichier) != 0) {
        bilan = ConversionFreeImage::EcritureImpossible;
    }
    if (source) {
        std::fclose(source);
    }
    if (bilan != ConversionFreeImage::Reussie) {
        return {};
    }
    return QFileInfo(sortie.Nommer(chemin)).fileName();
}

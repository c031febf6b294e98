#include "tools/ConversionImages.h"

#include <QComboBox>

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

void MettreQualite(QComboBox* qualite, int format) {
    qualite->clear();
    qualite->addItems(QualitesDuFormat(format));
    qualite->setCurrentIndex(-1);
}

void ConversionImages::ChoisirImage() {}

void ConversionImages::Convertir() {}

void ConversionImages::OuvrirDossier() {}

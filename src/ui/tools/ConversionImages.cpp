#include "ui/tools/ConversionImages.h"

#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/platform/Dialogues.h"
#include "ui/platform/Shell.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

namespace {

const QString FaceConvE = QStringLiteral("img_conv_e");
const QString FaceConvD = QStringLiteral("img_conv_d");
const QString FaceDossierE = QStringLiteral("img_ouvdoss_e");
const QString FaceDossierD = QStringLiteral("img_ouvdoss_d");

const QString NomDecodeur = QStringLiteral("ovan_decodeur_images");

QString FiltreImages() {
    return FiltreDialogue({
        {QStringLiteral("Fichiers Bitmap (*.bmp)"), QStringLiteral("*.bmp")},
        {QStringLiteral("Fichiers JPEG (*.jpg;*.jpeg)"), QStringLiteral("*.jpg;*jpeg")},
        {QStringLiteral("Fichiers PNG (*.png)"), QStringLiteral("*.png")},
        {QStringLiteral("Fichiers TIFF (*.tif;*.tiff)"), QStringLiteral("*.tif;*.tiff")},
    });
}

} // namespace

void MettreQualite(QComboBox* qualite, int format) {
    qualite->clear();
    qualite->addItems(QualitesDuFormat(format));
    qualite->setCurrentIndex(qualite->count() > 0 ? 0 : -1);
}

QString FiltreDialogue(const QList<std::pair<QString, QString>>& entrees) {
    QStringList filtre;
    for (const auto& [texte, motifs] : entrees) {
        const QString separes = motifs.split(u';', Qt::SkipEmptyParts).join(u' ');
        const QString fin = QLatin1Char('(') + separes + QLatin1Char(')');
        filtre << (texte.endsWith(fin) ? texte : texte + QLatin1Char(' ') + fin);
    }
    return filtre.join(QLatin1String(";;"));
}

bool FichierAOuvrir(Dialogues& dialogues, QString& NomFich, QString& NomDuFich, const QString& Filtre,
                    QWidget* hWnd) {
    NomFich.clear();
    NomDuFich.clear();
    NomFich = dialogues.ChoisirFichier(hWnd, QStringLiteral("Ouvrir le fichier"), Filtre);
    NomDuFich = QFileInfo(NomFich).fileName();
    return !NomFich.isEmpty();
}

bool FichierASauver(Dialogues& dialogues, QString& NomFich, QString& NomDuFich, const QString& Filtre,
                    const QString& ExtParDefaut, QWidget* hWnd) {
    NomFich.clear();
    NomDuFich.clear();
    NomFich =
        dialogues.ChoisirFichierASauver(hWnd, QStringLiteral("Sauvegarder le fichier"), Filtre, ExtParDefaut);
    NomDuFich = QFileInfo(NomFich).fileName();
    return !NomFich.isEmpty();
}

QString ConversionImages::CheminDecodeur() {
    const QString voisin = QCoreApplication::applicationDirPath() + QLatin1Char('/') + NomDecodeur;
#ifdef OVAN_AIDE_INSTALLEE
    // Installed, the helper lies in the libexec folder.
    const QString installee = QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                                              QStringLiteral(OVAN_AIDE_INSTALLEE));
    if (!QFileInfo(voisin).isExecutable() && QFileInfo(installee).isExecutable()) {
        return installee;
    }
#endif
#ifdef OVAN_DECODEUR_IMAGES
    if (!QFileInfo(voisin).isExecutable()) {
        return QStringLiteral(OVAN_DECODEUR_IMAGES);
    }
#endif
    return voisin;
}

ConversionImages::ConversionImages(const Controles& controles, Dialogues& dialogues, Shell& shell,
                                   QObject* parent)
    : QObject(parent), m_c(controles), m_dialogues(dialogues), m_shell(shell), m_isolee(CheminDecodeur()) {
    connect(&m_isolee, &ConversionIsolee::terminee, this, &ConversionImages::Terminer);
    connect(&m_c.fenetre->fondu(), &Fondu::masquee, this, &ConversionImages::Reinitialiser);
}

ConversionImages::~ConversionImages() = default;

void ConversionImages::ChoisirImage() {
    // The source of a conversion under way stays what it is.
    if (EnCours()) {
        return;
    }
    FichierAOuvrir(m_dialogues, CheminFichAConv, NomFichAConv, FiltreImages(), m_c.fenetre);
    m_c.image->setText(CheminFichAConv);
    if (m_c.image->text().isEmpty()) {
        // Cancelled: no source is chosen any more, so there is nothing to convert.
        m_c.convertir->ReglerFace(FaceConvD);
        return;
    }
    m_c.convertir->ReglerFace(FaceConvE);
    DossFichConv = CheminFichAConv.left(CheminFichAConv.lastIndexOf(u'/') + 1);
}

void ConversionImages::Convertir() {
    if (EnCours()) {
        return;
    }
    if (m_c.convertir->Face() != FaceConvE) {
        m_dialogues.Message(m_c.fenetre,
                            QStringLiteral("Vous devez d'abord choisir un fichier à convertir !"),
                            QStringLiteral("Attention !"), Dialogues::Icone::Information);
        return;
    }
    m_c.principale->Activer(false);
    m_c.convertir->ReglerFace(FaceConvD);
    const int format = m_c.format->currentIndex();
    const int qualite = m_c.qualite->currentIndex();
    NomFichImage = CheminSortieImage(DossFichConv, NomFichAConv, format);
    m_reinitialisationsAuLancement = m_reinitialisations;
    // An unknown format or quality, or no free name, fails in the helper's place: nothing is written.
    m_isolee.Lancer(CheminFichAConv, NomFichImage, format, qualite);
}

void ConversionImages::Terminer(const ConversionIsolee::Resultat& resultat) {
    NomFichImage = resultat.chemin;
    m_c.image->clear();
    if (!resultat.Reussie()) {
        m_dialogues.Message(m_c.fenetre, QStringLiteral("La conversion de format a échouée !"),
                            QStringLiteral("Erreur"), Dialogues::Icone::Erreur);
    } else {
        m_dialogues.Message(m_c.fenetre,
                            QStringLiteral("La conversion de format s'est terminée avec succès !"),
                            QStringLiteral("Bravo !"), Dialogues::Icone::Information);
        // A window reset meanwhile has nothing to open.
        if (m_reinitialisations == m_reinitialisationsAuLancement) {
            m_dossierSortie = QFileInfo(resultat.chemin).absolutePath() + QLatin1Char('/');
            m_c.ouvrirDossier->ReglerFace(FaceDossierE);
        }
    }
    m_c.principale->Activer(true);
    emit terminee(resultat.Reussie());
}

void ConversionImages::OuvrirDossier() {
    if (m_c.ouvrirDossier->Face() == FaceDossierE) {
        m_shell.Ouvrir(m_dossierSortie, m_c.fenetre);
    } else {
        m_dialogues.Message(m_c.fenetre, QStringLiteral("Vous devez d'abord convertir un fichier !"),
                            QStringLiteral("Attention !"), Dialogues::Icone::Information);
    }
}

void ConversionImages::Reinitialiser() {
    ++m_reinitialisations;
    m_c.image->clear();
    m_c.convertir->ReglerFace(FaceConvD);
    m_c.ouvrirDossier->ReglerFace(FaceDossierD);
    CheminFichAConv.clear();
    NomFichAConv.clear();
    DossFichConv.clear();
    m_dossierSortie.clear();
}

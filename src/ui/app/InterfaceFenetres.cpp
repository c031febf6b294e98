// The ten secondary windows and their controls.
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Images.h"
#include "ui/app/Interface.h"
#include "ui/app/Placement.h"
#include "ui/conversation/AjouteTexte.h"
#include "ui/tools/ConversionImages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTreeWidget>

namespace {

const QStringList Formats = {QStringLiteral("Bitmap"), QStringLiteral("JPEG"), QStringLiteral("PNG"),
                             QStringLiteral("TIFF")};

const QString Parcourir = QStringLiteral("Parcourir...");

QRect Ecran() {
    return QGuiApplication::primaryScreen()->geometry();
}

constexpr Qt::WindowFlags Titre = Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

FenetreOvan* Fenetre(QWidget* proprietaire, Qt::WindowFlags drapeaux, const QString& titre,
                     const QSize& taille, bool centree = true) {
    auto* f = new FenetreOvan(proprietaire, drapeaux, titre, taille);
    if (centree) {
        f->ReglerPlacement([f] { return AuCentre(f); }, false);
    }
    return f;
}

} // namespace

void Interface::ReglerImage(QLabel* label, const QString& image) {
    label->setProperty("image", image);
    label->setPixmap(Images::Pixmap(image, label->size(), label->devicePixelRatioF()));
}

QString Interface::Image(const QLabel* label) {
    return label->property("image").toString();
}

void Interface::CreerFenetres() {
    CreerSelecteurs();
    CreerTransfert();
    CreerReseau();
    CreerAPropos();
    CreerOptions();
    CreerPopup();
    CreerImages();
    CreerCompression();
    CreerPseudo();
}

void Interface::CreerSelecteurs() {
    // Small borderless pickers over the main window, made modal by disabling it.
    const Qt::WindowFlags drapeaux = Qt::Tool | Qt::FramelessWindowHint;
    SmileyhWnd = Fenetre(FenetrehWnd, drapeaux, QStringLiteral("Smileys"), {172, 290}, false);
    // Beside the main window wherever it is, as the offsets were meant from its corner.
    const auto pres = [this](QPoint decalage) {
        return [this, decalage] { return FenetrehWnd->frameGeometry().topLeft() + decalage; };
    };
    SmileyhWnd->ReglerPlacement(pres({10, 10}), true);
    SmileyhWnd->ReglerFond(QStringLiteral("img_fond"), true);
    for (int k = 1; k <= 25; ++k) {
        const int ligne = (k - 1) / 5;
        const int colonne = (k - 1) % 5;
        BoutonImage* b = CreerBouton(
            BoutonPremierSmiley + k - 1, QString(), QStringLiteral("img_smy%1").arg(k),
            {10 + 30 * colonne, 125 + 30 * ligne, 30, 30}, QString::fromUtf8(CodesSmileys[k]), SmileyhWnd);
        b->ReglerImageCentree(true);
    }
    CreerBouton(BoutonQuitterSmileys, QString(), QStringLiteral("img_quit"), {42, 12, 84, 84},
                QStringLiteral("Quitter"), SmileyhWnd);

    StyleTextehWnd = Fenetre(FenetrehWnd, drapeaux, QStringLiteral("Police"), {172, 277}, false);
    StyleTextehWnd->ReglerPlacement(pres({10, 307}), true);
    StyleTextehWnd->ReglerFond(QStringLiteral("img_fond"), true);
    QWidget* p = StyleTextehWnd;
    CreerLabel(LabelPolice, QStringLiteral("Police"), {10, 104, 150, 15}, p);
    CreerComboBox(ListePolice, NomsPolices(), true, {10, 120, 150, 300},
                  QStringLiteral("Choisissez une police"), p);
    CreerLabel(LabelCouleur, QStringLiteral("Couleur"), {10, 150, 150, 15}, p);
    CreerComboBox(ListeCouleur, NomsCouleurs(), true, {10, 166, 150, 300},
                  QStringLiteral("Choisissez une couleur"), p);
    CreerCheckBox(CaseGras, QStringLiteral("Gras"), {10, 198, 150, 20}, QStringLiteral("Mettre en gras"), p);
    CreerCheckBox(CaseItalique, QStringLiteral("Italique"), {10, 220, 150, 20},
                  QStringLiteral("Mettre en italique"), p);
    CreerCheckBox(CaseSouligne, QStringLiteral("Souligné"), {10, 242, 150, 20},
                  QStringLiteral("Mettre en souligné"), p);
    CreerBouton(BoutonQuitterPolice, QString(), QStringLiteral("img_quit"), {42, 12, 84, 84},
                QStringLiteral("Quitter"), p);
}

void Interface::CreerTransfert() {
    TransferthWnd = Fenetre(nullptr, Titre, QStringLiteral("0 % - Nom du fichier"), {400, 300});
    TransferthWnd->ReglerFond(QStringLiteral("img_fenenvoi"));
    QWidget* p = TransferthWnd;
    CreerBouton(BoutonOuvrirFichier, QString(), QStringLiteral("img_ouvrir_d"), {46, 230, 116, 30}, QString(),
                p);
    CreerBouton(BoutonAnnulerTransfert, QString(), QStringLiteral("img_annuler2"), {233, 230, 116, 30},
                QString(), p);
    auto* barre = new QProgressBar(p);
    barre->setGeometry(5, 200, 385, 25);
    barre->setRange(0, 1000);
    barre->setValue(0);
    barre->setTextVisible(false);
    barre->setProperty("id", 731);
    ProgressBarhWnd[1] = barre;
    CreerLabel(LabelNomFichier, QStringLiteral("Nom du fichier"), {5, 0, 285, 40}, p)->setWordWrap(true);
    CreerLabel(LabelCorrespondant, QStringLiteral("Expéditeur/Destinataire : ?"), {5, 70, 285, 30}, p);
    CreerLabel(LabelVolume, QStringLiteral("Volume de données envoyées/reçues : ? / taille"),
               {5, 110, 395, 15}, p);
    CreerLabel(LabelDebit, QStringLiteral("Débit : ? octets/seconde"), {5, 135, 395, 15}, p);
    CreerLabel(LabelTempsRestant, QStringLiteral("Temps restant estimé : ? min ? sec"), {5, 160, 395, 15}, p);
}

void Interface::CreerReseau() {
    ReseauhWnd =
        Fenetre(FenetrehWnd, Titre | Qt::WindowMinimizeButtonHint, QStringLiteral("Réseau"), {400, 325});
    QWidget* p = ReseauhWnd;
    auto* liste = new QTreeWidget(p);
    liste->setGeometry(5, 30, 385, 225);
    liste->setColumnCount(2);
    liste->setHeaderLabels({QStringLiteral("Nom PC"), QStringLiteral("Login")});
    liste->setColumnWidth(0, 120);
    liste->setColumnWidth(1, 200);
    liste->setRootIsDecorated(false);
    liste->setSelectionMode(QAbstractItemView::SingleSelection);
    liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    liste->header()->setSectionsMovable(true);
    // "Login" keeps its 200 pixels; the rest of the width stays empty.
    liste->header()->setStretchLastSection(false);
    liste->setFont(PoliceControles());
    liste->setProperty("id", 791);
    ListViewhWnd[1] = liste;
    CreerComboBox(ListeTout, {QStringLiteral("Tout")}, false, {5, 210, 385, 24}, QString(), p)->hide();
    QComboBox* domaines = CreerComboBox(ListeDomaines, {}, false, {5, 5, 385, 300}, QString(), p);
    domaines->setPlaceholderText(QStringLiteral("Domaines"));
    QLabel* nomPoste = CreerLabel(LabelNomPoste, QStringLiteral("Nom du poste :"), {5, 265, 75, 15}, p);
    // The box starts at x = 80: the label's text is made a pixel smaller until it fits before it.
    QFont petite = nomPoste->font();
    while (QFontMetrics(petite).horizontalAdvance(nomPoste->text()) > 75 && petite.pixelSize() > 9) {
        petite.setPixelSize(petite.pixelSize() - 1);
    }
    nomPoste->setFont(petite);
    CreerTextBox(ZoneNomPoste, {80, 263, 120, 20}, p, 0, true, QString());
    QLabel* ip =
        CreerLabel(LabelIpInternet, QStringLiteral("Connaître mon IP internet"), {240, 265, 150, 15}, p);
    QFont souligne = PoliceControles();
    souligne.setUnderline(true);
    ip->setFont(souligne);
    ip->setStyleSheet(QStringLiteral("color: rgb(0, 0, 255);"));
    // What the contact types to reach this computer, filled when the window opens.
    CreerLabel(LabelAdressesPoste, QString(), {5, 288, 385, 15}, p);
}

void Interface::CreerAPropos() {
    ApposhWnd = Fenetre(FenetrehWnd, Titre, QStringLiteral("À propos..."), {355, 275});
    LabelApposhWnd = new QLabel(ApposhWnd);
    LabelApposhWnd->setGeometry(0, 0, 355, 275);
    ReglerImage(LabelApposhWnd, QStringLiteral("img_fenappos1"));
    CreerBouton(BoutonNotice, QString(), QStringLiteral("img_notice"), {280, 202, 58, 24},
                QStringLiteral("Ouvre la notice d'OVAN Messenger"), ApposhWnd)
        ->hide();
}

void Interface::CreerOptions() {
    OptionshWnd = Fenetre(FenetrehWnd, Titre, QStringLiteral("Options"), {375, 310});
    QWidget* p = OptionshWnd;
    LabelOptionhWnd = new QLabel(p);
    LabelOptionhWnd->setGeometry(0, 0, 375, 310);
    ReglerImage(LabelOptionhWnd, QStringLiteral("img_fenoption1"));
    CreerTextBox(ZoneOptionsPseudo, {50, 165, 120, 20}, p, LongueurMaxPseudo, false,
                 QStringLiteral("Entrez ici votre pseudo"));
    CreerTextBox(ZoneOptionsDossier, {50, 200, 260, 20}, p, 0, true,
                 QStringLiteral("Choisissez l'endroit où sauvegarder les fichiers reçus"));
    CreerBouton(BoutonParcourir, QStringLiteral("..."), QString(), {310, 200, 20, 18}, Parcourir, p);
    CreerComboBox(ListeOptionsPolice, NomsPolices(), true, {160, 150, 115, 300},
                  QStringLiteral("Choisissez une police"), p);
    CreerComboBox(ListeOptionsCouleur, NomsCouleurs(), true, {160, 200, 115, 300},
                  QStringLiteral("Choisissez une couleur"), p);
    // Wider than 60 so that "Souligné" is never cut; the lists start at x = 160.
    CreerCheckBox(CaseOptionsGras, QStringLiteral("Gras"), {50, 148, 100, 20},
                  QStringLiteral("Mettre en gras"), p);
    CreerCheckBox(CaseOptionsItalique, QStringLiteral("Italique"), {50, 176, 100, 20},
                  QStringLiteral("Mettre en italique"), p);
    CreerCheckBox(CaseOptionsSouligne, QStringLiteral("Souligné"), {50, 204, 100, 20},
                  QStringLiteral("Mettre en souligné"), p);
    CreerComboBox(ListeOptionsFormat, Formats, true, {50, 160, 115, 300},
                  QStringLiteral("Choisissez un format image"), p);
    CreerComboBox(ListeOptionsQualite, QualitesDuFormat(0), false, {180, 160, 115, 300},
                  QStringLiteral("Choisissez une qualité d'image"), p);
    CreerCheckBox(CaseEnvoyerCapture, QStringLiteral("Envoyer la capture"), {180, 205, 160, 20}, QString(),
                  p);
    // Pages 2 and 3 start hidden.
    for (int slot : {ListeOptionsPolice, ListeOptionsCouleur, ListeOptionsFormat, ListeOptionsQualite}) {
        ComboBoxhWnd[slot]->hide();
    }
    for (int slot : {CaseOptionsGras, CaseOptionsItalique, CaseOptionsSouligne, CaseEnvoyerCapture}) {
        CheckBoxhWnd[slot]->hide();
    }
    CreerBouton(BoutonOptionsOk, QString(), QStringLiteral("img_ok"), {5, 243, 116, 30},
                QStringLiteral("Valider les changements"), p);
    CreerBouton(BoutonOptionsAnnuler, QString(), QStringLiteral("img_annuler"), {126, 243, 116, 30},
                QStringLiteral("Annuler les changements"), p);
    CreerBouton(BoutonOptionsAppliquer, QString(), QStringLiteral("img_appliquer"), {247, 243, 116, 30},
                QStringLiteral("Appliquer les changements"), p);
}

void Interface::CreerPopup() {
    const QRect ecran = Ecran();
    PopuphWnd = Fenetre(
        nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus,
        QString(), {183, 118}, false);
    PopuphWnd->setAttribute(Qt::WA_ShowWithoutActivating);
    PopuphWnd->move(ecran.right() + 1 - 165, ecran.bottom() + 1);
    PopuphWnd->ReglerFond(QStringLiteral("img_fenpopup"));
    for (int slot : {LabelTitrePopup, LabelCorpsPopup}) {
        QLabel* l = CreerLabel(slot, QString(),
                               {0, slot == LabelTitrePopup ? 50 : 70, 183, slot == LabelTitrePopup ? 20 : 50},
                               PopuphWnd);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        l->setWordWrap(true);
    }
}

void Interface::CreerImages() {
    ImageshWnd = Fenetre(nullptr, Titre | Qt::WindowMinimizeButtonHint, QStringLiteral("Conversion d'images"),
                         {500, 240});
    ImageshWnd->ReglerFond(QStringLiteral("img_fenimages"));
    QWidget* p = ImageshWnd;
    CreerTextBox(ZoneImage, {20, 68, 420, 22}, p, 0, true, QString());
    CreerBouton(BoutonChoixImage, QStringLiteral("..."), QString(), {446, 68, 30, 22}, Parcourir, p);
    CreerComboBox(ListeFormat, Formats, true, {20, 116, 150, 24},
                  QStringLiteral("Choisissez un format image"), p);
    CreerComboBox(ListeQualite, QualitesDuFormat(0), false, {190, 116, 200, 24},
                  QStringLiteral("Choisissez une qualité d'image"), p);
    CreerBouton(BoutonConvertir, QString(), QStringLiteral("img_conv_d"), {130, 176, 116, 30},
                QStringLiteral("Lancer la conversion"), p);
    CreerBouton(BoutonOuvrirDossier, QString(), QStringLiteral("img_ouvdoss_d"), {254, 176, 116, 30},
                QStringLiteral("Ouvrir le dossier"), p);
}

void Interface::CreerCompression() {
    CompressionhWnd = Fenetre(nullptr, Titre | Qt::WindowMinimizeButtonHint,
                              QStringLiteral("Compression de fichier"), {500, 340});
    CompressionhWnd->ReglerFond(QStringLiteral("img_fencomp"));
    QWidget* p = CompressionhWnd;
    const struct {
        int zone, bouton, y;
    } lignes[] = {
        {ZoneACompresser, BoutonChoixACompresser, 68},
        {ZoneArchiveCreee, BoutonChoixArchive, 112},
        {ZoneADecompresser, BoutonChoixADecompresser, 208},
        {ZoneFichierCree, BoutonChoixFichierCree, 252},
    };
    for (const auto& l : lignes) {
        CreerTextBox(l.zone, {20, l.y, 420, 22}, p, 0, true, QString());
        CreerBouton(l.bouton, QStringLiteral("..."), QString(), {446, l.y, 30, 22}, Parcourir, p);
    }
    CreerBouton(BoutonCompresser, QString(), QStringLiteral("img_comp"), {192, 142, 116, 30},
                QStringLiteral("Compresser"), p);
    CreerBouton(BoutonDecompresser, QString(), QStringLiteral("img_decomp"), {192, 284, 116, 30},
                QStringLiteral("Décompresser"), p);
}

void Interface::CreerPseudo() {
    PseudohWnd = Fenetre(FenetrehWnd, Titre, QStringLiteral("Choisissez un pseudo"), {190, 100});
    QWidget* p = PseudohWnd;
    CreerTextBox(ZoneChoixPseudo, {20, 10, 145, 20}, p, LongueurMaxPseudo, false, QString());
    BoutonImage* ok =
        CreerBouton(BoutonPseudoOk, QStringLiteral("OK"), QString(), {60, 35, 60, 25}, QString(), p);
    ok->setDefault(true);
    ok->setAutoDefault(true);
}

#include "ui/app/Interface.h"

#include "ui/chat/FenetreChat.h"

#include "ui/app/BoiteSaisie.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/LimiteSaisie.h"
#include "ui/app/Placement.h"
#include "ui/app/VueTexte.h"
#include "ui/platform/Apparence.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextEdit>

namespace {

constexpr int HauteurBarreStatut = 22;

struct DefBouton {
    int slot;
    const char* face;
    const char* infobulle;
};

// Main-window buttons: the starting faces show the idle, disconnected state.
constexpr DefBouton BoutonsPrincipaux[] = {
    {BoutonEffacer, "img_effa_e", "Effacer la conversation"},
    {BoutonEnvoyer, "img_envt_d", "Cliquez ici pour envoyer le message"},
    {BoutonConnecter, "img_conn_e", "Se connecter..."},
    {BoutonDeconnecter, "img_deco_d", "Se déconnecter..."},
    {BoutonQuitter, "img_quit", "Quitter OVAN Messenger"},
    {BoutonAbsent, "img_abst_e", "Mettre votre statut en : Absent"},
    {BoutonPresent, "img_prst_d", "Mettre votre statut en : Présent"},
    {BoutonEnvoiFichier, "img_envf", "Envoyer un fichier"},
    {BoutonSmiley, "img_smil", "Insérer un smiley dans votre message"},
    {BoutonFichiersRecus, "img_ficr", "Ouvrir le répertoire des fichiers reçus"},
    {BoutonAPropos, "img_ppos", "À propos d'OVAN Messenger..."},
    {BoutonReseau, "img_infr", "Infos sur le réseau"},
    {BoutonPolice, "img_poli", "Régler la police"},
    {BoutonCapture, "img_capt", "Envoyer une capture d'écran"},
};

void Infobulle(QWidget* controle, const QString& texte) {
    if (texte.isEmpty()) {
        return;
    }
    controle->setToolTip(texte);
    controle->setAccessibleDescription(texte);
}

// Control id: family base + slot, as the program numbers its controls.
void Identifier(QWidget* controle, int id) {
    controle->setProperty("id", id);
}

} // namespace

const std::array<const char*, 26> CodesSmileys = {
    "",      "(:-))", "(:-D)", "(LOL)", "(:-P)", "(8-D)", "(:-/)", "(:-[)", "(:-()",
    "(:-@)", "(:'()", "0(:))", "(:-$)", "(¤ ¤)", "(AIE)", "(O O)", "(;-))", "(õ Ô)",
    "(o O)", "(;-D)", "(:-S)", "(:-§)", "(O o)", "(Zzz)", "(X-D)", "]:-|)",
};

QFont Interface::PoliceControles() {
    QFont police(QStringLiteral("MS Sans Serif"));
    police.setPixelSize(12);
    return police;
}

void Interface::InstallerPolices() {
    // Faces that the messages and controls name, mapped to the closest fonts a Debian desktop has;
    // Arial and Times New Roman already have metric twins through fontconfig.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), {QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Courier"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    // Left to fontconfig, Comic Sans MS falls to the "cursive" family, an italic calligraphy face
    // with no bold: a plain message would look italic. Comic Neue looks alike and is upright;
    // DejaVu Sans stands in where it is not installed.
    QFont::insertSubstitutions(QStringLiteral("Comic Sans MS"),
                               {QStringLiteral("Comic Neue"), QStringLiteral("DejaVu Sans")});
}

Interface::Interface() {
    InstallerPolices();
    CreerFenetrePrincipale();
    CreerFenetres();
    // At the screen centre, 720 x 580; on a smaller screen at its top left, the title bar reachable.
    FenetrehWnd->resize(720, 580);
    FenetrehWnd->move(AuCentre(FenetrehWnd));
    for (QWidget* f : Fenetres()) {
        Eclaircir(f);
    }
    ReglerClavier();
    TextBoxhWnd[ZoneAdresse]->setFocus();
}

Interface::~Interface() {
    // The owned windows go with the main window; the others on their own.
    for (QWidget* fenetre : {static_cast<QWidget*>(TransferthWnd), static_cast<QWidget*>(PopuphWnd),
                             static_cast<QWidget*>(ImageshWnd), static_cast<QWidget*>(CompressionhWnd)}) {
        delete fenetre;
    }
    delete FenetrehWnd;
}

std::array<QWidget*, 11> Interface::Fenetres() const {
    return {FenetrehWnd, SmileyhWnd, StyleTextehWnd, TransferthWnd,   ReseauhWnd, ApposhWnd,
            OptionshWnd, PopuphWnd,  ImageshWnd,     CompressionhWnd, PseudohWnd};
}

QLabel* Interface::CreerLabel(int slot, const QString& texte, const QRect& place, QWidget* parent) {
    auto* c = new QLabel(texte, parent);
    // Labels show nicknames, messages and file names from the contact: never as markup.
    c->setTextFormat(Qt::PlainText);
    c->setFont(PoliceControles());
    c->setGeometry(place);
    Identifier(c, 100 + slot);
    LabelhWnd[slot] = c;
    return c;
}

QLineEdit* Interface::CreerTextBox(int slot, const QRect& place, QWidget* parent, int maximum,
                                   bool lectureSeule, const QString& infobulle) {
    auto* c = new QLineEdit(parent);
    c->setFont(PoliceControles());
    c->setGeometry(place);
    if (maximum > 0) {
        c->setValidator(new LimiteSaisie(c, maximum));
    }
    c->setReadOnly(lectureSeule);
    Infobulle(c, infobulle);
    // The nickname window's box is numbered 220, not 210.
    Identifier(c, slot == ZoneChoixPseudo ? 220 : 200 + slot);
    TextBoxhWnd[slot] = c;
    return c;
}

BoutonImage* Interface::CreerBouton(int slot, const QString& texte, const QString& face, const QRect& place,
                                    const QString& infobulle, QWidget* parent) {
    auto* b = new BoutonImage(300 + slot, face, infobulle, parent);
    b->setFont(PoliceControles());
    b->setText(texte);
    b->setGeometry(place);
    Identifier(b, 300 + slot);
    BoutonhWnd[slot] = b;
    return b;
}

QComboBox* Interface::CreerComboBox(int slot, const QStringList& elements, bool triee, const QRect& place,
                                    const QString& infobulle, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setFont(PoliceControles());
    QStringList liste = elements;
    if (triee) {
        std::sort(liste.begin(), liste.end(), [](const QString& a, const QString& b) {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        });
    }
    c->addItems(liste);
    c->setCurrentIndex(liste.isEmpty() ? -1 : 0);
    // A drop-down list is sized by its closed height; the given height is the open list's.
    c->setGeometry(place.x(), place.y(), place.width(), std::min(place.height(), 24));
    Infobulle(c, infobulle);
    Identifier(c, 400 + slot);
    ComboBoxhWnd[slot] = c;
    return c;
}

QCheckBox* Interface::CreerCheckBox(int slot, const QString& texte, const QRect& place,
                                    const QString& infobulle, QWidget* parent) {
    auto* c = new QCheckBox(texte, parent);
    c->setFont(PoliceControles());
    c->setGeometry(place);
    Infobulle(c, infobulle);
    Identifier(c, 750 + slot);
    CheckBoxhWnd[slot] = c;
    return c;
}

void Interface::CreerFenetrePrincipale() {
    FenetrehWnd = new FenetrePrincipale();
    QWidget* zone = FenetrehWnd->Zone();

    CreerLabel(LabelPseudo, QStringLiteral("Pseudo :"), {15, 10, 115, 15}, zone);
    CreerLabel(LabelAdresse, QStringLiteral("Adresse du contact :"), {15, 50, 115, 15}, zone);
    CreerLabel(LabelMonStatut, QStringLiteral("Mon statut"), {348, 5, 50, 15}, zone);
    CreerLabel(LabelSonStatut, QStringLiteral("Son statut"), {348, 68, 50, 15}, zone);
    for (int slot : {LabelMonStatut, LabelSonStatut}) {
        LabelhWnd[slot]->setAlignment(Qt::AlignCenter);
    }

    CreerTextBox(ZonePseudo, {20, 25, 115, 20}, zone, LongueurMaxPseudo, false,
                 QStringLiteral("Tapez ici votre pseudo"));
    CreerTextBox(ZoneAdresse, {20, 65, 115, 20}, zone, LongueurMaxAdresse, false,
                 QStringLiteral("Tapez ici l'adresse IP ou le nom du PC de votre contact"));
    CreerTextBox(ZoneSonStatut, {329, 83, 90, 20}, zone, 0, true, QStringLiteral("Statut de votre contact"));
    TextBoxhWnd[ZoneSonStatut]->setAlignment(Qt::AlignCenter);

    auto* conversation = new VueTexte(zone);
    conversation->setFont(PoliceControles());
    conversation->setReadOnly(true);
    // Nothing in the conversation is ever undone: no undo history to keep.
    conversation->setUndoRedoEnabled(false);
    conversation->setPlainText(QStringLiteral("Bienvenue sur OVAN Messenger\n"));
    conversation->setTextInteractionFlags(Qt::TextBrowserInteraction);
    Infobulle(conversation, QStringLiteral("Messages envoyés et reçus"));
    Identifier(conversation, 701);
    RichEdithWnd[ZoneConversation] = conversation;

    auto* saisie = new BoiteSaisie(LongueurMaxMessage, zone);
    saisie->setFont(PoliceControles());
    Infobulle(saisie, QStringLiteral("Tapez votre message ici"));
    Identifier(saisie, 702);
    RichEdithWnd[ZoneSaisie] = saisie;

    for (const DefBouton& def : BoutonsPrincipaux) {
        CreerBouton(def.slot, QString(), QString::fromUtf8(def.face), {}, QString::fromUtf8(def.infobulle),
                    zone);
    }
    BoutonhWnd[BoutonConnecter]->setGeometry(150, 12, 84, 84);
    BoutonhWnd[BoutonDeconnecter]->setGeometry(239, 12, 84, 84);

    for (int partie = 0; partie < 2; ++partie) {
        auto* c = new QLabel(zone);
        c->setTextFormat(Qt::PlainText);
        c->setFont(PoliceControles());
        c->setFrameShape(QFrame::StyledPanel);
        c->setFrameShadow(QFrame::Sunken);
        c->setContentsMargins(3, 0, 3, 0);
        c->setAutoFillBackground(true);
        BarreStatuthWnd[partie] = c;
    }
    Identifier(BarreStatuthWnd[0], 1000);
    Identifier(BarreStatuthWnd[1], 1000);
    // Part 0 ends at 480 until the first layout.
    BarreStatuthWnd[0]->setGeometry(0, 0, 480, HauteurBarreStatut);
    VerrouhWnd = new QPushButton(zone);
    VerrouhWnd->setFlat(true);
    VerrouhWnd->setFont(PoliceControles());
    VerrouhWnd->setFocusPolicy(Qt::NoFocus);
    VerrouhWnd->setAccessibleName(QStringLiteral("Chiffrement"));
    VerrouhWnd->hide();

    QObject::connect(FenetrehWnd, &FenetrePrincipale::redimensionnee, FenetrehWnd,
                     [this](int l, int h) { Redimensionner(l, h); });
}

void Interface::Redimensionner(int W, int H) {
    const int D = (W - 691) / 3;
    auto place = [](QWidget* c, int x, int y, int l, int h) {
        if (c) {
            c->setGeometry(x, y, l, h);
        }
    };
    place(RichEdithWnd[ZoneConversation], 6, 115, W - 12, H - 237);
    place(RichEdithWnd[ZoneSaisie], 6, H - 82, W - 66, 55);
    // Labels 3 and 4 keep their centre, and grow when the font on this desktop is wider.
    for (int slot : {LabelMonStatut, LabelSonStatut}) {
        if (QLabel* l = LabelhWnd[slot]) {
            const int largeur = std::max(50, l->sizeHint().width());
            place(l, D + 373 - largeur / 2, slot == LabelMonStatut ? 5 : 68, largeur, 15);
        }
    }
    place(TextBoxhWnd[ZoneSonStatut], D + 329, 83, 90, 20);
    place(BoutonhWnd[BoutonEffacer], W - 71, H - 117, 65, 30);
    place(BoutonhWnd[BoutonEnvoyer], W - 55, H - 79, 49, 49);
    place(BoutonhWnd[BoutonQuitter], W - 92, 12, 84, 84);
    place(BoutonhWnd[BoutonAbsent], D + 323, 18, 49, 49);
    place(BoutonhWnd[BoutonPresent], D + 377, 18, 49, 49);
    place(BoutonhWnd[BoutonPolice], 10, H - 117, 85, 30);
    place(BoutonhWnd[BoutonSmiley], 100, H - 117, 85, 30);
    place(BoutonhWnd[BoutonEnvoiFichier], 190, H - 117, 85, 30);
    place(BoutonhWnd[BoutonFichiersRecus], 280, H - 117, 85, 30);
    place(BoutonhWnd[BoutonCapture], 370, H - 117, 30, 28);
    place(BoutonhWnd[BoutonAPropos], W - 181, 12, 84, 84);
    place(BoutonhWnd[BoutonReseau], W - D - 265, 12, 84, 84);

    const int fin0 = 2 * W / 3;
    const int verrou = VerrouhWnd ? std::max(110, VerrouhWnd->sizeHint().width()) : 0;
    place(BarreStatuthWnd[0], 0, H - HauteurBarreStatut, fin0, HauteurBarreStatut);
    place(BarreStatuthWnd[1], fin0, H - HauteurBarreStatut, W - fin0 - verrou, HauteurBarreStatut);
    place(VerrouhWnd, W - verrou, H - HauteurBarreStatut, verrou, HauteurBarreStatut);

    if (QTextEdit* vue = RichEdithWnd[ZoneConversation]) {
        vue->verticalScrollBar()->setValue(vue->verticalScrollBar()->maximum());
    }
}

int Interface::FinPartie0() const {
    return BarreStatuthWnd[0]->geometry().right() + 1;
}

void Interface::TexteBarreStatut(int partie, const QString& texte) {
    FenetreChat::De(*this).Statut(partie, texte);
}

void Interface::FaceEnvoi(bool actif) {
    FenetreChat::De(*this).FaceEnvoi(actif);
}

QString Interface::TexteBarreStatut(int partie) const {
    return BarreStatuthWnd[partie]->text();
}

#include "app/Interface.h"

#include "app/BoutonImage.h"
#include "app/FenetrePrincipale.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextEdit>

namespace {

constexpr int HauteurBarreStatut = 22;

struct DefBouton {
    int slot;
    const char* face;
    const char* infobulle;
    const char* legende; // stands in for the artwork
};

// Main-window buttons: the starting faces show the idle, disconnected state.
constexpr DefBouton BoutonsPrincipaux[] = {
    {BoutonEffacer, "img_effa_e", "Effacer la conversation", "Effacer"},
    {BoutonEnvoyer, "img_envt_d", "Cliquez ici pour envoyer le message", "Envoyer"},
    {BoutonConnecter, "img_conn_e", "Se connecter...", "Se connecter"},
    {BoutonDeconnecter, "img_deco_d", "Se déconnecter...", "Se déconnecter"},
    {BoutonQuitter, "img_quit", "Quitter OVAN Messenger", "Quitter"},
    {BoutonAbsent, "img_abst_e", "Mettre votre statut en : Absent", "Absent"},
    {BoutonPresent, "img_prst_d", "Mettre votre statut en : Présent", "Présent"},
    {BoutonEnvoiFichier, "img_envf", "Envoyer un fichier", "Fichier"},
    {BoutonSmiley, "img_smil", "Insérer un smiley dans votre message", "Smiley"},
    {BoutonFichiersRecus, "img_ficr", "Ouvrir le répertoire des fichiers reçus", "Reçus"},
    {BoutonAPropos, "img_ppos", "À propos d'OVAN Messenger...", "À propos"},
    {BoutonReseau, "img_infr", "Infos sur le réseau", "Réseau"},
    {BoutonPolice, "img_poli", "Régler la police", "Police"},
    {BoutonCapture, "img_capt", "Envoyer une capture d'écran", "Cap."},
};

template <typename T> T* AvecPolice(T* controle) {
    controle->setFont(Interface::PoliceControles());
    return controle;
}

void Infobulle(QWidget* controle, const QString& texte) {
    controle->setToolTip(texte);
    controle->setAccessibleDescription(texte);
}

} // namespace

QFont Interface::PoliceControles() {
    QFont police(QStringLiteral("MS Sans Serif"));
    police.setPixelSize(12);
    return police;
}

Interface::Interface() {
    CreerFenetrePrincipale();

    // Owner of the file port's boxes; the transfer itself lives here later.
    TransferthWnd = new QWidget(nullptr, Qt::Window);
    TransferthWnd->setWindowTitle(QStringLiteral("0 % - Nom du fichier"));
    TransferthWnd->resize(400, 300);
}

Interface::~Interface() {
    delete TransferthWnd;
    delete FenetrehWnd;
}

void Interface::CreerFenetrePrincipale() {
    FenetrehWnd = new FenetrePrincipale();
    QWidget* zone = FenetrehWnd->Zone();

    auto label = [&](int slot, const QString& texte, int x, int y, int l, int h) {
        auto* c = AvecPolice(new QLabel(texte, zone));
        c->setGeometry(x, y, l, h);
        LabelhWnd[slot] = c;
    };
    label(LabelPseudo, QStringLiteral("Pseudo :"), 15, 10, 115, 15);
    label(LabelAdresse, QStringLiteral("Adresse du contact :"), 15, 50, 115, 15);
    label(LabelMonStatut, QStringLiteral("Mon statut"), 348, 5, 50, 15);
    label(LabelSonStatut, QStringLiteral("Son statut"), 348, 68, 50, 15);

    auto edit = [&](int slot, const QString& infobulle, int max, bool lectureSeule) {
        auto* c = AvecPolice(new QLineEdit(zone));
        Infobulle(c, infobulle);
        if (max > 0) {
            c->setMaxLength(max);
        }
        c->setReadOnly(lectureSeule);
        TextBoxhWnd[slot] = c;
        return c;
    };
    edit(ZonePseudo, QStringLiteral("Tapez ici votre pseudo"), LongueurMaxPseudo, false)
        ->setGeometry(20, 25, 115, 20);
    edit(ZoneAdresse, QStringLiteral("Tapez ici l'adresse IP ou le nom du PC de votre contact"),
         LongueurMaxAdresse, false)
        ->setGeometry(20, 65, 115, 20);
    edit(ZoneSonStatut, QStringLiteral("Statut de votre contact"), 0, true);

    auto* conversation = AvecPolice(new QTextEdit(zone));
    conversation->setReadOnly(true);
    conversation->setPlainText(QStringLiteral("Bienvenue sur OVAN Messenger\n"));
    Infobulle(conversation, QStringLiteral("Messages envoyés et reçus"));
    RichEdithWnd[ZoneConversation] = conversation;

    auto* saisie = AvecPolice(new QTextEdit(zone));
    Infobulle(saisie, QStringLiteral("Tapez votre message ici"));
    RichEdithWnd[ZoneSaisie] = saisie;

    for (const DefBouton& def : BoutonsPrincipaux) {
        auto* b = AvecPolice(new BoutonImage(300 + def.slot, QString::fromUtf8(def.face),
                                             QString::fromUtf8(def.infobulle), zone));
        b->setText(QString::fromUtf8(def.legende));
        BoutonhWnd[def.slot] = b;
    }
    BoutonhWnd[BoutonConnecter]->setGeometry(150, 12, 84, 84);
    BoutonhWnd[BoutonDeconnecter]->setGeometry(239, 12, 84, 84);

    for (int partie = 0; partie < 2; ++partie) {
        auto* c = AvecPolice(new QLabel(zone));
        c->setFrameShape(QFrame::StyledPanel);
        c->setFrameShadow(QFrame::Sunken);
        c->setContentsMargins(3, 0, 3, 0);
        BarreStatuthWnd[partie] = c;
    }

    QObject::connect(FenetrehWnd, &FenetrePrincipale::redimensionnee, FenetrehWnd,
                     [this](int l, int h) { Redimensionner(l, h); });

    FenetrehWnd->setMinimumSize(720, 500);
    const QRect ecran = QGuiApplication::primaryScreen()->availableGeometry();
    FenetrehWnd->setGeometry(ecran.x() + (ecran.width() - 720) / 2, ecran.y() + (ecran.height() - 580) / 2,
                             720, 580);
    // Part 0 ends at 480 until the first layout.
    BarreStatuthWnd[0]->setGeometry(0, 0, 480, HauteurBarreStatut);
    TextBoxhWnd[ZoneAdresse]->setFocus();
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
    place(LabelhWnd[LabelMonStatut], D + 348, 5, 50, 15);
    place(LabelhWnd[LabelSonStatut], D + 348, 68, 50, 15);
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
    place(BarreStatuthWnd[0], 0, H - HauteurBarreStatut, fin0, HauteurBarreStatut);
    place(BarreStatuthWnd[1], fin0, H - HauteurBarreStatut, W - fin0, HauteurBarreStatut);

    if (QTextEdit* vue = RichEdithWnd[ZoneConversation]) {
        vue->verticalScrollBar()->setValue(vue->verticalScrollBar()->maximum());
    }
}

void Interface::TexteBarreStatut(int partie, const QString& texte) {
    BarreStatuthWnd[partie]->setText(texte);
    BarreStatuthWnd[partie]->setAccessibleName(texte);
}

QString Interface::TexteBarreStatut(int partie) const {
    return BarreStatuthWnd[partie]->text();
}

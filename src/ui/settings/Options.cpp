#include "ui/settings/Options.h"

#include "core/chat/Conversation.h"
#include "core/conversation/Texte.h"
#include "core/transfer/NomsFichiers.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/conversation/Composition.h"
#include "ui/platform/Dialogues.h"
#include "ui/settings/Config.h"
#include "ui/tools/ConversionImages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>

#include <optional>

namespace {

// Tab strip of the pictures: y 75..93, three tabs.
constexpr int HautOnglets = 75;
constexpr int BasOnglets = 93;
constexpr int Onglets[3][2] = {{15, 103}, {106, 194}, {197, 285}};

} // namespace

Options::Options(Interface& interface, Dialogues& dialogues, Conversation& conversation,
                 Composition& composition, const QString& dossExec)
    : m_interface(interface), m_dialogues(dialogues), m_conversation(conversation),
      m_composition(composition), m_dossExec(dossExec) {
    Interface& ui = m_interface;
    ui.LabelOptionhWnd->setMouseTracking(true);
    ui.LabelOptionhWnd->installEventFilter(this);
    connect(ui.ComboBoxhWnd[ListeOptionsFormat], &QComboBox::currentIndexChanged, this, [&ui](int format) {
        MettreQualite(ui.ComboBoxhWnd[ListeOptionsQualite], format);
        ui.ComboBoxhWnd[ListeOptionsQualite]->setCurrentIndex(0);
    });
}

int Options::OngletA(const QPoint& p) {
    if (p.y() < HautOnglets || p.y() > BasOnglets) {
        return 0;
    }
    for (int i = 0; i < 3; ++i) {
        if (p.x() >= Onglets[i][0] && p.x() <= Onglets[i][1]) {
            return i + 1;
        }
    }
    return 0;
}

bool Options::eventFilter(QObject* objet, QEvent* event) {
    auto* label = m_interface.LabelOptionhWnd;
    if (objet != label) {
        return false;
    }
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonRelease ||
        event->type() == QEvent::MouseButtonPress) {
        const auto* souris = static_cast<QMouseEvent*>(event);
        const int onglet = OngletA(souris->position().toPoint());
        label->setCursor(onglet ? Qt::PointingHandCursor : Qt::ArrowCursor);
        if (event->type() == QEvent::MouseButtonPress && souris->button() == Qt::LeftButton && onglet) {
            AfficherPage(onglet);
        }
    }
    return false;
}

void Options::AfficherPage(int page) {
    Interface& ui = m_interface;
    m_page = page;
    Interface::ReglerImage(ui.LabelOptionhWnd, QStringLiteral("img_fenoption%1").arg(page));
    const QList<QWidget*> pages[3] = {
        {ui.TextBoxhWnd[ZoneOptionsPseudo], ui.TextBoxhWnd[ZoneOptionsDossier],
         ui.BoutonhWnd[BoutonParcourir]},
        {ui.ComboBoxhWnd[ListeOptionsPolice], ui.ComboBoxhWnd[ListeOptionsCouleur],
         ui.CheckBoxhWnd[CaseOptionsGras], ui.CheckBoxhWnd[CaseOptionsItalique],
         ui.CheckBoxhWnd[CaseOptionsSouligne]},
        {ui.ComboBoxhWnd[ListeOptionsFormat], ui.ComboBoxhWnd[ListeOptionsQualite],
         ui.CheckBoxhWnd[CaseEnvoyerCapture]},
    };
    for (int i = 0; i < 3; ++i) {
        for (QWidget* c : pages[i]) {
            c->setVisible(i + 1 == page);
        }
    }
}

QString Options::FenSelectionDoss(const QString& titre, const QString& depart) {
    QString chemin = m_dialogues.ChoisirDossier(m_interface.OptionshWnd, titre, depart);
    if (chemin.isEmpty() || !NomsFichiers::DossExist(chemin)) {
        return {};
    }
    if (!chemin.endsWith(u'/')) {
        chemin += u'/';
    }
    return chemin;
}

void Options::Parcourir() {
    const QString chemin = FenSelectionDoss(QStringLiteral("Le dossier accueillant les fichiers reçus"),
                                            m_conversation.DossierReception());
    if (!chemin.isEmpty()) {
        // Files go there at once, before OK or Apply.
        m_conversation.ReglerDossierReception(chemin);
        m_interface.TextBoxhWnd[ZoneOptionsDossier]->setText(chemin);
    }
}

bool Options::Sauver() {
    if (SauverFichierConfig(m_dossExec, EcrireReglages(SauverConfig(m_interface)))) {
        return true;
    }
    // The old file is still there, whole: say so rather than pretend.
    m_dialogues.Message(m_interface.OptionshWnd,
                        QStringLiteral("Impossible d'enregistrer la configuration !"),
                        QStringLiteral("Erreur"), Dialogues::Icone::Erreur);
    return false;
}

void Options::AppliquerReglages() {
    Interface& ui = m_interface;
    const QString pseudo = Trim(ui.TextBoxhWnd[ZoneOptionsPseudo]->text());
    m_conversation.ReglerMonPseudo(pseudo);
    ui.TextBoxhWnd[ZonePseudo]->setText(pseudo);
    m_conversation.AnnoncerPseudo();
    m_conversation.ReglerDossierReception(Trim(ui.TextBoxhWnd[ZoneOptionsDossier]->text()));
    {
        const QSignalBlocker a(ui.ComboBoxhWnd[ListePolice]);
        const QSignalBlocker b(ui.ComboBoxhWnd[ListeCouleur]);
        ui.ComboBoxhWnd[ListePolice]->setCurrentIndex(ui.ComboBoxhWnd[ListeOptionsPolice]->currentIndex());
        ui.ComboBoxhWnd[ListeCouleur]->setCurrentIndex(ui.ComboBoxhWnd[ListeOptionsCouleur]->currentIndex());
    }
    ui.CheckBoxhWnd[CaseGras]->setChecked(ui.CheckBoxhWnd[CaseOptionsGras]->isChecked());
    ui.CheckBoxhWnd[CaseItalique]->setChecked(ui.CheckBoxhWnd[CaseOptionsItalique]->isChecked());
    ui.CheckBoxhWnd[CaseSouligne]->setChecked(ui.CheckBoxhWnd[CaseOptionsSouligne]->isChecked());
    m_composition.ChangerStyle();
}

void Options::Valider() {
    Sauver();
    m_interface.OptionshWnd->fondu().Sortir();
    AppliquerReglages();
}

void Options::Appliquer() {
    Sauver();
    AppliquerReglages();
}

void Options::Annuler() {
    FenetreOvan* fenetre = m_interface.OptionshWnd;
    if (fenetre->fondu().EnCours()) {
        return;
    }
    // The end of the fade gives the main window back.
    fenetre->fondu().Sortir();
    RechargerConfig();
}

void Options::RechargerConfig() {
    Interface& ui = m_interface;
    QLineEdit* pseudo = ui.TextBoxhWnd[ZonePseudo];
    // Past start-up the main window's box holds the nickname in use (typed there, announced to the
    // contact): the window shows it, and a reload never renames the user.
    const std::optional<QString> enUsage = m_charge ? std::optional(pseudo->text()) : std::nullopt;
    m_charge = true;
    const auto garderPseudo = qScopeGuard([&] {
        if (enUsage) {
            pseudo->setText(*enUsage);
            ui.TextBoxhWnd[ZoneOptionsPseudo]->setText(*enUsage);
        }
    });
    QFile fichier(m_dossExec + QStringLiteral("config.ini"));
    if (!fichier.exists()) {
        ChargerConfigParDefaut(ui);
        return;
    }
    if (fichier.open(QIODevice::ReadOnly)) {
        ChargerConfig(ui, LireReglages(fichier.readAll()));
    }
    if (NomsFichiers::DossExist(ui.TextBoxhWnd[ZoneOptionsDossier]->text())) {
        return;
    }
    m_dialogues.Message(nullptr,
                        QStringLiteral("Le dossier de réception des fichiers n'existe pas !\r\n"
                                       "Vous devez en choisir un existant."),
                        QStringLiteral("Erreur !"), Dialogues::Icone::Information);
    ui.TextBoxhWnd[ZoneOptionsDossier]->setText(DossierParDefaut());
    ui.OptionshWnd->fondu().Entrer();
    ui.FenetrehWnd->Activer(false);
    Parcourir();
}

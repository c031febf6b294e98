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
#include <QShortcut>

#include <optional>

namespace {

// Tab strip of the pictures: y 75..93, three tabs.
constexpr int HautOnglets = 75;
constexpr int BasOnglets = 93;
constexpr int Onglets[3][2] = {{15, 103}, {106, 194}, {197, 285}};

} // namespace

Options::Options(const ControlesReglages& controles, Dialogues& dialogues, Conversation& conversation,
                 Composition& composition, const QString& dossExec)
    : m_ui(controles), m_dialogues(dialogues), m_conversation(conversation), m_composition(composition),
      m_dossExec(dossExec) {
    m_ui.fond->setMouseTracking(true);
    m_ui.fond->installEventFilter(this);
    // The tabs are drawn in the picture: Ctrl+Tab and Ctrl+Shift+Tab turn the pages.
    for (const auto& [touche, pas] :
         {std::pair(QKeySequence::NextChild, 1), std::pair(QKeySequence::PreviousChild, 2)}) {
        connect(new QShortcut(touche, m_ui.fenetre), &QShortcut::activated, this,
                [this, pas] { AfficherPage((m_page - 1 + pas) % 3 + 1); });
    }
    connect(m_ui.formatImage, &QComboBox::currentIndexChanged, this, [qualite = m_ui.qualite](int format) {
        MettreQualite(qualite, format);
        qualite->setCurrentIndex(0);
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
    auto* label = m_ui.fond;
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
    m_page = page;
    Interface::ReglerImage(m_ui.fond, QStringLiteral("img_fenoption%1").arg(page));
    const SelecteurFormat& f = m_ui.format;
    const QList<QWidget*> pages[3] = {
        {m_ui.pseudo, m_ui.dossier, m_ui.parcourir},
        {f.police, f.couleur, f.gras, f.italique, f.souligne},
        {m_ui.formatImage, m_ui.qualite, m_ui.envoiCapture},
    };
    for (int i = 0; i < 3; ++i) {
        for (QWidget* c : pages[i]) {
            c->setVisible(i + 1 == page);
        }
    }
}

QString Options::FenSelectionDoss(const QString& titre, const QString& depart) {
    QString chemin = m_dialogues.ChoisirDossier(m_ui.fenetre, titre, depart);
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
        m_ui.dossier->setText(chemin);
    }
}

bool Options::Sauver() {
    if (SauverFichierConfig(m_dossExec, EcrireReglages(SauverConfig(m_ui)))) {
        return true;
    }
    // The old file is still there, whole: say so rather than pretend.
    m_dialogues.Message(m_ui.fenetre, QStringLiteral("Impossible d'enregistrer la configuration !"),
                        QStringLiteral("Erreur"), Dialogues::Icone::Erreur);
    return false;
}

void Options::AppliquerReglages() {
    const QString pseudo = Trim(m_ui.pseudo->text());
    m_conversation.ReglerMonPseudo(pseudo);
    m_ui.pseudoPrincipal->setText(pseudo);
    m_conversation.AnnoncerPseudo();
    m_conversation.ReglerDossierReception(Trim(m_ui.dossier->text()));
    const SelecteurFormat &de = m_ui.format, &vers = m_ui.formatPrincipal;
    {
        const QSignalBlocker a(vers.police);
        const QSignalBlocker b(vers.couleur);
        vers.police->setCurrentIndex(de.police->currentIndex());
        vers.couleur->setCurrentIndex(de.couleur->currentIndex());
    }
    vers.gras->setChecked(de.gras->isChecked());
    vers.italique->setChecked(de.italique->isChecked());
    vers.souligne->setChecked(de.souligne->isChecked());
    m_composition.ChangerStyle();
}

void Options::Valider() {
    Sauver();
    m_ui.fenetre->fondu().Sortir();
    AppliquerReglages();
}

void Options::Appliquer() {
    Sauver();
    AppliquerReglages();
}

void Options::Annuler() {
    FenetreOvan* fenetre = m_ui.fenetre;
    if (fenetre->fondu().EnCours()) {
        return;
    }
    // The end of the fade gives the main window back.
    fenetre->fondu().Sortir();
    RechargerConfig();
}

void Options::RechargerConfig() {
    const ControlesReglages& ui = m_ui;
    QLineEdit* pseudo = ui.pseudoPrincipal;
    // Past start-up the main window's box holds the nickname in use (typed there, announced to the
    // contact): the window shows it, and a reload never renames the user.
    const std::optional<QString> enUsage = m_charge ? std::optional(pseudo->text()) : std::nullopt;
    m_charge = true;
    const auto garderPseudo = qScopeGuard([&] {
        if (enUsage) {
            pseudo->setText(*enUsage);
            ui.pseudo->setText(*enUsage);
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
    if (NomsFichiers::DossExist(ui.dossier->text())) {
        return;
    }
    m_dialogues.Message(nullptr,
                        QStringLiteral("Le dossier de réception des fichiers n'existe pas !\r\n"
                                       "Vous devez en choisir un existant."),
                        QStringLiteral("Erreur !"), Dialogues::Icone::Information);
    ui.dossier->setText(DossierParDefaut());
    ui.fenetre->fondu().Entrer();
    ui.principale->Activer(false);
    Parcourir();
}

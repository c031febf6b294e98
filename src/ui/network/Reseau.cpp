#include "ui/network/Reseau.h"

#include "core/network/AdressesPoste.h"
#include "core/network/Taches.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Images.h"
#include "ui/app/Interface.h"
#include "ui/platform/Shell.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int RoleAdresse = Qt::UserRole;
}

QString Reseau::AdresseIpInternet() {
    return QStringLiteral("https://") + QLatin1String(HoteIpInternet) + QLatin1String(CheminIpInternet);
}

Reseau::Reseau(const Controles& controles, Shell& shell, SourceReseau& source)
    : m_ui(controles), m_shell(shell), m_source(source), m_taches(std::make_unique<Taches>()) {
    // Only the user's choice lists another domain: the listing's own changes to the list do not.
    connect(m_ui.domaines, &QComboBox::activated, this, [this] { DomaineChange(); });
    QTreeWidget* liste = m_ui.postes;
    // A double click, or Enter on the row found by typing its first letters.
    connect(liste, &QTreeWidget::itemActivated, this,
            [this, liste](QTreeWidgetItem* item) { Choisir(liste->indexOfTopLevelItem(item)); });
    // Said over the computer list when no mDNS daemon answers, which is why it stays empty.
    m_sansDemon =
        new QLabel(QStringLiteral("Les ordinateurs du réseau ne peuvent pas être listés : le service "
                                  "de découverte (avahi-daemon) n'est pas démarré sur ce poste."));
    m_sansDemon->setObjectName(QStringLiteral("sansDemon"));
    m_sansDemon->setWordWrap(true);
    m_sansDemon->setAlignment(Qt::AlignCenter);
    m_sansDemon->setMargin(20);
    m_sansDemon->setAutoFillBackground(true);
    m_sansDemon->setBackgroundRole(QPalette::Base);
    m_sansDemon->hide();
    (new QVBoxLayout(liste->viewport()))->addWidget(m_sansDemon);
    // The link reacts on its own zone only, which is narrower than its label.
    QWidget* fenetre = m_ui.fenetre;
    QLabel* lien = m_ui.lien;
    for (QWidget* w : {fenetre, static_cast<QWidget*>(lien)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

// Waits for the listings still under way (each ends within about 50 ms once stopped).
Reseau::~Reseau() {
    if (m_arret) {
        m_arret->store(true);
    }
}

bool Reseau::SurLien(int x, int y) {
    return x >= 240 && x <= 360 && y >= 267 && y <= 277;
}

void Reseau::Ouvrir() {
    VoirReseau(0);
    if (m_ui.adressesPoste) {
        const QStringList adresses = AdressesDuPoste();
        m_ui.adressesPoste->setText(adresses.isEmpty()
                                        ? QStringLiteral("Ce poste n'a pas d'adresse sur un réseau local.")
                                        : (adresses.size() > 1 ? QStringLiteral("Adresses de ce poste : ")
                                                               : QStringLiteral("Adresse de ce poste : ")) +
                                              adresses.join(QStringLiteral(", ")));
    }
    FenetreOvan* fenetre = m_ui.fenetre;
    // Shown or fading: brought to the front (a fade-out turns back).
    fenetre->fondu().Entrer();
    m_ui.principale->Activer(false);
}

void Reseau::DomaineChange() {
    VoirReseau(m_ui.domaines->currentIndex());
}

void Reseau::VoirReseau(int selection) {
    if (m_arret) {
        m_arret->store(true);
    }
    m_selection = selection;
    m_etape = Etape::Domaines;
    SourceReseau* source = &m_source;
    m_arret = m_taches->Lancer([source](const Taches::Arret& arret) { return source->Domaines(arret); },
                               [this](QStringList domaines) { DomainesTrouves(domaines); });
}

void Reseau::DomainesTrouves(const QStringList& domaines) {
    QComboBox* liste = m_ui.domaines;
    liste->clear();
    liste->addItems(domaines);
    liste->setCurrentIndex(m_selection < domaines.size() ? m_selection : -1);
    // A daemon always gives "local".
    m_sansDemon->setVisible(domaines.isEmpty());
    // Nothing found: the computers listed before stay.
    if (m_selection >= 0 && m_selection < domaines.size()) {
        TrouvPC(domaines.at(m_selection));
    } else {
        Finir();
    }
}

void Reseau::TrouvPC(const QString& domaine) {
    m_ui.domaines->setEnabled(false);
    m_ui.postes->clear();
    m_etape = Etape::Postes;
    SourceReseau* source = &m_source;
    m_arret = m_taches->Lancer(
        [source, domaine](const Taches::Arret& arret) { return source->Postes(domaine, arret); },
        [this](QList<Dnssd::Poste> postes) { PostesTrouves(postes); });
}

void Reseau::PostesTrouves(const QList<Dnssd::Poste>& postes) {
    QTreeWidget* liste = m_ui.postes;
    QList<QTreeWidgetItem*> lignes;
    lignes.reserve(postes.size());
    const QIcon icone = Images::IconeProgramme();
    // The other names start where the marked ones do.
    QPixmap vide(liste->iconSize().isValid() ? liste->iconSize() : QSize(16, 16));
    vide.fill(Qt::transparent);
    const QIcon sansIcone(vide);
    for (const Dnssd::Poste& poste : postes) {
        auto* ligne = new QTreeWidgetItem({poste.Nom, poste.Ovan ? poste.Pseudo : QString()});
        ligne->setData(0, RoleAdresse, poste.PourContacter(LongueurMaxAdresse));
        ligne->setToolTip(
            0, poste.Adresse.isEmpty() ? poste.Nom : poste.Nom + QStringLiteral(" (") + poste.Adresse + u')');
        ligne->setIcon(0, poste.Ovan ? icone : sansIcone);
        if (poste.Ovan) {
            QFont gras = liste->font();
            gras.setBold(true);
            ligne->setFont(0, gras);
            ligne->setFont(1, gras);
            ligne->setToolTip(1, QStringLiteral("OVAN Messenger est ouvert sur ce poste"));
        }
        lignes.append(ligne);
    }
    liste->addTopLevelItems(lignes);
    Finir();
}

void Reseau::Finir() {
    m_ui.domaines->setEnabled(true);
    m_etape = Etape::Aucune;
    m_arret.reset();
    emit listageFini();
}

void Reseau::Choisir(int ligne) {
    QTreeWidgetItem* item = m_ui.postes->topLevelItem(ligne);
    if (!item) {
        return;
    }
    const QString adresse = item->data(0, RoleAdresse).toString();
    QLineEdit* zone = m_ui.adresse;
    // While connected the box shows the contact's address and stays as it is. (The main window
    // as a whole is off while this one is open: only the box's own state counts.)
    if (adresse.isEmpty() || !zone->isEnabledTo(zone->parentWidget())) {
        return;
    }
    zone->setText(adresse);
    // The main window comes back, with the focus, once this one has faded out.
    m_ui.fenetre->fondu().Sortir();
    emit posteChoisi(adresse);
}

bool Reseau::eventFilter(QObject* objet, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease) {
        return false;
    }
    auto* souris = static_cast<QMouseEvent*>(event);
    auto* widget = static_cast<QWidget*>(objet);
    FenetreOvan* fenetre = m_ui.fenetre;
    const QPoint p = widget == fenetre ? souris->position().toPoint()
                                       : widget->mapTo(fenetre, souris->position().toPoint());
    const bool surLien = SurLien(p.x(), p.y());
    if (type == QEvent::MouseButtonPress && souris->button() != Qt::LeftButton) {
        return false;
    }
    // Over the link the hand, elsewhere the arrow; a press elsewhere only sets the arrow.
    widget->setCursor(surLien ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (type == QEvent::MouseButtonPress && surLien) {
        m_shell.Ouvrir(AdresseIpInternet(), fenetre);
        return true;
    }
    return false;
}

#include "ui/app/FenetrePrincipale.h"

#include "ui/app/FenetreOvan.h"
#include "ui/app/Fondu.h"
#include "ui/app/Images.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

namespace {

// Paints the window's tiled background behind the controls.
class ZoneFond : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter peintre(this);
        peintre.drawTiledPixmap(rect(), Images::Pixmap(QStringLiteral("img_fond"), devicePixelRatioF()));
    }
};

} // namespace

FenetrePrincipale::FenetrePrincipale(QWidget* parent)
    : QMainWindow(parent), m_zone(new ZoneFond(this)), m_fondu(new Fondu(this, this)) {
    setWindowTitle(QStringLiteral("OVAN Messenger"));
    setCentralWidget(m_zone);
    setMinimumSize(720, 500);
    m_zone->installEventFilter(this);
    // A fade-in shows the window restored.
    m_fondu->ReglerAffichage([this] { showNormal(); });

    QMenu* action = menuBar()->addMenu(QStringLiteral("&Action"));
    AjouterElement(action, 900, QStringLiteral("&Se connecter\tCtrl+S"), "Ctrl+S");
    AjouterElement(action, 901, QStringLiteral("Se &déconnecter\tCtrl+D"), "Ctrl+D");
    action->addSeparator();
    AjouterElement(action, 902, QStringLiteral("&Envoyer un fichier\tCtrl+E"), "Ctrl+E");
    AjouterElement(action, 903, QStringLiteral("Ouvrir le dossier des fichiers &reçus\tCtrl+R"), "Ctrl+R");
    AjouterElement(action, 910, QStringLiteral("Code de s&ûreté..."), "");
    action->addSeparator();
    AjouterElement(action, 904, QStringLiteral("&Quitter\tCtrl+Q"), "Ctrl+Q");

    QMenu* outils = menuBar()->addMenu(QStringLiteral("&Outils"));
    AjouterElement(outils, 906, QStringLiteral("Compression de &fichier\tCtrl+F"), "Ctrl+F");
    AjouterElement(outils, 905, QStringLiteral("Conversion d'&images\tCtrl+I"), "Ctrl+I");
    AjouterElement(outils, 909, QStringLiteral("&Historique\tCtrl+H"), "Ctrl+H");
    outils->addSeparator();
    AjouterElement(outils, 907, QStringLiteral("&Options...\tCtrl+O"), "Ctrl+O");

    QMenu* avis = menuBar()->addMenu(QStringLiteral("&Donner mon avis"));
    AjouterElement(avis, 908, QStringLiteral("Donner &mon avis\tCtrl+M"), "Ctrl+M");

    // Sees the key presses that edit boxes would keep for themselves.
    qApp->installEventFilter(this);
}

bool FenetrePrincipale::RaccourciDuProgramme(QObject* objet, const QKeyEvent* touche) const {
    const auto* controle = qobject_cast<const QWidget*>(objet);
    if (!controle) {
        return false;
    }
    const QKeySequence sequence(touche->keyCombination());
    // The program's own windows; a message box or a file dialog keeps its keys.
    const QWidget* fenetre = controle->window();
    if (fenetre != this && !qobject_cast<const FenetreOvan*>(fenetre)) {
        return false;
    }
    return std::any_of(m_menu.begin(), m_menu.end(), [&](const QAction* element) {
        return element->isEnabled() && element->shortcut() == sequence;
    });
}

QAction* FenetrePrincipale::AjouterElement(QMenu* menu, int id, const QString& texte, const char* raccourci) {
    QAction* element = menu->addAction(texte);
    element->setData(id);
    element->setShortcut(QKeySequence(QString::fromLatin1(raccourci)));
    // The shortcuts act on this window from any window of the program.
    element->setShortcutContext(Qt::ApplicationShortcut);
    connect(element, &QAction::triggered, this, [this, id] { emit commandeMenu(id); });
    m_menu.insert(id, element);
    return element;
}

bool FenetrePrincipale::eventFilter(QObject* objet, QEvent* event) {
    // Boxes claim some keys through ShortcutOverride (on X11, Ctrl+E is "end of line" in a one-line
    // box): the program's accelerators win in every window that carries them.
    if (event->type() == QEvent::ShortcutOverride &&
        RaccourciDuProgramme(objet, static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    if (objet == m_zone && event->type() == QEvent::Resize) {
        const QSize taille = static_cast<QResizeEvent*>(event)->size();
        emit redimensionnee(taille.width(), taille.height());
    }
    return QMainWindow::eventFilter(objet, event);
}

void FenetrePrincipale::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (m_active) {
        emit fermetureDemandee();
    }
}

void FenetrePrincipale::Activer(bool active) {
    m_active = active;
    m_zone->setEnabled(active);
    menuBar()->setEnabled(active);
}

void FenetrePrincipale::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        emit activee();
    }
    QMainWindow::changeEvent(event);
}

void FenetrePrincipale::Retenir() {
    if (!m_restauration && isVisible() && windowState() == Qt::WindowNoState) {
        m_retenue = geometry();
    }
}

void FenetrePrincipale::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    Retenir();
}

void FenetrePrincipale::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Retenir();
}

void FenetrePrincipale::Restaurer() {
    const QRect retenue = m_retenue.isValid() ? m_retenue : geometry();
    m_restauration = true;
    showNormal();
    setGeometry(retenue.adjusted(0, 0, 0, 1));
    setGeometry(retenue.adjusted(0, 0, 0, -1));
    m_restauration = false;
}

#include "app/FenetrePrincipale.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QResizeEvent>

FenetrePrincipale::FenetrePrincipale(QWidget* parent) : QMainWindow(parent), m_zone(new QWidget(this)) {
    setWindowTitle(QStringLiteral("OVAN Messenger"));
    setCentralWidget(m_zone);
    m_zone->installEventFilter(this);

    QMenu* action = menuBar()->addMenu(QStringLiteral("&Action"));
    AjouterElement(action, 900, QStringLiteral("&Se connecter\tCtrl+S"),
                   QKeySequence(QStringLiteral("Ctrl+S")));
    AjouterElement(action, 901, QStringLiteral("Se &déconnecter\tCtrl+D"),
                   QKeySequence(QStringLiteral("Ctrl+D")));
}

QAction* FenetrePrincipale::AjouterElement(QMenu* menu, int id, const QString& texte,
                                           const QKeySequence& raccourci) {
    QAction* element = menu->addAction(texte);
    element->setData(id);
    element->setShortcut(raccourci);
    // The shortcuts act on this window from any window of the program.
    element->setShortcutContext(Qt::ApplicationShortcut);
    connect(element, &QAction::triggered, this, [this, id] { emit commandeMenu(id); });
    m_menu.insert(id, element);
    addAction(element);
    return element;
}

bool FenetrePrincipale::eventFilter(QObject* objet, QEvent* event) {
    if (objet == m_zone && event->type() == QEvent::Resize) {
        const QSize taille = static_cast<QResizeEvent*>(event)->size();
        emit redimensionnee(taille.width(), taille.height());
    }
    return QMainWindow::eventFilter(objet, event);
}

void FenetrePrincipale::closeEvent(QCloseEvent* event) {
    event->accept();
    emit fermee();
}

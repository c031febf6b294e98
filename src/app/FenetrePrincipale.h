// The main window: menu bar, the area that holds the controls, the two-part status bar.
#pragma once

#include <QMainWindow>
#include <QMap>

class QAction;

class FenetrePrincipale : public QMainWindow {
    Q_OBJECT
public:
    explicit FenetrePrincipale(QWidget* parent = nullptr);

    // The area under the menu bar, status bar included; controls are placed in it.
    QWidget* Zone() const { return m_zone; }
    // Menu item by its id (900...), or null.
    QAction* ElementMenu(int id) const { return m_menu.value(id); }

signals:
    void commandeMenu(int id);
    void redimensionnee(int largeur, int hauteur);
    void fermee();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    QAction* AjouterElement(QMenu* menu, int id, const QString& texte, const QKeySequence& raccourci);

    QWidget* m_zone;
    QMap<int, QAction*> m_menu;
};

// The main window: menu bar, the area that holds the controls, its fade and remembered place.
#pragma once

#include "ui/app/Commandes.h"

#include <QMainWindow>
#include <QMap>

class Fondu;
class QAction;
class QKeyEvent;

class FenetrePrincipale : public QMainWindow {
    Q_OBJECT
public:
    explicit FenetrePrincipale(QWidget* parent = nullptr);

    // The area under the menu bar, status bar included; controls are placed in it.
    QWidget* Zone() const { return m_zone; }
    // Menu item by its id (900...), or null.
    QAction* ElementMenu(int id) const { return m_menu.value(id); }
    QAction* ElementMenu(Menu id) const { return ElementMenu(int(id)); }

    Fondu& fondu() { return *m_fondu; }

    // The window disabled while a picker or a secondary window answers for it. Only its own
    // controls and menu are: the windows it owns stay usable, and so do the shortcuts from them.
    void Activer(bool active);
    bool Active() const { return m_active; }

    // Place and size the user gave the window last (not changed by maximising or minimising).
    QRect GeometrieRetenue() const { return m_retenue; }
    // Restores the window at its remembered place: once one pixel taller, then one shorter,
    // so that it is laid out afresh.
    void Restaurer();

signals:
    void commandeMenu(int id);
    void redimensionnee(int largeur, int hauteur);
    // The close box or Alt+F4: hiding or minimising is the program's choice.
    void fermetureDemandee();
    // The window became the active one.
    void activee();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QAction* AjouterElement(QMenu* menu, int id, const QString& texte, const char* raccourci);
    // The key is an enabled accelerator of this window's menu, pressed in a window that carries it.
    bool RaccourciDuProgramme(QObject* objet, const QKeyEvent* touche) const;
    void Retenir();

    QWidget* m_zone;
    Fondu* m_fondu;
    QMap<int, QAction*> m_menu;
    QRect m_retenue;
    bool m_restauration = false;
    bool m_active = true;
};

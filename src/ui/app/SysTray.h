// The program's icon in the notification area, its tip and its menu.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

class SysTray : public QObject {
    Q_OBJECT
public:
    static constexpr int LongueurMaxTip = 63;

    explicit SysTray(QObject* parent = nullptr);
    ~SysTray() override;

    // The window the icon belongs to, the icon's id, its tip (cut at 63 characters).
    void Tip(const QString& tip);
    QString Tip() const { return m_tip; }

    // Shows the icon read from the file chemin (the program's own when the file holds none);
    // false when the desktop has no notification area.
    bool AjouteIcone(const QString& chemin);
    bool RetireIcone();
    bool ModifieIcone(const QString& chemin);
    bool Presente() const;

    QMenu* Menu() const { return m_menu.get(); }
    QAction* ActionOuvrir() const { return m_ouvrir; }
    QAction* ActionQuitter() const { return m_quitter; }
    QSystemTrayIcon* Icone() const { return m_icone; }

signals:
    void doubleClic();
    void clic();
    void ouvrir();
    void quitter();

private:
    QString m_tip;
    std::unique_ptr<QMenu> m_menu;
    QAction* m_ouvrir;
    QAction* m_quitter;
    QSystemTrayIcon* m_icone;
};

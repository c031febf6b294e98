// A secondary top-level window: its background picture, its fade, and its close box reported.
#pragma once

#include <QWidget>

#include <functional>

class Fondu;
class QLabel;

class FenetreOvan : public QWidget {
    Q_OBJECT
public:
    // proprietaire: the owning window (it stays above it and goes with it), or null.
    FenetreOvan(QWidget* proprietaire, Qt::WindowFlags drapeaux, const QString& titre, const QSize& taille);

    // A picture filling the window, or a tile repeated over it.
    void ReglerFond(const QString& image, bool motif = false);

    Fondu& fondu() { return *m_fondu; }

    // Where the frame's top left goes when the window is shown: asked at every showing (a picker
    // beside the main window), else only the first time (the user may move it). Inside the screen's
    // available area either way.
    void ReglerPlacement(std::function<QPoint()> coin, bool chaqueFois);

signals:
    // The close box or Alt+F4: the window decides what it means (it stays open meanwhile).
    void fermetureDemandee();
    // Escape, left over by the control that has the focus: the window's own close command runs.
    void echap();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_fond;
    bool m_motif = false;
    Fondu* m_fondu;
    std::function<QPoint()> m_coin;
    bool m_chaqueFois = false;
    bool m_placee = false;
};

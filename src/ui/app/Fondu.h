// Fading a window in and out: opacity moves by 5 every 10 ms, 51 steps from 0 to 255.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class QWidget;

class Fondu : public QObject {
    Q_OBJECT
public:
    static constexpr int Pas = 5;
    static constexpr int IntervalleMs = 10;

    explicit Fondu(QWidget* fenetre, QObject* parent = nullptr);

    // How the window is shown when it fades in (the main window restores instead).
    void ReglerAffichage(std::function<void()> afficher) { m_afficher = std::move(afficher); }

    // Hidden and still: fade in. Fading out: fades back in from where it is. Otherwise only
    // brought to the front; a fade-out asked for during a fade-in is dropped.
    void Entrer();
    // Visible and still: fade out, then hide. Otherwise nothing.
    void Sortir();
    // As Sortir, but a fade-in under way first ends, then the fade-out starts.
    void SortirDesQuePossible();
    // One timer step.
    void Etape();

    int Alpha() const { return m_alpha; }
    int Sens() const { return m_sens; }
    bool EnCours() const { return m_sens != 0; }
    // Restored if minimised, raised and activated.
    void AuPremierPlan();

signals:
    void entre();   // fully opaque at the end of a fade-in
    void masquee(); // hidden at the end of a fade-out

private:
    QWidget* m_fenetre;
    QTimer m_minuterie;
    std::function<void()> m_afficher;
    quint8 m_alpha = 0;
    int m_sens = 0;
    bool m_sortieDemandee = false;
};

// The notification pop-up: rises from the bottom-right corner, waits, then fades out.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <functional>

class FenetreOvan;
class QLabel;
class QMouseEvent;

class Popup : public QObject {
    Q_OBJECT
public:
    static constexpr int Largeur = 183;
    static constexpr int Hauteur = 118;
    // Steps of its rise, one every PasMonteeMs, until it stands whole above the work area's foot.
    static constexpr int Course = 92;
    static constexpr int PasMonteeMs = 10;
    static constexpr int AttenteMs = 5000;

    // restaurerPrincipale: brings the main window back after a click on the message.
    Popup(FenetreOvan* fenetre, QLabel* titre, QLabel* corps, std::function<void()> restaurerPrincipale,
          QObject* parent = nullptr);

    // Shows the message and (re)starts the rise; whatever else runs carries on.
    void Notifier(const QString& titre, const QString& corps, const QRect& placeTitre,
                  const QRect& placeCorps);
    // Fades the pop-up out when it is up and not already fading.
    void DemanderFermeture();

    int Montee() const { return m_montee; }
    int Alpha() const;
    int Sens() const;
    bool EnAttente() const { return m_minuterieAttente.isActive(); }
    bool Monte() const { return m_minuterieMontee.isActive(); }

    // In pop-up coordinates.
    static bool DansCroix(const QPoint& p);
    static bool DansCorps(const QPoint& p);

signals:
    void monteeFinie();
    void masquee();

protected:
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    void EtapeMontee();
    void FinAttente();
    void Souris(const QMouseEvent& event, const QPoint& p);

    QPointer<FenetreOvan> m_fenetre;
    QPointer<QLabel> m_titre;
    QPointer<QLabel> m_corps;
    std::function<void()> m_restaurer;
    QTimer m_minuterieMontee;
    QTimer m_minuterieAttente;
    int m_montee = 0;
};

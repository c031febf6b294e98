// The notification pop-up: rise, hold, fade, new messages meanwhile, clicks and the cursor.
#include "app/FenetreOvan.h"
#include "notify/Popup.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {

const QRect PlaceTitre(0, 50, 183, 20);
const QRect PlaceCorps(0, 70, 183, 50);

// A pop-up window made as the program makes it, with its two labels.
struct Banc {
    Banc()
        : fenetre(nullptr,
                  Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                      Qt::WindowDoesNotAcceptFocus,
                  QString(), {183, 118}),
          titre(new QLabel(&fenetre)), corps(new QLabel(&fenetre)),
          popup(&fenetre, titre, corps, [this] { ++restaurations; }) {
        fenetre.setAttribute(Qt::WA_ShowWithoutActivating);
        const QRect ecran = QGuiApplication::primaryScreen()->geometry();
        fenetre.move(ecran.right() + 1 - 165, ecran.bottom() + 1);
        titre->setGeometry(0, 0, 10, 10);
        corps->setGeometry(0, 10, 10, 10);
    }

    void Notifier(const QString& t = QStringLiteral("Alice"), const QString& c = QStringLiteral("Bonjour")) {
        popup.Notifier(t, c, PlaceTitre, PlaceCorps);
    }

    FenetreOvan fenetre;
    QLabel* titre;
    QLabel* corps;
    int restaurations = 0;
    Popup popup;
};

// Where the pop-up rests, or stands after `montee` steps.
QRect Place(int montee) {
    const QRect zone = QGuiApplication::primaryScreen()->availableGeometry();
    return {zone.x() + zone.width() - 183, zone.y() + zone.height() - montee, 183, 118};
}

void Souris(QWidget* cible, QEvent::Type type, const QPoint& p, Qt::MouseButton bouton = Qt::LeftButton) {
    const Qt::MouseButtons boutons =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(bouton) : Qt::NoButton;
    QMouseEvent event(type, QPointF(p), QPointF(cible->mapToGlobal(p)),
                      type == QEvent::MouseMove ? Qt::NoButton : bouton, boutons, Qt::NoModifier);
    QCoreApplication::sendEvent(cible, &event);
}

void Clic(QWidget* cible, const QPoint& p, Qt::MouseButton bouton = Qt::LeftButton) {
    Souris(cible, QEvent::MouseButtonPress, p, bouton);
    Souris(cible, QEvent::MouseButtonRelease, p, bouton);
}

Qt::CursorShape Curseur(QWidget* cible, const QPoint& p) {
    Souris(cible, QEvent::MouseMove, p);
    return cible->window()->cursor().shape();
}
} // namespace

class TestNotifyPopup : public QObject {
    Q_OBJECT

private slots:
    void zones();
    void monteeAttenteEtFondu();
    void nouvelleNotificationPendantMonteeEtRepos();
    void fermetureDemandee();
    void clics();
    void curseur();
};

void TestNotifyPopup::zones() {
    struct {
        QPoint p;
        bool croix, corps;
    } const cas[] = {
        {{163, 7}, true, false},   {{175, 19}, true, false},  {{162, 7}, false, false},
        {{176, 19}, false, false}, {{169, 6}, false, false},  {{169, 20}, false, false},
        {{3, 25}, false, true},    {{177, 112}, false, true}, {{2, 60}, false, false},
        {{178, 60}, false, false}, {{90, 24}, false, false},  {{90, 113}, false, false},
        {{180, 5}, false, false},
    };
    for (const auto& c : cas) {
        QCOMPARE(Popup::DansCroix(c.p), c.croix);
        QCOMPARE(Popup::DansCorps(c.p), c.corps);
    }
}

void TestNotifyPopup::monteeAttenteEtFondu() {
    Banc b;
    QSignalSpy finie(&b.popup, &Popup::monteeFinie);
    QSignalSpy masquee(&b.popup, &Popup::masquee);
    QElapsedTimer chrono;
    chrono.start();

    b.fenetre.setWindowOpacity(0.3);
    b.Notifier(QStringLiteral("Alice"), QStringLiteral("Bonjour !"));
    QCOMPARE(b.titre->text(), QStringLiteral("Alice"));
    QCOMPARE(b.corps->text(), QStringLiteral("Bonjour !"));
    QCOMPARE(b.titre->geometry(), PlaceTitre);
    QCOMPARE(b.corps->geometry(), PlaceCorps);
    QVERIFY(b.fenetre.isVisible());
    QCOMPARE(b.fenetre.windowOpacity(), 1.0);
    QVERIFY(b.popup.Monte());
    QVERIFY(!b.popup.EnAttente());
    QCOMPARE(b.popup.Sens(), 0);

    // One pixel per step from the bottom of the work area.
    QTRY_VERIFY(b.popup.Montee() >= 1);
    QVERIFY(b.fenetre.geometry().bottom() > Place(Popup::Course).bottom());
    QCOMPARE(b.fenetre.geometry().right(), Place(0).right());

    QVERIFY(finie.wait(5000));
    QVERIFY(chrono.elapsed() >= 900);
    QCOMPARE(b.fenetre.geometry(), Place(92));
    QCOMPARE(b.popup.Montee(), 0);
    QVERIFY(!b.popup.Monte());
    QVERIFY(b.popup.EnAttente());
    QCOMPARE(b.popup.Sens(), 0);

    // Five seconds, then the fade, then hidden and opaque for next time.
    chrono.restart();
    QTRY_COMPARE_WITH_TIMEOUT(b.popup.Sens(), -1, 8000);
    QVERIFY(chrono.elapsed() >= 4900);
    QVERIFY(!b.popup.EnAttente());
    QVERIFY(masquee.wait(5000));
    QVERIFY(!b.fenetre.isVisible());
    QCOMPARE(b.popup.Sens(), 0);
    QCOMPARE(b.popup.Alpha(), 0);
    QCOMPARE(b.fenetre.windowOpacity(), 1.0);
    QCOMPARE(finie.count(), 1);
    QCOMPARE(masquee.count(), 1);
    QCOMPARE(b.restaurations, 0);

    // Hidden, it comes back with the next message.
    b.Notifier();
    QVERIFY(b.fenetre.isVisible());
    QVERIFY(finie.wait(5000));
    QCOMPARE(b.fenetre.geometry(), Place(92));
}

void TestNotifyPopup::nouvelleNotificationPendantMonteeEtRepos() {
    Banc b;
    QSignalSpy finie(&b.popup, &Popup::monteeFinie);

    // During the rise: new texts, the pop-up keeps climbing from where it is.
    b.Notifier(QStringLiteral("Alice"), QStringLiteral("un"));
    QTRY_VERIFY(b.popup.Montee() >= 30);
    const int avant = b.popup.Montee();
    b.Notifier(QStringLiteral("Bob"), QStringLiteral("deux"));
    QVERIFY(b.popup.Montee() >= avant);
    QCOMPARE(b.titre->text(), QStringLiteral("Bob"));
    QCOMPARE(b.corps->text(), QStringLiteral("deux"));
    QVERIFY(finie.wait(5000));
    QCOMPARE(finie.count(), 1);

    // At rest: the rise starts again from the bottom while the hold runs on.
    QCOMPARE(b.fenetre.geometry(), Place(92));
    b.Notifier(QStringLiteral("Alice"), QStringLiteral("trois"));
    QVERIFY(b.popup.Monte());
    QVERIFY(b.popup.EnAttente());
    QCOMPARE(b.popup.Sens(), 0);
    QTRY_VERIFY(b.popup.Montee() >= 1);
    QVERIFY(b.fenetre.geometry().top() > Place(92).top());
    QVERIFY(finie.wait(5000));
    QCOMPARE(b.fenetre.geometry(), Place(92));

    // During the fade: shown opaque again, and the fade carries on to the end.
    b.popup.DemanderFermeture();
    QTRY_VERIFY(b.popup.Alpha() <= 200);
    QSignalSpy masquee(&b.popup, &Popup::masquee);
    b.Notifier();
    QCOMPARE(b.popup.Sens(), -1);
    QVERIFY(masquee.wait(5000));
    QVERIFY(!b.fenetre.isVisible());
}

void TestNotifyPopup::fermetureDemandee() {
    Banc b;
    QSignalSpy masquee(&b.popup, &Popup::masquee);

    // Hidden: nothing to fade.
    b.popup.DemanderFermeture();
    QCOMPARE(b.popup.Sens(), 0);

    // Alt+F4 fades it, and the window is never closed for good.
    b.Notifier();
    QVERIFY(!b.fenetre.close());
    QCOMPARE(b.popup.Sens(), -1);
    QCOMPARE(b.popup.Alpha(), 255);
    QTRY_VERIFY(b.popup.Alpha() <= 200);
    const int alpha = b.popup.Alpha();

    // A close during the fade is ignored.
    b.fenetre.close();
    b.popup.DemanderFermeture();
    QVERIFY(b.popup.Alpha() <= alpha);
    QCOMPARE(b.popup.Sens(), -1);
    QVERIFY(masquee.wait(5000));
    QCOMPARE(masquee.count(), 1);
    QVERIFY(!b.fenetre.isVisible());
    QCOMPARE(b.restaurations, 0);
}

void TestNotifyPopup::clics() {
    // The close box only fades.
    {
        Banc b;
        QSignalSpy finie(&b.popup, &Popup::monteeFinie);
        QSignalSpy masquee(&b.popup, &Popup::masquee);
        b.Notifier();
        QVERIFY(finie.wait(5000));
        Clic(&b.fenetre, {169, 13});
        QVERIFY(!b.popup.EnAttente());
        QCOMPARE(b.popup.Sens(), -1);
        QCOMPARE(b.fenetre.cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(masquee.wait(5000));
        QCOMPARE(b.restaurations, 0);
    }
    // The message fades and brings the main window back, once.
    {
        Banc b;
        QSignalSpy finie(&b.popup, &Popup::monteeFinie);
        QSignalSpy masquee(&b.popup, &Popup::masquee);
        b.Notifier();
        QVERIFY(finie.wait(5000));
        Clic(&b.fenetre, {3, 112});
        QVERIFY(!b.popup.EnAttente());
        QCOMPARE(b.popup.Sens(), -1);
        QCOMPARE(b.restaurations, 1);
        QVERIFY(masquee.wait(5000));
        QCOMPARE(b.restaurations, 1);
    }
    // On a label, in window coordinates: (170, 10) of the title is (170, 60) of the message.
    for (const bool surTitre : {true, false}) {
        Banc b;
        b.Notifier();
        QLabel* label = surTitre ? b.titre : b.corps;
        Clic(label, surTitre ? QPoint(170, 10) : QPoint(10, 5));
        QCOMPARE(b.restaurations, 1);
        QCOMPARE(b.popup.Sens(), -1);
    }
    // Elsewhere, with another button, or on the title bar strip: nothing.
    {
        Banc b;
        QSignalSpy finie(&b.popup, &Popup::monteeFinie);
        b.Notifier();
        QVERIFY(finie.wait(5000));
        Clic(&b.fenetre, {180, 5});
        Clic(&b.fenetre, {90, 20});
        Clic(&b.fenetre, {169, 13}, Qt::RightButton);
        Clic(&b.fenetre, {90, 60}, Qt::RightButton);
        QVERIFY(b.popup.EnAttente());
        QCOMPARE(b.popup.Sens(), 0);
        QVERIFY(b.fenetre.isVisible());
        QCOMPARE(b.restaurations, 0);
    }
}

void TestNotifyPopup::curseur() {
    Banc b;
    b.Notifier();
    QVERIFY(b.fenetre.hasMouseTracking());
    QCOMPARE(Curseur(&b.fenetre, {163, 7}), Qt::PointingHandCursor);
    QCOMPARE(Curseur(&b.fenetre, {90, 60}), Qt::ArrowCursor);
    QCOMPARE(Curseur(&b.fenetre, {175, 19}), Qt::PointingHandCursor);
    QCOMPARE(Curseur(&b.fenetre, {176, 19}), Qt::ArrowCursor);
    // Over a label, the window's coordinates decide.
    QCOMPARE(Curseur(b.corps, {169, 5}), Qt::ArrowCursor);
    QCOMPARE(b.corps->cursor().shape(), Qt::ArrowCursor);

    // Releasing the button sets it too.
    Souris(&b.fenetre, QEvent::MouseButtonRelease, {170, 10});
    QCOMPARE(b.fenetre.cursor().shape(), Qt::PointingHandCursor);
    Souris(&b.fenetre, QEvent::MouseButtonRelease, {10, 10});
    QCOMPARE(b.fenetre.cursor().shape(), Qt::ArrowCursor);
}

QTEST_MAIN(TestNotifyPopup)
#include "tst_notify_popup.moc"

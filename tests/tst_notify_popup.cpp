// The notification pop-up: rise, hold, fade, new messages meanwhile, clicks and the cursor.
#include "ui/app/FenetreOvan.h"
#include "ui/notify/Popup.h"

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

// Where the pop-up stands after `montee` steps; it rests whole inside the work area.
QRect Place(int montee) {
    const QRect zone = QGuiApplication::primaryScreen()->availableGeometry();
    return {zone.x() + zone.width() - 183, zone.y() + zone.height() - montee * 118 / 92, 183, 118};
}

void Souris(QWidget* cible, QEvent::Type type, const QPoint& p, Qt::MouseButton bouton = Qt::LeftButton) {
    const Qt::MouseButtons boutons =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(bouton) : Qt::NoButton;
    QMouseEvent event(type, QPointF(p), QPointF(cible->mapToGlobal(p)),
                      type == QEvent::MouseMove ? Qt::NoButton : bouton, boutons, Qt::NoModifier);
    QCoreApplication::sendEvent(cible, &event);
}

} // namespace

class TestNotifyPopup : public QObject {
    Q_OBJECT

private slots:
    void zones_data();
    void zones();
    void monteeAttenteEtFondu();
    void nouvelleNotificationPendantMonteeEtRepos();
    void fermetureDemandee();
};

void TestNotifyPopup::zones_data() {
    QTest::addColumn<QString>("cible"); // "" for the window, else the label the point is in
    QTest::addColumn<QPoint>("p");
    QTest::addColumn<bool>("croix");
    QTest::addColumn<bool>("corps");
    const struct {
        const char* cible;
        QPoint p;
        bool croix, corps;
    } cas[] = {
        {"", {163, 7}, true, false},      {"", {175, 19}, true, false},      {"", {169, 13}, true, false},
        {"", {162, 7}, false, false},     {"", {176, 19}, false, false},     {"", {169, 6}, false, false},
        {"", {169, 20}, false, false},    {"", {3, 25}, false, true},        {"", {177, 112}, false, true},
        {"", {3, 112}, false, true},      {"", {2, 60}, false, false},       {"", {178, 60}, false, false},
        {"", {90, 24}, false, false},     {"", {90, 20}, false, false},      {"", {90, 113}, false, false},
        {"", {180, 5}, false, false},     {"titre", {170, 10}, false, true}, {"corps", {10, 5}, false, true},
        {"corps", {169, 5}, false, true},
    };
    for (const auto& c : cas) {
        QTest::addRow("%s %d,%d", c.cible, c.p.x(), c.p.y())
            << QString::fromLatin1(c.cible) << c.p << c.croix << c.corps;
    }
}

// Over a label, the window's coordinates decide. The close box shows the hand and only fades; the
// message fades and brings the main window back, once; elsewhere or another button, nothing.
void TestNotifyPopup::zones() {
    QFETCH(QString, cible);
    QFETCH(QPoint, p);
    QFETCH(bool, croix);
    QFETCH(bool, corps);
    Banc b;
    QSignalSpy finie(&b.popup, &Popup::monteeFinie);
    QSignalSpy masquee(&b.popup, &Popup::masquee);
    b.Notifier();
    QWidget* w = cible.isEmpty() ? static_cast<QWidget*>(&b.fenetre) : cible == "titre" ? b.titre : b.corps;
    QCOMPARE(Popup::DansCroix(w->mapTo(&b.fenetre, p)), croix);
    QCOMPARE(Popup::DansCorps(w->mapTo(&b.fenetre, p)), corps);

    // Moving and releasing the button both set the cursor, from the other shape each time.
    QVERIFY(b.fenetre.hasMouseTracking());
    const Qt::CursorShape forme = croix ? Qt::PointingHandCursor : Qt::ArrowCursor;
    const QPoint ailleurs = croix ? QPoint(90, 60) : QPoint(170, 10);
    for (const QEvent::Type type : {QEvent::MouseMove, QEvent::MouseButtonRelease}) {
        Souris(&b.fenetre, QEvent::MouseMove, ailleurs);
        QVERIFY(b.fenetre.cursor().shape() != forme);
        Souris(w, type, p);
        QCOMPARE(b.fenetre.cursor().shape(), forme);
    }
    if (w != &b.fenetre) {
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor);
    }

    if (croix || corps) {
        QVERIFY(finie.wait(5000));
    }
    for (const Qt::MouseButton bouton : {Qt::RightButton, Qt::LeftButton}) {
        Souris(w, QEvent::MouseButtonPress, p, bouton);
        Souris(w, QEvent::MouseButtonRelease, p, bouton);
    }
    QCOMPARE(b.popup.Sens(), croix || corps ? -1 : 0);
    QCOMPARE(b.popup.EnAttente(), !(croix || corps) && finie.count() == 1);
    QCOMPARE(b.restaurations, corps ? 1 : 0);
    if (croix || corps) {
        QVERIFY(masquee.wait(5000));
        QCOMPARE(b.restaurations, corps ? 1 : 0);
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

    // Step by step from the foot of the work area.
    QTRY_VERIFY(b.popup.Montee() >= 1);
    QVERIFY(b.fenetre.geometry().bottom() > Place(Popup::Course).bottom());
    QCOMPARE(b.fenetre.geometry().right(), Place(0).right());

    QVERIFY(finie.wait(5000));
    QVERIFY(chrono.elapsed() >= 900);
    QCOMPARE(b.fenetre.geometry(), Place(92));
    QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry().intersected(Place(92)), Place(92));
    QVERIFY(!b.popup.Monte() && b.popup.EnAttente());

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

QTEST_MAIN(TestNotifyPopup)
#include "tst_notify_popup.moc"

// The icon in a real notification area (a tray host on the X display, run through
// x11/sous_x11.sh): it is there, its double click brings the hidden window back, its menu opens
// under the pointer and its "Quitter" ends the program without a question.
#include "CopieOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/app/SysTray.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

namespace {

bool Xdotool(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// The X window of the icon, which the tray host has taken in.
QWidget* WidgetIcone() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (QByteArray(w->metaObject()->className()) == "QSystemTrayIconSys" && w->isVisible()) {
            return w;
        }
    }
    return nullptr;
}

// The program folder of a copy: the icon file of the build.
void CopierIcone(const QString& dossier) {
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/../OVAN_Messenger/OVAN_Messenger.ico"),
                dossier + QStringLiteral("OVAN_Messenger.ico"));
}

QString Id(QWidget* w) {
    return QString::number(w->winId());
}

} // namespace

class TestX11Notification : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void iconeMenuEtDoubleClic();

private:
    QProcess m_hote;
};

void TestX11Notification::initTestCase() {
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    m_hote.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                                            QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                                            QStringLiteral("--height"), QStringLiteral("32")});
    if (!m_hote.waitForStarted(5000)) {
        QSKIP("the tray host (trayer) cannot be started");
    }
    if (!QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000)) {
        QSKIP("the tray host started but no notification area appeared");
    }
}

void TestX11Notification::cleanupTestCase() {
    m_hote.kill();
    m_hote.waitForFinished(5000);
}

void TestX11Notification::iconeMenuEtDoubleClic() {
    CopieOvan c(QStringLiteral("127.0.0.180"), CopierIcone);
    FenetrePrincipale* f = c.interface().FenetrehWnd;
    QTRY_COMPARE(f->fondu().Sens(), 0);
    c.ovan().AjouterIconeNotification();
    QVERIFY(c.dialogues().Appels().isEmpty());
    QVERIFY(c.ovan().IconeNotification());
    QWidget* icone = nullptr;
    QTRY_VERIFY((icone = WidgetIcone()) != nullptr);
    QTRY_VERIFY(icone->width() > 0 && icone->height() > 0);

    // Closed, the window goes to the notification area; a double click on the icon brings it
    // back, with the opening sound.
    f->close();
    QTRY_VERIFY(!f->isVisible());
    const QString ouverture = c.Dossier() + QStringLiteral("Sons/open.wav");
    QVERIFY(Xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), Id(icone), QStringLiteral("4"),
                     QStringLiteral("4"), QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                     QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")}));
    QTRY_VERIFY(f->isVisible());
    QTRY_COMPARE(c.sons().Joues().count(ouverture), 1);
    QTRY_COMPARE(f->fondu().Sens(), 0);

    // The right button opens the menu; "Quitter" from it asks nothing.
    QSignalSpy arret(&c.ovan(), &Ovan::arrete);
    QVERIFY(Xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), Id(icone), QStringLiteral("4"),
                     QStringLiteral("4"), QStringLiteral("click"), QStringLiteral("3")}));
    QTRY_VERIFY(c.ovan().sysTray().Menu()->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(c.ovan().sysTray().Menu()));
    if (const QString dossier = qEnvironmentVariable("OVAN_CAPTURES"); !dossier.isEmpty()) {
        QProcess::execute(QStringLiteral("import"),
                          {QStringLiteral("-window"), QStringLiteral("root"), dossier + QStringLiteral("/menu-notification.png")});
    }
    const QRect zone = c.ovan().sysTray().Menu()->actionGeometry(c.ovan().sysTray().ActionQuitter());
    QVERIFY(Xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"),
                     Id(c.ovan().sysTray().Menu()), QString::number(zone.center().x()),
                     QString::number(zone.center().y()), QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_COMPARE(arret.count(), 1);
    QVERIFY(c.dialogues().Appels().isEmpty());
    QVERIFY(!c.ovan().sysTray().Presente());
}

QTEST_MAIN(TestX11Notification)
#include "tst_x11_notification.moc"

// The notification area: the icon's tip and menu, showing the hidden window from it, quitting
// without a question, and a desktop that has no notification area.
#include "CopieOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/app/SysTray.h"
#include "core/chat/SocketsChat.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

class TestAppNotification : public QObject {
    Q_OBJECT
private slots:
    void tipEtMenu();
    void sansZoneDeNotification();
    void ouvrirEtDoubleClic();
    void quitterSansQuestion();
};

void TestAppNotification::tipEtMenu() {
    SysTray t;
    t.Tip(QString(100, u'x'));
    QCOMPARE(t.Tip(), QString(63, u'x'));
    t.Tip(QStringLiteral("OVAN Messenger"));
    QCOMPARE(t.Icone()->toolTip(), QStringLiteral("OVAN Messenger"));
    const QList<QAction*> actions = t.Menu()->actions();
    QCOMPARE(actions.size(), 3);
    QCOMPARE(actions[0]->text(), QStringLiteral("&Ouvrir"));
    QVERIFY(actions[1]->isSeparator());
    QCOMPARE(actions[2]->text(), QStringLiteral("&Quitter"));
    QCOMPARE(t.Icone()->contextMenu(), t.Menu());
}

// Here (offscreen) there is no notification area: start-up says so once, and the close box then
// minimises the window instead of hiding it where nobody could find it.
void TestAppNotification::sansZoneDeNotification() {
    CopieOvan c(QStringLiteral("127.0.0.170"));
    c.ovan().AjouterIconeNotification();
    QCOMPARE(c.dialogues().Textes(),
             QStringList{QStringLiteral("Erreur lors de la création de l'icône dans le SysTray")});
    QCOMPARE(c.dialogues().Appels()[0].titre, QStringLiteral("Erreur"));
    QCOMPARE(c.dialogues().Appels()[0].icone, Dialogues::Icone::Erreur);
    QVERIFY(!c.ovan().IconeNotification());
    FenetrePrincipale* f = c.interface().FenetrehWnd;
    QTRY_COMPARE(f->fondu().Sens(), 0);
    f->close();
    QVERIFY(f->isMinimized());
}

// "Ouvrir" acts only on a hidden window that is not fading; the double click also brings a
// shown one to the front. Both fade it in where it was, with the opening sound.
void TestAppNotification::ouvrirEtDoubleClic() {
    CopieOvan c(QStringLiteral("127.0.0.171"));
    c.ovan().ReglerIconeNotification(true);
    FenetrePrincipale* f = c.interface().FenetrehWnd;
    SysTray& t = c.ovan().sysTray();
    QTRY_COMPARE(f->fondu().Sens(), 0);
    f->setGeometry(QRect(120, 80, 720, 600));
    const QRect place = f->geometry();
    const QString ouverture = c.Dossier() + QStringLiteral("Sons/open.wav");

    t.ActionOuvrir()->trigger();
    QVERIFY(!c.sons().Joues().contains(ouverture));
    f->close();
    QCOMPARE(f->fondu().Sens(), -1);
    t.ActionOuvrir()->trigger();
    QCOMPARE(f->fondu().Sens(), -1);
    QTRY_VERIFY(!f->isVisible());
    QVERIFY(!c.sons().Joues().contains(ouverture));

    t.ActionOuvrir()->trigger();
    QCOMPARE(f->fondu().Sens(), 1);
    QVERIFY(f->isVisible());
    QCOMPARE(c.sons().Joues().count(ouverture), 1);
    QTRY_COMPARE(f->fondu().Sens(), 0);
    QCOMPARE(f->geometry().topLeft(), place.topLeft());

    f->close();
    QTRY_VERIFY(!f->isVisible());
    emit t.Icone()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(f->isVisible());
    QCOMPARE(c.sons().Joues().count(ouverture), 2);
    // Clicked twice more while shown: no second fade, no sound.
    emit t.Icone()->activated(QSystemTrayIcon::DoubleClick);
    emit t.Icone()->activated(QSystemTrayIcon::Trigger);
    QCOMPARE(c.sons().Joues().count(ouverture), 2);
}

// The menu's "Quitter" ends the program at once, connected or not; the icon goes with it.
void TestAppNotification::quitterSansQuestion() {
    CopieOvan a(QStringLiteral("127.0.0.172"));
    CopieOvan b(QStringLiteral("127.0.0.173"));
    QVERIFY(ConnecterCopies(a, QStringLiteral("Alice"), b, QStringLiteral("Bob")));
    a.ovan().ReglerIconeNotification(true);
    QSignalSpy arret(&a.ovan(), &Ovan::arrete);
    a.ovan().sysTray().ActionQuitter()->trigger();
    QCOMPARE(arret.count(), 1);
    QVERIFY(a.dialogues().Appels().isEmpty());
    QVERIFY(!a.ovan().IconeNotification());
    QVERIFY(!a.ovan().sysTray().Presente());
    QTRY_COMPARE(b.ovan().Etat(), EtatConnexion::Ecoute);
}

QTEST_MAIN(TestAppNotification)
#include "tst_app_notification.moc"

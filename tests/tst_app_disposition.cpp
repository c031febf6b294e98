// The main window's layout at two sizes, its minimum size and restoring, and the fades.
#include "CopieOvan.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

class TestAppDisposition : public QObject {
    Q_OBJECT

private slots:
    void disposition_data();
    void disposition();
    void tailleMinimaleEtRestauration();
    void fondu();
};

void TestAppDisposition::disposition_data() {
    QTest::addColumn<int>("W");
    QTest::addColumn<int>("H");
    QTest::addColumn<QList<QRect>>("places");
    QTest::addColumn<int>("finPartie0");
    // Conversation, input box, labels 3 and 4, edit 5, then buttons 1, 2, 5, 6, 7, 13, 9, 8, 10, 14, 11, 12.
    QTest::newRow("720 x 580") << 720 << 580
                               << QList<QRect>{{6, 115, 708, 343}, {6, 498, 654, 55},  {357, 5, 50, 15},
                                               {357, 68, 50, 15},  {338, 83, 90, 20},  {649, 463, 65, 30},
                                               {665, 501, 49, 49}, {628, 12, 84, 84},  {332, 18, 49, 49},
                                               {386, 18, 49, 49},  {10, 463, 85, 30},  {100, 463, 85, 30},
                                               {190, 463, 85, 30}, {280, 463, 85, 30}, {370, 463, 30, 28},
                                               {539, 12, 84, 84},  {446, 12, 84, 84}}
                               << 480;
    QTest::newRow("1100 x 800") << 1100 << 800
                                << QList<QRect>{{6, 115, 1088, 563}, {6, 718, 1034, 55}, {484, 5, 50, 15},
                                                {484, 68, 50, 15},   {465, 83, 90, 20},  {1029, 683, 65, 30},
                                                {1045, 721, 49, 49}, {1008, 12, 84, 84}, {459, 18, 49, 49},
                                                {513, 18, 49, 49},   {10, 683, 85, 30},  {100, 683, 85, 30},
                                                {190, 683, 85, 30},  {280, 683, 85, 30}, {370, 683, 30, 28},
                                                {919, 12, 84, 84},   {699, 12, 84, 84}}
                                << 733;
}

void TestAppDisposition::disposition() {
    QFETCH(int, W);
    QFETCH(int, H);
    QFETCH(QList<QRect>, places);
    QFETCH(int, finPartie0);
    CopieOvan a(QStringLiteral("127.0.0.34"));
    Interface& ui = a.interface();
    // The area under the menu bar is W x H.
    FenetrePrincipale* f = ui.FenetrehWnd;
    f->resize(W, H + f->menuBar()->height());
    QTRY_COMPARE(f->Zone()->size(), QSize(W, H));
    QList<QWidget*> controles = {ui.RichEdithWnd[ZoneConversation], ui.RichEdithWnd[ZoneSaisie],
                                 ui.LabelhWnd[LabelMonStatut], ui.LabelhWnd[LabelSonStatut],
                                 ui.TextBoxhWnd[ZoneSonStatut]};
    for (int b : {1, 2, 5, 6, 7, 13, 9, 8, 10, 14, 11, 12}) {
        controles << ui.BoutonhWnd[b];
    }
    for (int i = 0; i < controles.size(); ++i) {
        if (i == 2 || i == 3) {
            // Labels 3 and 4 may grow with a wider font, around the same centre.
            QVERIFY(qAbs(controles[i]->geometry().center().x() - places[i].center().x()) <= 1);
            QCOMPARE(controles[i]->y(), places[i].y());
            QVERIFY(controles[i]->width() >= places[i].width());
            continue;
        }
        QVERIFY2(controles[i]->geometry() == places[i], qPrintable(QStringLiteral("control %1").arg(i)));
    }
    // The fixed ones keep their places.
    QCOMPARE(ui.TextBoxhWnd[ZonePseudo]->geometry(), QRect(20, 25, 115, 20));
    QCOMPARE(ui.TextBoxhWnd[ZoneAdresse]->geometry(), QRect(20, 65, 115, 20));
    QCOMPARE(ui.BoutonhWnd[BoutonConnecter]->geometry(), QRect(150, 12, 84, 84));
    QCOMPARE(ui.BoutonhWnd[BoutonDeconnecter]->geometry(), QRect(239, 12, 84, 84));
    QCOMPARE(ui.FinPartie0(), finPartie0);
    QCOMPARE(ui.BarreStatuthWnd[1]->geometry().right(), W - 1);
    QCOMPARE(ui.BarreStatuthWnd[1]->geometry().bottom(), H - 1);
}

void TestAppDisposition::tailleMinimaleEtRestauration() {
    CopieOvan a(QStringLiteral("127.0.0.34"));
    FenetrePrincipale* f = a.interface().FenetrehWnd;
    QCOMPARE(f->minimumSize(), QSize(720, 500));
    f->resize(400, 300);
    QCOMPARE(f->size(), QSize(720, 500));

    f->setGeometry(40, 50, 800, 600);
    QCOMPARE(f->GeometrieRetenue(), QRect(40, 50, 800, 600));
    f->showMinimized();
    f->Restaurer();
    QVERIFY(!f->isMinimized());
    // Back at its place, one pixel shorter, and the remembered size unchanged.
    QCOMPARE(f->geometry(), QRect(40, 50, 800, 599));
    QCOMPARE(f->GeometrieRetenue(), QRect(40, 50, 800, 600));
}

void TestAppDisposition::fondu() {
    QWidget fenetre;
    Fondu f(&fenetre);
    QSignalSpy entre(&f, &Fondu::entre);
    QSignalSpy masquee(&f, &Fondu::masquee);

    f.Entrer();
    QVERIFY(fenetre.isVisible());
    QCOMPARE(f.Sens(), 1);
    for (int pas = 1; pas <= 50; ++pas) {
        f.Etape();
    }
    QCOMPARE(f.Alpha(), 250);
    QCOMPARE(f.Sens(), 1);
    f.Sortir(); // ignored while a fade runs
    f.Etape();
    QCOMPARE(f.Alpha(), 255);
    QCOMPARE(f.Sens(), 0);
    QCOMPARE(entre.count(), 1);
    QCOMPARE(fenetre.windowOpacity(), 1.0);

    f.Entrer(); // already visible: only to the front
    QCOMPARE(f.Sens(), 0);

    f.Sortir();
    QCOMPARE(f.Sens(), -1);
    for (int pas = 1; pas <= 51; ++pas) {
        QVERIFY(fenetre.isVisible());
        f.Etape();
    }
    QVERIFY(!fenetre.isVisible());
    QCOMPARE(f.Sens(), 0);
    QCOMPARE(masquee.count(), 1);
    f.Sortir(); // hidden: nothing
    QCOMPARE(f.Sens(), 0);

    // On its own timer, about half a second.
    f.Entrer();
    QVERIFY(entre.wait(3000));
    QCOMPARE(f.Alpha(), 255);
}

QTEST_MAIN(TestAppDisposition)
#include "tst_app_disposition.moc"

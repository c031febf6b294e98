// The About window: tabs and links where the pages draw them, the cursor over them, the page kept
// from one opening to the next, and the user guide behind the third page's button.
#include "CopieOvan.h"
#include "ui/app/APropos.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QLabel>
#include <QTest>

namespace {

using Zone = APropos::Zone;

// A move of the mouse over the page, straight to it.
void Survoler(QWidget* page, QPoint p) {
    QMouseEvent deplacement(QEvent::MouseMove, p, page->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(page, &deplacement);
}

bool Proche(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) < 24;
}

} // namespace

class TestAppAPropos : public QObject {
    Q_OBJECT
private slots:
    void zones();
    void pagesDessinees();
    void clicsEtCurseurs();
    void pageGardeeEtNotice();
};

// The hit zones, their bounds, the columns between the tabs, the links on page 2 only.
void TestAppAPropos::zones() {
    CopieOvan c(QStringLiteral("127.0.0.160"));
    APropos& a = c.ovan().aPropos();
    const QList<std::tuple<int, int, Zone>> onglets = {
        {14, 123, Zone::Onglet1}, {102, 139, Zone::Onglet1}, {13, 130, Zone::Aucune},
        {103, 130, Zone::Aucune}, {104, 130, Zone::Aucune}, {105, 130, Zone::Onglet2},
        {193, 130, Zone::Onglet2}, {194, 130, Zone::Aucune}, {195, 130, Zone::Aucune},
        {196, 130, Zone::Onglet3}, {245, 130, Zone::Onglet3}, {246, 130, Zone::Aucune},
        {50, 122, Zone::Aucune}, {50, 140, Zone::Aucune}};
    for (const auto& [x, y, zone] : onglets) {
        QVERIFY2(a.ZoneEn(x, y, false) == zone, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
    const QList<std::tuple<int, int, bool, Zone>> liens = {
        {83, 190, false, Zone::LienAuteur}, {171, 200, false, Zone::LienAuteur},
        {172, 195, false, Zone::Aucune},    {174, 195, true, Zone::LienAuteur},
        {175, 195, true, Zone::Aucune},     {82, 195, true, Zone::Aucune},
        {83, 220, false, Zone::LienProbleme}, {169, 230, true, Zone::LienProbleme},
        {170, 225, true, Zone::Aucune},     {100, 231, false, Zone::Aucune},
        {100, 189, false, Zone::Aucune},    {100, 210, true, Zone::Aucune}};
    for (int page : {1, 2, 3}) {
        QTest::mouseClick(c.interface().LabelApposhWnd, Qt::LeftButton, {}, QPoint(14 + 91 * (page - 1), 130));
        QCOMPARE(a.Page(), page);
        for (const auto& [x, y, survol, zone] : liens) {
            QVERIFY2(a.ZoneEn(x, y, survol) == (page == 2 ? zone : Zone::Aucune),
                     qPrintable(QStringLiteral("page %1: %2,%3").arg(page).arg(x).arg(y)));
        }
    }
}

// Each page's picture draws the three tabs exactly over their zones, the one shown darker, and
// its links over theirs.
void TestAppAPropos::pagesDessinees() {
    CopieOvan c(QStringLiteral("127.0.0.161"));
    QLabel* label = c.interface().LabelApposhWnd;
    const QRgb actif = qRgb(0x1B, 0x74, 0x86), inactif = qRgb(0xDC, 0xEB, 0xEE), fond = qRgb(0xF3, 0xF8, 0xF9);
    const QList<std::pair<int, int>> bords = {{14, 102}, {105, 193}, {196, 245}};
    for (int page : {1, 2, 3}) {
        QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(bords[page - 1].first + 2, 130));
        const QImage image = label->pixmap().toImage();
        QCOMPARE(image.size(), QSize(355, 275));
        // To look at: OVAN_CAPTURES names a folder.
        if (const QString dossier = qEnvironmentVariable("OVAN_CAPTURES"); !dossier.isEmpty()) {
            c.interface().ApposhWnd->show();
            c.interface().ApposhWnd->grab().save(dossier + QStringLiteral("/apropos%1.png").arg(page));
        }
        for (int onglet = 1; onglet <= 3; ++onglet) {
            const QRgb attendu = onglet == page ? actif : inactif;
            for (int x : {bords[onglet - 1].first, bords[onglet - 1].second}) {
                QVERIFY2(Proche(image.pixel(x, 137), attendu), qPrintable(QStringLiteral("page %1 x %2").arg(page).arg(x)));
            }
        }
        for (int x : {13, 103, 104, 194, 195, 246}) {
            QVERIFY2(Proche(image.pixel(x, 137), fond), qPrintable(QStringLiteral("page %1 x %2").arg(page).arg(x)));
        }
        // Link text is blue (its antialiased edges aside), and only on page 2, inside the zones.
        int bleusDedans = 0, bleusDehors = 0;
        for (int y = 185; y <= 235; ++y) {
            for (int x = 60; x <= 250; ++x) {
                const QColor p = image.pixelColor(x, y);
                if (std::abs(p.red() - 0x1A) + std::abs(p.green() - 0x5F) + std::abs(p.blue() - 0xD0) < 60) {
                    const bool dedans = x >= 83 && ((y >= 190 && y <= 200 && x <= 174) ||
                                                    (y >= 220 && y <= 230 && x <= 169));
                    ++(dedans ? bleusDedans : bleusDehors);
                }
            }
        }
        QVERIFY2(page == 2 ? bleusDedans > 50 : bleusDedans == 0, qPrintable(QString::number(bleusDedans)));
        QCOMPARE(bleusDehors, 0);
    }
}

// Clicks with the mouse: a tab changes the page and the notice button, a dead column does
// nothing, a link opens a mail address on page 2 only; the cursor is a hand over what reacts.
void TestAppAPropos::clicsEtCurseurs() {
    CopieOvan c(QStringLiteral("127.0.0.162"));
    Interface& ui = c.interface();
    QLabel* label = ui.LabelApposhWnd;
    c.ovan().ClicBouton(Commande::OuvrirAPropos);
    QVERIFY(!ui.FenetrehWnd->Active());
    QTRY_COMPARE(ui.ApposhWnd->fondu().Alpha(), 255);
    QCOMPARE(Interface::Image(label), QStringLiteral("img_fenappos1"));
    QVERIFY(!ui.BoutonhWnd[BoutonNotice]->isVisibleTo(ui.ApposhWnd));

    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(130, 190));
    QVERIFY(c.shell().Ouverts().isEmpty());
    Survoler(label, QPoint(130, 195));
    QCOMPARE(label->cursor().shape(), Qt::ArrowCursor);

    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(220, 139));
    QCOMPARE(Interface::Image(label), QStringLiteral("img_fenappos3"));
    QVERIFY(ui.BoutonhWnd[BoutonNotice]->isVisibleTo(ui.ApposhWnd));
    QCOMPARE(ui.BoutonhWnd[BoutonNotice]->Face(), QStringLiteral("img_notice"));
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(103, 130));
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(195, 130));
    QCOMPARE(Interface::Image(label), QStringLiteral("img_fenappos3"));

    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(150, 125));
    QCOMPARE(Interface::Image(label), QStringLiteral("img_fenappos2"));
    QVERIFY(!ui.BoutonhWnd[BoutonNotice]->isVisibleTo(ui.ApposhWnd));
    Survoler(label, QPoint(173, 195));
    QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
    Survoler(label, QPoint(300, 250));
    QCOMPARE(label->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(173, 195));
    QVERIFY(c.shell().Ouverts().isEmpty());
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(100, 195));
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(100, 225));
    QCOMPARE(c.shell().Ouverts(), (QStringList{QString::fromLatin1(APropos::AdresseAuteur),
                                               QString::fromLatin1(APropos::AdresseProbleme)}));
    Survoler(label, QPoint(60, 130));
    QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
}

// Closed on page 3 and opened again: still page 3 with its button; the guide opens when it is
// there and is explained when it is not.
void TestAppAPropos::pageGardeeEtNotice() {
    CopieOvan c(QStringLiteral("127.0.0.163"));
    Interface& ui = c.interface();
    c.ovan().ClicBouton(Commande::OuvrirAPropos);
    QTest::mouseClick(ui.LabelApposhWnd, Qt::LeftButton, {}, QPoint(200, 130));
    QTRY_COMPARE(ui.ApposhWnd->fondu().Alpha(), 255);
    emit ui.ApposhWnd->fermetureDemandee();
    QTRY_VERIFY(!ui.ApposhWnd->isVisible());
    QVERIFY(ui.FenetrehWnd->Active());
    c.ovan().ClicBouton(Commande::OuvrirAPropos);
    QCOMPARE(Interface::Image(ui.LabelApposhWnd), QStringLiteral("img_fenappos3"));
    QVERIFY(ui.BoutonhWnd[BoutonNotice]->isVisible());

    QFile::remove(c.Dossier() + QStringLiteral("notice.pdf"));
    c.ovan().ClicBouton(Commande::OuvrirNotice);
    QCOMPARE(c.dialogues().Textes(), QStringList{QStringLiteral("Pas de fichier 'notice.pdf' !")});
    QCOMPARE(c.dialogues().Appels().last().titre, QStringLiteral("OVAN Messenger"));
    QVERIFY(c.shell().Ouverts().isEmpty());
    QFile notice(c.Dossier() + QStringLiteral("notice.pdf"));
    QVERIFY(notice.open(QIODevice::WriteOnly) && notice.write("%PDF-1.4\n") > 0);
    notice.close();
    c.ovan().ClicBouton(Commande::OuvrirNotice);
    QCOMPARE(c.shell().Ouverts(), QStringList{c.Dossier() + QStringLiteral("notice.pdf")});
}

QTEST_MAIN(TestAppAPropos)
#include "tst_app_apropos.moc"

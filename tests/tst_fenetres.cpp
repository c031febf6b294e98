// The windows as the user meets them: French stock dialogs, the nickname window's focus, the
// disabled look of picture buttons.
#include "CopieOvan.h"
#include "app/BoutonImage.h"
#include "app/FenetreOvan.h"
#include "app/FenetrePrincipale.h"
#include "app/Fondu.h"
#include "app/Interface.h"
#include "platform/Dialogues.h"
#include "platform/Traductions.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

// Reads the next modal box once it is open, then rejects it; whatever dialog is still open after
// 10 s is rejected too, so no test blocks on a modal loop.
void LireProchaineBoite(const std::function<void(QWidget*)>& lire) {
    auto* minuterie = new QTimer(qApp);
    QElapsedTimer debut;
    debut.start();
    QObject::connect(minuterie, &QTimer::timeout, minuterie, [=] {
        QWidget* boite = QApplication::activeModalWidget();
        if (boite && boite->isVisible()) {
            lire(boite);
        } else if (!debut.hasExpired(10000)) {
            return;
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) {
                d->reject();
            }
        }
        minuterie->stop();
        minuterie->deleteLater();
    });
    minuterie->start(20);
}

bool MettreDevant(QWidget* fenetre) {
    fenetre->raise();
    fenetre->activateWindow();
    return QTest::qWaitForWindowActive(fenetre);
}

// Share of the opaque pixels that show a colour rather than a grey.
double PartColoree(const QImage& image) {
    int opaques = 0;
    int colores = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 128) {
                ++opaques;
                colores += c.hsvSaturation() > 60;
            }
        }
    }
    return opaques ? double(colores) / opaques : 0.0;
}

} // namespace

class TestFenetres : public QObject {
    Q_OBJECT

private slots:
    void dialoguesEnFrancais();
    void pseudoRevientSeulementPourLeProgramme();
    void boutonsGrisesQuandDesactives();
};

void TestFenetres::dialoguesEnFrancais() {
    QVERIFY(Traductions::InstallerFrancais(*qApp));
    DialoguesReels dialogues;

    QStringList textes;
    LireProchaineBoite([&](QWidget* w) {
        if (auto* boite = qobject_cast<QMessageBox*>(w)) {
            for (auto bouton : {QMessageBox::Yes, QMessageBox::No}) {
                textes << (boite->button(bouton) ? boite->button(bouton)->text() : QString());
            }
        }
    });
    dialogues.Message(nullptr, QStringLiteral("Voulez-vous réellement quitter ?"),
                      QStringLiteral("OVAN Messenger"), Dialogues::Icone::Question,
                      Dialogues::Boutons::OuiNon);
    QCOMPARE(textes, (QStringList{QStringLiteral("&Oui"), QStringLiteral("&Non")}));

    // The folder browser: "Look in:", "Choose" and "Cancel" no more.
    textes.clear();
    LireProchaineBoite([&](QWidget* w) {
        auto* boutons = w->findChild<QDialogButtonBox*>();
        auto* regarder = w->findChild<QLabel*>(QStringLiteral("lookInLabel"));
        if (boutons && regarder) {
            textes << regarder->text() << boutons->button(QDialogButtonBox::Open)->text()
                   << boutons->button(QDialogButtonBox::Cancel)->text();
        }
    });
    QTemporaryDir dossier;
    QCOMPARE(dialogues.ChoisirDossier(nullptr, QStringLiteral("Le dossier"), dossier.path()), QString());
    QCOMPARE(textes, (QStringList{QStringLiteral("Voir dans :"), QStringLiteral("&Choisir"),
                                  QStringLiteral("Annuler")}));
}

void TestFenetres::pseudoRevientSeulementPourLeProgramme() {
    CopieOvan a(QStringLiteral("127.0.0.150"));
    Interface& ui = a.interface();
    ui.PseudohWnd->fondu().Entrer();
    QTRY_COMPARE(ui.PseudohWnd->fondu().Sens(), 0);
    QVERIFY(MettreDevant(ui.PseudohWnd));

    // Another application (a window that is no widget of ours) takes the focus and keeps it, so
    // what is typed there stays there.
    QWindow etrangere;
    etrangere.show();
    etrangere.requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(&etrangere));
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents(); // what the nickname window queued on losing the focus
    }
    QCOMPARE(QGuiApplication::focusWindow(), &etrangere);

    // Another window of the program: the unanswered nickname window comes back in front.
    for (QWidget* autre : {static_cast<QWidget*>(ui.FenetrehWnd), static_cast<QWidget*>(ui.ImageshWnd)}) {
        autre->show();
        autre->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), ui.PseudohWnd);
    }
}

void TestFenetres::boutonsGrisesQuandDesactives() {
    CopieOvan a(QStringLiteral("127.0.0.151"));
    Interface& ui = a.interface();
    QList<BoutonImage*> boutons; // the main window's coloured faces
    for (BoutonImage* b : ui.BoutonhWnd) {
        if (b && b->window() == ui.FenetrehWnd && !b->Face().isEmpty() && b->FaceActive()) {
            boutons << b;
        }
    }
    QVERIFY(boutons.size() >= 8);
    // Disabled with the whole window, then alone: grey; enabled again: in colour.
    for (bool fenetre : {true, false}) {
        for (BoutonImage* b : boutons) {
            QVERIFY2(PartColoree(b->grab().toImage()) > 0.15, qPrintable(b->Face()));
            fenetre ? ui.FenetrehWnd->Activer(false) : b->setEnabled(false);
            QVERIFY2(PartColoree(b->grab().toImage()) < 0.01, qPrintable(b->Face()));
            fenetre ? ui.FenetrehWnd->Activer(true) : b->setEnabled(true);
            QVERIFY2(PartColoree(b->grab().toImage()) > 0.15, qPrintable(b->Face()));
        }
    }
}

QTEST_MAIN(TestFenetres)
#include "tst_fenetres.moc"

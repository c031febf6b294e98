// The file dialogs read filters written the Windows way: the text shown stays, the patterns work,
// and "*.*" lists files without a dot too. A box never grows wider than the screen for a long name.
#include "ui/platform/Dialogues.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

class TestAppDialogues : public QObject {
    Q_OBJECT
private slots:
    void filtres();
    void boiteALaTailleDeLEcran();
};

void TestAppDialogues::filtres() {
    const QString filtre = QStringLiteral(
        "Tous les fichiers (*.*);;Fichiers JPEG (*.jpg;*.jpeg) (*.jpg *jpeg);;Fichier BZ2 (*.bz2);;Sans motif");
    const QStringList qt = FiltresQt(filtre);
    QCOMPARE(qt, (QStringList{QStringLiteral("Tous les fichiers (*.*) (*)"),
                              QStringLiteral("Fichiers JPEG (*.jpg;*.jpeg) (*.jpg *jpeg)"),
                              QStringLiteral("Fichier BZ2 (*.bz2) (*.bz2)"), QStringLiteral("Sans motif")}));
    QCOMPARE(FiltresQt(QStringLiteral("Images (*.png;*.bmp)")), QStringList{QStringLiteral("Images (*.png;*.bmp) (*.png *.bmp)")});

    // What the user reads and what the dialog lists, in Qt's own dialog.
    QFileDialog dialogue;
    dialogue.setOption(QFileDialog::DontUseNativeDialog);
    dialogue.setOption(QFileDialog::HideNameFilterDetails);
    dialogue.setNameFilters(qt);
    auto* types = dialogue.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(types);
    QCOMPARE(types->itemText(0), QStringLiteral("Tous les fichiers (*.*)"));
    QCOMPARE(types->itemText(1), QStringLiteral("Fichiers JPEG (*.jpg;*.jpeg)"));
    QCOMPARE(types->itemText(2), QStringLiteral("Fichier BZ2 (*.bz2)"));
    const QList<QStringList> motifs = {{QStringLiteral("*")},
                                       {QStringLiteral("*.jpg"), QStringLiteral("*jpeg")},
                                       {QStringLiteral("*.bz2")}};
    for (int i = 0; i < motifs.size(); ++i) {
        dialogue.selectNameFilter(qt[i]);
        QCOMPARE(dialogue.findChild<QFileSystemModel*>()->nameFilters(), motifs[i]);
    }
}

void TestAppDialogues::boiteALaTailleDeLEcran() {
    QCOMPARE(TexteDeBoite(QStringLiteral("Bob veut vous envoyer 'a b.txt'.\r\n")),
             QStringLiteral("Bob veut vous envoyer 'a b.txt'.\r\n"));
    const QString nom = QString(300, u'a') + QString(300, u'b');
    const QString court =
        TexteDeBoite(QStringLiteral("Bob veut vous envoyer '") + nom + QStringLiteral("'.\r\nOui ?"));
    QCOMPARE(court, QStringLiteral("Bob veut vous envoyer '") + QString(28, u'a') + u'…' + QString(28, u'b') +
                        QStringLiteral("'.\r\nOui ?"));
    // A character outside the basic plane is never cut in two.
    const QString emoji = TexteDeBoite(QStringLiteral("\U0001F600").repeated(100));
    QVERIFY(emoji.size() < 70);
    QCOMPARE(QString::fromUtf8(emoji.toUtf8()), emoji);

    // The real box with such a name fits in the screen.
    int largeur = 0;
    QTimer::singleShot(0, [&] {
        auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (boite) {
            largeur = boite->frameGeometry().width();
            boite->done(QMessageBox::No);
        }
    });
    DialoguesReels().Message(nullptr, QStringLiteral("Bob veut vous envoyer '") + nom + QStringLiteral("'."),
                             nom, Dialogues::Icone::Question, Dialogues::Boutons::OuiNon);
    QVERIFY(largeur > 0);
    QVERIFY2(largeur < std::min(600, QGuiApplication::primaryScreen()->availableGeometry().width()),
             qPrintable(QString::number(largeur)));
}

QTEST_MAIN(TestAppDialogues)
#include "tst_app_dialogues.moc"

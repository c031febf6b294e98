// The file dialogs read filters written the Windows way: the text shown stays, the patterns work,
// and "*.*" lists files without a dot too.
#include "platform/Dialogues.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTest>

class TestAppDialogues : public QObject {
    Q_OBJECT
private slots:
    void filtres();
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

QTEST_MAIN(TestAppDialogues)
#include "tst_app_dialogues.moc"

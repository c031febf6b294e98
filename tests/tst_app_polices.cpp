// Fonts: every face a message can name shows upright, and bold shows as a face of its own.
#include "ui/app/Interface.h"
#include "ui/conversation/AjouteTexte.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestAppPolices : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void droitesAvecGras_data();
    void droitesAvecGras();
    void sansSosieDeComic();
};

void TestAppPolices::initTestCase() {
    Interface::InstallerPolices();
}

void TestAppPolices::droitesAvecGras_data() {
    QTest::addColumn<QString>("nom");
    for (int i = 0; i < 6; ++i) {
        QTest::newRow(qPrintable(Police(i))) << Police(i);
    }
}

void TestAppPolices::droitesAvecGras() {
    QFETCH(QString, nom);
    QFont police;
    police.setFamilies({nom});
    police.setPointSizeF(8.5);
    // QFontInfo echoes the requested slant and weight even for a face that lacks them: ask the
    // face that was picked.
    const QFontInfo droite(police);
    QVERIFY2(!QFontDatabase::italic(droite.family(), droite.styleName()), qPrintable(droite.styleName()));
    police.setBold(true);
    const QFontInfo gras(police);
    QVERIFY2(QFontDatabase::weight(gras.family(), gras.styleName()) >= QFont::Bold &&
                 !QFontDatabase::italic(gras.family(), gras.styleName()),
             qPrintable(gras.family() + u' ' + gras.styleName()));
}

void TestAppPolices::sansSosieDeComic() {
    // The same check in a child whose fontconfig hides Comic Neue, as on a machine without it.
    if (qEnvironmentVariableIsSet("OVAN_SANS_COMIC_NEUE")) {
        QSKIP("this is the child run");
    }
    const QString systeme = QStringLiteral("/etc/fonts/fonts.conf");
    if (!QFile::exists(systeme)) {
        QSKIP("no system fontconfig file to start from");
    }
    QTemporaryDir dossier;
    QFile conf(dossier.filePath(QStringLiteral("fonts.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
               "<fontconfig><include ignore_missing=\"no\">" +
               systeme.toUtf8() +
               "</include><selectfont><rejectfont><pattern><patelt name=\"family\"><string>Comic Neue"
               "</string></patelt></pattern></rejectfont></selectfont></fontconfig>\n");
    conf.close();

    QProcess enfant;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FONTCONFIG_FILE"), conf.fileName());
    env.insert(QStringLiteral("OVAN_SANS_COMIC_NEUE"), QStringLiteral("1"));
    enfant.setProcessEnvironment(env);
    enfant.setProcessChannelMode(QProcess::MergedChannels);
    enfant.start(QCoreApplication::applicationFilePath(), {QStringLiteral("droitesAvecGras")});
    QVERIFY(enfant.waitForFinished(60000));
    QVERIFY2(enfant.exitStatus() == QProcess::NormalExit && enfant.exitCode() == 0,
             enfant.readAll().constData());
}

QTEST_MAIN(TestAppPolices)
#include "tst_app_polices.moc"

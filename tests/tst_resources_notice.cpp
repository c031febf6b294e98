// The user guide generated beside the program: an A4 PDF with its fonts, the pictures, every
// section where the table of contents says it is, the ports and the 25 smiley codes.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace {

QString Notice() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../OVAN_Messenger/notice.pdf"));
}

// A poppler tool's output; empty when it fails.
QString Sortie(const QString& outil, const QStringList& arguments) {
    QProcess p;
    p.start(outil, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

const QStringList Sections =
    QStringLiteral("Présentation#Se connecter#Discuter#Les smileys#Présence et saisie en cours#"
                   "Envoyer et recevoir des fichiers#La fenêtre Options#Les outils#La fenêtre Réseau#"
                   "L'icône de la zone de notification#En cas de problème")
        .split(u'#');

// The texts every guide holds: names, ports, shortcuts, buttons, then the 25 smiley codes.
const QStringList Textes =
    QStringLiteral(
        "OVAN Messenger#Guide de l'utilisateur#Table des matières#60000#60001#Ctrl+S#Ctrl+D#Ctrl+E#"
        "Connexion#Déconnexion#Effacer#Police#Présent(e)#Absent(e)#Ouvrir#Annuler#Quitter#bzip2#"
        "(:-))#(:-D)#(LOL)#(:-P)#(8-D)#(:-/)#(:-[)#(:-()#(:-@)#(:'()#0(:))#(:-$)#(¤ ¤)#(AIE)#(O O)#"
        "(;-))#(õ Ô)#(o O)#(;-D)#(:-S)#(:-§)#(O o)#(Zzz)#(X-D)#]:-#)")
        .split(u'#');

} // namespace

class TestResourcesNotice : public QObject {
    Q_OBJECT
    QString m_pdftotext;

private slots:
    void initTestCase() {
        QFile f(Notice());
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(Notice()));
        QVERIFY(f.read(5) == "%PDF-");
        m_pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (m_pdftotext.isEmpty()) {
            QSKIP("pdftotext (poppler-utils) is not installed: the guide's content is not checked");
        }
    }

    // Several A4 pages, every font embedded, the windows' and the smileys' pictures present.
    void document() {
        const QString info = Sortie(QStringLiteral("pdfinfo"), {Notice()});
        const QRegularExpressionMatch pages =
            QRegularExpression(QStringLiteral(R"(Pages:\s+(\d+))")).match(info);
        QVERIFY2(pages.hasMatch() && pages.captured(1).toInt() >= 6 && info.contains(QLatin1String("(A4)")),
                 qPrintable(info));
        const QStringList polices =
            Sortie(QStringLiteral("pdffonts"), {Notice()}).split(u'\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!polices.isEmpty());
        for (const QString& ligne : polices) {
            // name, type..., encoding, then emb sub uni
            QVERIFY2(ligne.contains(QRegularExpression(
                         QStringLiteral(R"(\s+yes\s+(yes|no)\s+(yes|no)\s+\d+\s+\d+\s*$)"))),
                     qPrintable(ligne));
        }
        // 25 smileys and a dozen windows, whatever else the artwork adds.
        const QStringList images =
            Sortie(QStringLiteral("pdfimages"), {QStringLiteral("-list"), Notice()})
                .split(u'\n', Qt::SkipEmptyParts)
                .filter(QRegularExpression(QStringLiteral(R"(^\s*\d+\s+\d+\s+image\s)")));
        QVERIFY2(images.size() >= 25 + 12, qPrintable(QString::number(images.size())));
    }

    // The text, and each section on the page the table of contents gives.
    void contenu() {
        const QString brut = Sortie(m_pdftotext, {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                                  QStringLiteral("UTF-8"), Notice(), QStringLiteral("-")});
        QVERIFY(!brut.isEmpty());
        QStringList pages = brut.split(u'\f');
        for (QString& page : pages) {
            page = page.replace(QChar::Nbsp, u' ').simplified();
        }
        const QString tout = pages.join(u' ');
        for (const QString& texte : Textes) {
            QVERIFY2(tout.contains(texte), qPrintable(texte));
        }
        qsizetype sommaire = 0;
        while (sommaire < pages.size() &&
               !pages[sommaire].startsWith(QStringLiteral("Table des matières "))) {
            ++sommaire;
        }
        QVERIFY(sommaire > 0 && sommaire < pages.size());
        for (const QString& section : Sections) {
            const QRegularExpressionMatch m =
                QRegularExpression(QRegularExpression::escape(section) + QStringLiteral(R"( (\d+)\b)"))
                    .match(pages[sommaire]);
            QVERIFY2(m.hasMatch(), qPrintable(section));
            const int page = m.captured(1).toInt();
            QVERIFY2(page > sommaire + 1 && page <= pages.size(), qPrintable(section));
            QVERIFY2(pages[page - 1].startsWith(section + u' '),
                     qPrintable(section + QStringLiteral(": ") + pages[page - 1].left(80)));
        }
    }
};

QTEST_GUILESS_MAIN(TestResourcesNotice)
#include "tst_resources_notice.moc"

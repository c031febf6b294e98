// The files generated beside the program: the user guide, the smiley bitmaps, the icon, the sounds.
#include <FreeImage.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

#include <cmath>

namespace {

// A file generated beside the program.
QString Chemin(const QString& nom) {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../OVAN_Messenger/") +
                           nom);
}

// A poppler tool's output; empty when it fails.
QString Sortie(const QString& outil, const QStringList& arguments) {
    QProcess p;
    p.start(outil, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

QByteArray Fichier(const QString& nom) {
    QFile f(Chemin(nom));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(64, '\0');
}

quint32 Double(const QByteArray& o, qsizetype position) {
    return qFromLittleEndian<quint32>(o.constData() + position);
}

const QStringList Sections =
    QStringLiteral("Présentation|Se connecter|Discuter|Les smileys|Présence et saisie en cours|Envoyer et "
                   "recevoir des fichiers|La fenêtre Options|Les outils|La fenêtre Réseau|L'icône de la zone "
                   "de notification|En cas de problème")
        .split(u'|');

const char* const Codes[] = {
    "(:-))", "(:-D)", "(LOL)", "(:-P)", "(8-D)", "(:-/)", "(:-[)", "(:-()", "(:-@)",
    "(:'()", "0(:))", "(:-$)", "(¤ ¤)", "(AIE)", "(O O)", "(;-))", "(õ Ô)", "(o O)",
    "(;-D)", "(:-S)", "(:-§)", "(O o)", "(Zzz)", "(X-D)", "]:-|)",
};

} // namespace

class TestResourcesNotice : public QObject {
    Q_OBJECT

private slots:
    // Several A4 pages, fonts embedded, the windows' and smileys' pictures, the text, and each section
    // on the page the table of contents gives.
    void notice() {
        const QString pdf = Chemin(QStringLiteral("notice.pdf"));
        QVERIFY2(Fichier(QStringLiteral("notice.pdf")).startsWith("%PDF-"), qPrintable(pdf));
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed: the guide's content is not checked");
        const QString info = Sortie(QStringLiteral("pdfinfo"), {pdf});
        const QRegularExpressionMatch nombre =
            QRegularExpression(QStringLiteral(R"(Pages:\s+(\d+))")).match(info);
        QVERIFY2(nombre.hasMatch(), qPrintable(info));
        QVERIFY(nombre.captured(1).toInt() >= 6);
        QVERIFY2(info.contains(QLatin1String("(A4)")), qPrintable(info));

        const QStringList polices =
            Sortie(QStringLiteral("pdffonts"), {pdf}).split(u'\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!polices.isEmpty());
        // name, type..., encoding, then emb sub uni
        const QRegularExpression incluse(QStringLiteral(R"(\s+yes\s+(yes|no)\s+(yes|no)\s+\d+\s+\d+\s*$)"));
        QCOMPARE(polices.filter(incluse), polices);

        // 25 smileys and a dozen windows, whatever else the artwork adds.
        const QStringList images =
            Sortie(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                .split(u'\n', Qt::SkipEmptyParts)
                .filter(QRegularExpression(QStringLiteral(R"(^\s*\d+\s+\d+\s+image\s)")));
        QVERIFY2(images.size() >= 25 + 12, qPrintable(QString::number(images.size())));

        const QString brut = Sortie(pdftotext, {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                                QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
        QVERIFY(!brut.isEmpty());
        QStringList pages = brut.split(u'\f');
        for (QString& page : pages)
            page = page.replace(QChar::Nbsp, u' ').simplified();
        const QString tout = pages.join(u' ');

        for (const char* texte :
             {"OVAN Messenger", "Guide de l'utilisateur", "Table des matières", "60000", "60001", "Ctrl+S",
              "Ctrl+D", "Ctrl+E", "Connexion", "Déconnexion", "Effacer", "Police", "Présent(e)", "Absent(e)",
              "Ouvrir", "Annuler", "Quitter", "bzip2"})
            QVERIFY2(tout.contains(QString::fromUtf8(texte)), texte);
        for (const char* code : Codes)
            QVERIFY2(tout.contains(QString::fromUtf8(code)), code);

        qsizetype sommaire = 0;
        while (sommaire < pages.size() && !pages[sommaire].startsWith(QStringLiteral("Table des matières ")))
            ++sommaire;
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

    // 24-bit bottom-up square bitmaps that the chat inserts as pictures, on a white ground.
    void smileysBmp() {
        for (int k = 1; k <= 25; ++k) {
            const QByteArray o = Fichier(QStringLiteral("Smileys/smiley%1.bmp").arg(k));
            const qint32 cote = qint32(Double(o, 18)), ligne = (cote * 3 + 3) / 4 * 4;
            QVERIFY2(o.startsWith("BM") && cote >= 16 && qint32(Double(o, 22)) == cote,
                     qPrintable(QString::number(k)));
            QCOMPARE(o.mid(26, 4), QByteArray("\x01\0\x18\0", 4));                   // one plane, 24 bits
            QVERIFY(Double(o, 30) == 0 && o.size() == Double(o, 10) + cote * ligne); // uncompressed
            // The top-left pixel begins the last row.
            QCOMPARE(o.mid(Double(o, 10) + (cote - 1) * ligne, 3), QByteArray(3, '\xff'));
        }
    }

    // PNG pictures of 16 to 256 pixels a side, each with a transparent corner and an opaque middle.
    void icone() {
        const QByteArray o = Fichier(QStringLiteral("OVAN_Messenger.ico"));
        QList<int> cotes;
        for (int i = 0; i < qFromLittleEndian<quint16>(o.constData() + 4); ++i) {
            QByteArray png = o.mid(Double(o, 6 + 16 * i + 12), Double(o, 6 + 16 * i + 8));
            FIMEMORY* memoire = FreeImage_OpenMemory(reinterpret_cast<BYTE*>(png.data()), DWORD(png.size()));
            FIBITMAP* image = FreeImage_LoadFromMemory(FIF_PNG, memoire);
            const int cote = image ? int(FreeImage_GetWidth(image)) : 0;
            RGBQUAD coin{}, milieu{};
            // Rows count from the bottom.
            QVERIFY(cote > 0 && FreeImage_GetPixelColor(image, 0, cote - 1, &coin) &&
                    FreeImage_GetPixelColor(image, cote / 2, cote - 1 - cote * 150 / 256, &milieu));
            QVERIFY(int(FreeImage_GetHeight(image)) == cote && quint8(o[6 + 16 * i]) == (cote & 0xFF));
            QVERIFY(coin.rgbReserved == 0 && milieu.rgbReserved == 255);
            cotes << cote;
            FreeImage_Unload(image);
            FreeImage_CloseMemory(memoire);
        }
        QVERIFY(cotes.contains(16) && cotes.contains(32) && cotes.contains(256));
    }

    // Short 16-bit mono PCM at 44.1 kHz, one per event, starting and ending at rest, never clipping.
    void sons() {
        // "fmt " of 16 bytes: PCM, mono, 44100 Hz, 88200 bytes a second, blocks of 2, 16 bits.
        const QByteArray entete("WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xac\0\0\x88\x58\x01\0\x02\0\x10\0data",
                                32);
        QList<QByteArray> vus;
        for (const char* nom : {"coucou", "msg", "open", "close"}) {
            const QByteArray o = Fichier(QStringLiteral("Sons/%1.wav").arg(QLatin1String(nom)));
            QVERIFY2(o.startsWith("RIFF") && o.mid(8, 32) == entete, nom);
            QVERIFY(Double(o, 4) == quint32(o.size() - 8) && Double(o, 40) == quint32(o.size() - 44));
            QList<double> v;
            double crete = 0, energie = 0;
            for (qsizetype i = 44; i + 1 < o.size(); i += 2) {
                v << qFromLittleEndian<qint16>(o.constData() + i) / 32768.0;
                crete = std::max(crete, std::abs(v.last()));
                energie += v.last() * v.last();
            }
            QVERIFY2(v.size() >= 4410 && v.size() <= 44100 && crete < 0.9 &&
                         std::sqrt(energie / v.size()) > 0.02,
                     nom);
            QVERIFY2(std::abs(v.first()) < 0.01 && std::abs(v.last()) < 0.01 && !vus.contains(o.mid(44)),
                     nom);
            vus << o.mid(44);
        }
    }
};

QTEST_GUILESS_MAIN(TestResourcesNotice)
#include "tst_resources_notice.moc"

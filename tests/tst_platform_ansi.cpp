// Windows-1252 text, as on the wire and in config.ini.
#include "core/platform/Ansi.h"

#include <QTest>

class TestPlatformAnsi : public QObject {
    Q_OBJECT

private slots:
    // Every byte both ways: Latin-1 but for 0x80 to 0x9F; the five undefined bytes stay themselves.
    void tousLesOctetsAllerRetour() {
        QByteArray octets;
        for (int i = 0; i < 256; ++i)
            octets.append(char(i));
        const QString texte = Ansi::DepuisAnsi(octets);
        QCOMPARE(texte.size(), 256);
        QCOMPARE(texte.mid(0x80, 32),
                 QStringLiteral("€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ"));
        for (int i = 0; i < 256; ++i)
            if (i < 0x80 || i >= 0xA0)
                QCOMPARE(texte.at(i).unicode(), char16_t(i));
        QCOMPARE(Ansi::VersAnsi(texte), octets);
        QCOMPARE(Ansi::VersAnsi(QString()), QByteArray());
        QCOMPARE(Ansi::DepuisAnsi(QByteArray()), QString());
    }

    // Every BMP character has its own byte, which decodes back to it, or becomes '?'; 256 have one.
    void seulsLes256CaracteresPassent() {
        int avecOctet = 0;
        for (char32_t c = 0; c <= 0xFFFF; ++c) {
            if (QChar::isSurrogate(c))
                continue;
            const QChar caractere{char16_t(c)};
            const QByteArray octet = Ansi::VersAnsi(QStringView(&caractere, 1));
            QCOMPARE(octet.size(), 1);
            if (c == '?' || octet != "?") {
                QCOMPARE(Ansi::DepuisAnsi(octet), QString(caractere));
                ++avecOctet;
            }
        }
        QCOMPARE(avecOctet, 256);
        // One '?' per unmappable character, beyond the BMP too, and C1 ones mapped elsewhere.
        QCOMPARE(Ansi::VersAnsi(QStringLiteral("Ça coûte 5 € — «œuf» 中 a😀b😀\u0080\u009F")),
                 QByteArray("\xC7"
                            "a co\xFB"
                            "te 5 \x80 \x97 \xAB\x9C"
                            "uf\xBB ? a?b???"));
        // A lone surrogate is one bad character, and does not swallow the next one.
        const QChar seule[] = {QChar(char16_t(0xD83D)), QChar(u'x'), QChar(char16_t(0xDE00))};
        QCOMPARE(Ansi::VersAnsi(QStringView(seule, 3)), QByteArray("?x?"));
    }
};

QTEST_APPLESS_MAIN(TestPlatformAnsi)
#include "tst_platform_ansi.moc"

#include "core/platform/Ansi.h"

#include <algorithm>
#include <array>

namespace {

// Characters of the bytes 0x80..0x9F. The rest of the byte range is Latin-1:
// byte and code point are equal.
constexpr std::array<char16_t, 32> Caracteres80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct Inverse {
    char16_t caractere;
    char octet;
};

// The same 32 characters sorted, so that encoding needs a binary search only.
constexpr std::array<Inverse, 32> TableInverse = [] {
    std::array<Inverse, 32> table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = {Caracteres80[i], char(0x80 + i)};
    std::sort(table.begin(), table.end(),
              [](const Inverse& a, const Inverse& b) { return a.caractere < b.caractere; });
    return table;
}();

char OctetHorsLatin1(char16_t c) {
    const auto it = std::lower_bound(TableInverse.begin(), TableInverse.end(), c,
                                     [](const Inverse& e, char16_t v) { return e.caractere < v; });
    return (it != TableInverse.end() && it->caractere == c) ? it->octet : '?';
}

} // namespace

namespace Ansi {

QByteArray VersAnsi(QStringView texte) {
    QByteArray octets(texte.size(), Qt::Uninitialized);
    char* sortie = octets.data();
    qsizetype n = 0;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char16_t c = texte[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            sortie[n++] = char(c);
            continue;
        }
        // A character beyond the BMP is one character, so one '?', not two.
        if (QChar::isHighSurrogate(c) && i + 1 < texte.size() &&
            QChar::isLowSurrogate(texte[i + 1].unicode()))
            ++i;
        sortie[n++] = OctetHorsLatin1(c);
    }
    octets.truncate(n);
    return octets;
}

QString DepuisAnsi(QByteArrayView octets) {
    QString texte(octets.size(), Qt::Uninitialized);
    QChar* sortie = texte.data();
    for (qsizetype i = 0; i < octets.size(); ++i) {
        const auto o = uchar(octets[i]);
        sortie[i] = QChar((o >= 0x80 && o < 0xA0) ? Caracteres80[o - 0x80] : char16_t(o));
    }
    return texte;
}

} // namespace Ansi

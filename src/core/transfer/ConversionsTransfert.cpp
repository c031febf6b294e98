#include "core/transfer/ConversionsTransfert.h"

#include <cmath>

QString ConvTaille(qint64 taille) {
    if (taille < 0)
        return QStringLiteral("? octets");
    if (taille <= 999)
        return ConvLongAscii(taille) + QStringLiteral(" octets");

    int decalage = 10;
    QString unite = QStringLiteral(" Ko");
    if (taille > Q_INT64_C(1048575999)) {
        decalage = 30;
        unite = QStringLiteral(" Go");
    } else if (taille > 1023999) {
        decalage = 20;
        unite = QStringLiteral(" Mo");
    }
    // Exact integer arithmetic: single precision would round 1,048,575,999 bytes up to "1000,0 Mo"
    // and lose the whole part of sizes past 16 million units.
    const qint64 entier = taille >> decalage;
    const qint64 reste = taille & ((Q_INT64_C(1) << decalage) - 1);
    if (entier <= 9) {
        const qint64 centiemes = (reste * 100) >> decalage;
        return ConvLongAscii(entier) + u',' + QStringLiteral("%1").arg(centiemes, 2, 10, QChar(u'0')) + unite;
    }
    return ConvLongAscii(entier) + u',' + ConvLongAscii((reste * 10) >> decalage) + unite;
}

QString ConvLongAscii(qint64 nbre) {
    return QString::number(nbre);
}

std::optional<DebitTemps> ConvOctDebitTemps(qint64 nbOct, qint64 tailleFich, double temps) {
    // No time yet (or a nonsensical one), and counts that cannot be sizes: no division.
    if (!(temps > 0) || nbOct < 0 || tailleFich < 0)
        return std::nullopt;
    const double quotient = std::trunc(double(nbOct) / temps);
    // Beyond the 64-bit range after a tiny time: no usable rate.
    if (!(quotient < 9.2e18))
        return std::nullopt;
    const qint64 debit = qint64(quotient);
    if (debit == 0)
        return std::nullopt;

    // More received than announced is no time left, not a negative one.
    const qint64 reste = qMax<qint64>(tailleFich - nbOct, 0);
    const qint64 secondesTotales = reste / debit;
    const qint64 minutes = secondesTotales / 60;
    const qint64 secondes = secondesTotales % 60;

    // The switch is at 1,000 bytes per second: 1,000 to 1,023 read "0 Ko/seconde".
    const QString texteDebit = debit <= 999 ? ConvLongAscii(debit) + QStringLiteral(" octets/seconde")
                                            : ConvLongAscii(debit / 1024) + QStringLiteral(" Ko/seconde");
    return DebitTemps{QStringLiteral("Débit : ") + texteDebit,
                      QStringLiteral("Temps restant estimé : ") + ConvLongAscii(minutes) +
                          QStringLiteral(" min ") + ConvLongAscii(secondes) + QStringLiteral(" sec")};
}

DebitTemps DebitTempsDebut() {
    return {QStringLiteral("Débit : 0 octets/seconde"), QStringLiteral("Temps restant estimé : ? min ? sec")};
}

DebitTemps DebitTempsFin() {
    return {QStringLiteral("Débit : ? octet/seconde"), QStringLiteral("Temps restant estimé : ? min ? sec")};
}

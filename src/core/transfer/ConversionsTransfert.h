// The transfer's texts: a byte count in octets/Ko/Mo/Go, the rate and time left, a number in decimal.
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// "999 octets" up to 999 bytes, then Ko from 1,000 bytes, Mo above 1,023,999, Go above
// 1,048,575,999, with a decimal comma: two decimals below 10 ("0,97 Ko"), one from 10 on
// ("10,0 Ko"), truncated, never rounded up. A negative count has no size: "? octets".
QString ConvTaille(qint64 taille);

// Base 10, a "-" for a negative number, no separators.
QString ConvLongAscii(qint64 nbre);

// The texts of the rate and time-left labels.
struct DebitTemps {
    QString debit; // "Débit : ..."
    QString temps; // "Temps restant estimé : ..."
};

// From the bytes done out of the total after so many seconds: the average rate in whole bytes (or
// Ko from 1,000 bytes) per second, and the time left at that rate. Nothing while no time has passed
// or the rate is below one byte per second: the labels then keep their texts.
std::optional<DebitTemps> ConvOctDebitTemps(qint64 nbOct, qint64 tailleFich, double temps);

// "Débit : 0 octets/seconde" and an unknown time, when a transfer starts.
DebitTemps DebitTempsDebut();
// "Débit : ? octet/seconde" and an unknown time, when it has ended.
DebitTemps DebitTempsFin();

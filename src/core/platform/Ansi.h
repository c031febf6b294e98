// Windows-1252 text, the encoding of every text on the wire and in config.ini.
#pragma once

#include <QByteArray>
#include <QString>

namespace Ansi {

// A character that Windows-1252 cannot hold becomes '?'.
QByteArray VersAnsi(QStringView texte);

// Every byte has a character: the five bytes that Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls U+0081... as Windows does,
// so that decoding then encoding gives the same bytes back.
QString DepuisAnsi(QByteArrayView octets);

} // namespace Ansi

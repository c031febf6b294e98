// Text routines shared by the conversation: space trimming and the blank test.
#pragma once

#include <QString>

// Spaces (U+0020) only: tabs and line breaks stay.
QString Trim(const QString& texte);
QString LTrim(const QString& texte);
QString RTrim(const QString& texte);

// True when no character lies in 0x21..0x7E: spaces, line breaks and accented letters alone are blank.
bool RetourChariot(const QString& texte);
// The same on the Windows-1252 bytes that are sent: no byte in 0x21..0x7E.
bool RetourChariot(const QByteArray& octets);

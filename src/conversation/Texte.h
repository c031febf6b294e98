// Text routines shared by the conversation: space trimming.
#pragma once

#include <QString>

// Spaces (U+0020) only: tabs and line breaks stay.
QString Trim(const QString& texte);
QString LTrim(const QString& texte);
QString RTrim(const QString& texte);

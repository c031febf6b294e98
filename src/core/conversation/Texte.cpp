#include "core/conversation/Texte.h"

#include <algorithm>

QString LTrim(const QString& texte) {
    qsizetype debut = 0;
    while (debut < texte.size() && texte[debut] == u' ') {
        ++debut;
    }
    return texte.mid(debut);
}

QString RTrim(const QString& texte) {
    qsizetype fin = texte.size();
    while (fin > 0 && texte[fin - 1] == u' ') {
        --fin;
    }
    return texte.left(fin);
}

QString Trim(const QString& texte) {
    return LTrim(RTrim(texte));
}

bool RetourChariot(const QString& texte) {
    for (QChar c : texte) {
        if (c.unicode() >= 0x21 && c.unicode() <= 0x7E) {
            return false;
        }
    }
    return true;
}

bool RetourChariot(const QByteArray& octets) {
    return std::none_of(octets.begin(), octets.end(), [](char c) { return c >= 0x21 && c <= 0x7E; });
}

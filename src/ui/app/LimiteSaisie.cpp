#include "ui/app/LimiteSaisie.h"

#include <QLineEdit>

LimiteSaisie::LimiteSaisie(QLineEdit* zone, int maximum)
    : QValidator(zone), m_zone(zone), m_maximum(maximum) {
    connect(zone, &QLineEdit::textChanged, this, [this](const QString& t) { m_avant = t; });
}

QValidator::State LimiteSaisie::validate(QString& texte, int& curseur) const {
    // setText validates before the box counts as modified, an edit after.
    const qsizetype permis = std::max<qsizetype>(m_maximum, m_avant.size());
    if (!m_zone->isModified() || texte.size() <= permis) {
        return Acceptable;
    }
    // Keep what fits of the inserted run, as a paste into a full box would.
    qsizetype debut = 0;
    while (debut < m_avant.size() && debut < texte.size() && m_avant[debut] == texte[debut]) {
        ++debut;
    }
    qsizetype fin = 0;
    while (fin < m_avant.size() - debut && fin < texte.size() - debut &&
           m_avant[m_avant.size() - 1 - fin] == texte[texte.size() - 1 - fin]) {
        ++fin;
    }
    const qsizetype garde = permis - debut - fin;
    if (garde <= 0) {
        return Invalid;
    }
    texte = texte.left(debut + garde) + texte.right(fin);
    curseur = int(debut + garde);
    return Acceptable;
}

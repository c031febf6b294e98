// Reading back what a text view shows: its runs of text with their formats.
#pragma once

#include "ui/app/Interface.h"
#include "ui/conversation/AjouteTexte.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

struct Morceau {
    QString texte;
    QTextCharFormat format;
};

// The runs of text of a document from a position on, each with its format.
inline QList<Morceau> Morceaux(QTextDocument* doc, int depuis = 0) {
    QList<Morceau> liste;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() + f.length() <= depuis) {
                continue;
            }
            if (!liste.isEmpty() && liste.last().format == f.charFormat()) {
                liste.last().texte += f.text();
            } else {
                liste.append({f.text(), f.charFormat()});
            }
        }
        if (b.next().isValid() && b.position() + b.length() > depuis) {
            liste.last().texte += u'\n';
        }
    }
    return liste;
}

// The format of the first character after the indent of the last line that reads exactly so.
inline QTextCharFormat FormatDe(QTextDocument* doc, const QString& ligne) {
    for (QTextBlock b = doc->lastBlock(); b.isValid(); b = b.previous()) {
        if (b.text() == ligne) {
            QTextCursor c(b);
            c.setPosition(b.position() + 4);
            return c.charFormat();
        }
    }
    return {};
}

inline void VerifierFormat(const QTextCharFormat& f, const QString& police, const QColor& couleur,
                           int effets) {
    QCOMPARE(f.fontFamilies().toStringList().value(0), police);
    QCOMPARE(f.fontPointSize(), 8.5);
    QCOMPARE(f.foreground().color(), couleur);
    QCOMPARE(f.fontWeight() == QFont::Bold, bool(effets & EffetGras));
    QCOMPARE(f.fontItalic(), bool(effets & EffetItalique));
    QCOMPARE(f.fontUnderline(), bool(effets & EffetSouligne));
}

// Font, colour and style (4 bold, 2 italic, 1 underline) as the user picks them.
inline void ChoisirFormat(Interface& ui, int police, int couleur, int style) {
    ui.ComboBoxhWnd[ListePolice]->setCurrentIndex(police);
    ui.ComboBoxhWnd[ListeCouleur]->setCurrentIndex(couleur);
    ui.CheckBoxhWnd[CaseGras]->setChecked(style & 4);
    ui.CheckBoxhWnd[CaseItalique]->setChecked(style & 2);
    ui.CheckBoxhWnd[CaseSouligne]->setChecked(style & 1);
}

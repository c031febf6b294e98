#include "ui/app/VueTexte.h"

#include "ui/conversation/Smileys.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

QString VueTexte::TexteSelectionne() const {
    const QTextCursor selection = textCursor();
    QTextDocument* doc = document();
    QTextCursor curseur(doc);
    QString texte;
    for (int p = selection.selectionStart(); p < selection.selectionEnd(); ++p) {
        const QChar c = doc->characterAt(p);
        if (c == QChar::ObjectReplacementCharacter) {
            // The format of a character is read from the position after it.
            curseur.setPosition(p + 1);
            texte += Smileys::CodeDeImage(curseur.charFormat().toImageFormat().name());
        } else if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
            texte += u'\n';
        } else if (c == QChar::Nbsp) {
            texte += u' ';
        } else {
            texte += c;
        }
    }
    return texte;
}

QMimeData* VueTexte::createMimeDataFromSelection() const {
    // Plain text only: pictures named for this view mean nothing to another program.
    auto* donnees = new QMimeData;
    donnees->setText(TexteSelectionne());
    return donnees;
}

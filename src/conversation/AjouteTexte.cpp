#include "conversation/AjouteTexte.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

QTextCharFormat Format(const QString& police, const QColor& couleur, int style) {
    QTextCharFormat format;
    format.setFontFamilies({police});
    format.setFontPointSize(8.5);
    format.setForeground(couleur);
    format.setFontWeight((style & EffetGras) ? QFont::Bold : QFont::Normal);
    format.setFontItalic(style & EffetItalique);
    format.setFontUnderline(style & EffetSouligne);
    return format;
}

// Text always lands at the end, whatever the user selected; CR LF, CR and LF are line breaks.
void Inserer(QTextEdit* vue, const QString& texte, const QTextCharFormat& format) {
    QTextCursor curseur(vue->document());
    curseur.movePosition(QTextCursor::End);
    QString propre = texte;
    propre.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    propre.replace(u'\r', u'\n');
    curseur.insertText(propre, format);
}

void Defiler(QTextEdit* vue) {
    QScrollBar* barre = vue->verticalScrollBar();
    barre->setValue(barre->maximum());
}

} // namespace

void AjouteTexte(QTextEdit* vue, const QString& texte, const QString& pseudo, const QString& police,
                 const QColor& couleur, int style, const QString& type) {
    const QString sansSerif = QStringLiteral("MS Sans Serif");
    if (type == QLatin1String("Texte")) {
        Inserer(vue, pseudo + QStringLiteral(" dit :\r\n   "), Format(sansSerif, Qt::black, 0));
        Inserer(vue, texte + QStringLiteral("\r\n"), Format(police, couleur, style));
        Defiler(vue);
    } else if (type == QLatin1String("Message")) {
        Inserer(vue, QStringLiteral(">>> ") + texte + QStringLiteral(" <<<\r\n"),
                Format(sansSerif, couleur, style));
        Defiler(vue);
    }
}

void AjouteMessage(QTextEdit* vue, const QString& texte) {
    AjouteTexte(vue, texte, QString(), QString(), CouleurMessageSysteme, 0, QStringLiteral("Message"));
}

int FinConversation(QTextEdit* vue) {
    return vue->document()->characterCount() - 1;
}

// The only writer of the conversation view: chat messages and system notices, at the end.
#pragma once

#include <QColor>
#include <QString>

class QTextEdit;

// Effect bits of an entry.
enum Effet { EffetGras = 1, EffetItalique = 2, EffetSouligne = 4 };

// Colour of every system notice.
inline const QColor CouleurMessageSysteme(200, 0, 100);

// Type: "Texte" (a message under its sender line) or "Message" (">>> notice <<<");
// any other word does nothing.
void AjouteTexte(QTextEdit* vue, const QString& texte, const QString& pseudo, const QString& police,
                 const QColor& couleur, int style, const QString& type);

// A system notice, as every caller passes it.
void AjouteMessage(QTextEdit* vue, const QString& texte);

// Characters in the view, a picture counting one: where the next smiley scan starts.
int FinConversation(QTextEdit* vue);

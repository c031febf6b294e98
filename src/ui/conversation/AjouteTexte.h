// The only writer of the conversation view and of the input box's format: entries at the end,
// the font, colour and style tables, and links in the text.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

class QPoint;
class QTextEdit;
class QWidget;

// Effect bits of an entry.
enum Effet { EffetGras = 1, EffetItalique = 2, EffetSouligne = 4 };

// Colour of every system notice.
inline const QColor CouleurMessageSysteme(200, 0, 100);

// The message faces and the colours' names, by index (the pickers' lists).
const QStringList& NomsPolices();
const QStringList& NomsCouleurs();

// Index to face name, colour and effect bits; an index outside a table falls back to 0.
QString Police(int index);
QColor Couleur(int index);
int Style(int index);

// Type: "Texte" (a message under its sender line), "Message" (">>> notice <<<"),
// "Envoi" (the input box's whole format, and what is typed next), "Ajout" (text at the end of
// the input box); any other word does nothing. Style holds effect bits, not a style index.
void AjouteTexte(QTextEdit* zone, const QString& texte, const QString& pseudo, const QString& police,
                 const QColor& couleur, int style, const QString& type);

// A system notice, as every caller passes it.
void AjouteMessage(QTextEdit* vue, const QString& texte);

// A control's whole text ("" for an empty one); line breaks as "\n".
QString PrendreTexte(const QWidget* controle);
// "MS Sans Serif" at a pixel height, underlined or not.
void ReglerPolice(QWidget* controle, int taille, bool souligne);

// The document position after the last character: where the next smiley scan starts
// when nothing was replaced.
int FinConversation(QTextEdit* vue);

// The link under a point of the box's viewport (http://, https://, www., mailto:, file:), or "".
QString LienA(QTextEdit* zone, const QPoint& point);

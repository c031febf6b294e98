// The conversation view and where the next smiley scan starts: every entry is written here, so an
// entry that may hold smiley codes is always followed by the scan.
#pragma once

#include <QString>

class QColor;
class QTextEdit;
class Smileys;

class VueConversation {
public:
    VueConversation(QTextEdit* vue, Smileys& smileys) : m_vue(vue), m_smileys(smileys) {}

    // A message under its sender line, in its font, colour and style indexes; then the scan.
    void Texte(const QString& texte, const QString& pseudo, int police, int couleur, int style);
    // A system notice (">>> ... <<<"); then the scan, unless smileys is false.
    void Message(const QString& texte, bool smileys = true);
    // A system notice after which the next scan starts at the end (connections and offers).
    void MessageFin(const QString& texte);
    // Empties the view when it holds more than spaces; the next scan starts at the top.
    void Effacer();

    QTextEdit* Vue() const { return m_vue; }
    // Document position from which the next smiley scan starts.
    int DernierMess() const { return m_dernierMess; }
    void ReglerDernierMess(int position) { m_dernierMess = position; }

private:
    void Balayer();
    // To the end, once the entry is laid out.
    void Defiler();

    QTextEdit* m_vue;
    Smileys& m_smileys;
    int m_dernierMess = 0;
};

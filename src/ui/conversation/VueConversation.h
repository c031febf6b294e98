// The conversation view and where the next smiley scan starts: every entry is written here, so an
// entry that may hold smiley codes is always followed by the scan.
#pragma once

#include "core/history/Historique.h"

#include <QString>
#include <QTextCursor>
#include <deque>
#include <functional>

class QColor;
class QTextEdit;
class Smileys;

class VueConversation {
public:
    // The view keeps at least this many of the latest entries, so that neither memory nor the cost of
    // one entry grows with a long conversation (the history keeps them all). Past this many more, the
    // oldest leave together: a removal at the top lays the whole view out again, once.
    static constexpr int EntreesGardees = 10000;
    static constexpr int EntreesEnPlus = 5000;

    VueConversation(QTextEdit* vue, Smileys& smileys) : m_vue(vue), m_smileys(smileys) {}

    // A message under its sender line, in its font, colour and style indexes; then the scan.
    void Texte(const QString& texte, const QString& pseudo, int police, int couleur, int style,
               EntreeHistorique::Sorte sorte = EntreeHistorique::Sorte::Recu);
    // A system notice (">>> ... <<<"); then the scan, unless smileys is false.
    void Message(const QString& texte, bool smileys = true);
    // A system notice after which the next scan starts at the end (connections and offers).
    void MessageFin(const QString& texte);
    // Empties the view when it holds more than spaces; the next scan starts at the top.
    void Effacer();

    QTextEdit* Vue() const { return m_vue; }
    // Told of every entry as it is shown (the history); nothing by default.
    void ReglerJournal(std::function<void(EntreeHistorique)> journal) { m_journal = std::move(journal); }
    // Document position from which the next smiley scan starts.
    int DernierMess() const { return m_dernierMess; }
    void ReglerDernierMess(int position) { m_dernierMess = position; }

private:
    // Writes one entry in one edit, scanned or not, then lets the oldest go past the bound.
    void Entree(const std::function<void()>& ecrire, bool balayer);
    void Balayer();
    // To the end, once the entry is laid out.
    void Defiler();

    void Noter(EntreeHistorique::Sorte sorte, const QString& texte, const QString& auteur = {},
               int police = 0, int couleur = 0, int style = 0);

    QTextEdit* m_vue;
    Smileys& m_smileys;
    std::function<void(EntreeHistorique)> m_journal;
    int m_dernierMess = 0;
    // The first code left as text because its picture could not be read, scanned again once the
    // picture can be.
    QTextCursor m_laisse;
    // The paragraphs of each entry in the view, oldest first, and their sum.
    std::deque<int> m_blocs;
    int m_blocsEntrees = 0;
};

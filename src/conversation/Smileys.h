// Smiley codes in the conversation and the smiley picker's buttons.
#pragma once

class Ovan;
class QTextEdit;

class Smileys {
public:
    explicit Smileys(Ovan& ovan) : m_ovan(ovan) {}

    // Commands 20 to 44: smiley k (1 to 25) at the end of the draft, in the current format.
    void Inserer(int k);

    // Replaces the codes written since position debut; returns where the next scan starts.
    int MettreSmileys(QTextEdit* vue, int debut);

private:
    Ovan& m_ovan;
};

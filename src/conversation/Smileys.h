// Smiley pictures in the conversation and the smiley picker's buttons.
#pragma once

#include <QtGlobal>

class Ovan;

class Smileys {
public:
    explicit Smileys(Ovan& ovan) : m_ovan(ovan) {}

    // Command 20 to 44: put smiley k (1 to 25) at the end of the draft.
    void Inserer(int k);

private:
    [[maybe_unused]] Ovan& m_ovan;
};

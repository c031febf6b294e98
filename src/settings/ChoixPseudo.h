// The nickname window shown when connecting without a nickname.
#pragma once

#include <QtGlobal>

class Ovan;

class ChoixPseudo {
public:
    explicit ChoixPseudo(Ovan& ovan) : m_ovan(ovan) {}

    // Command 51: take the nickname and announce it.
    void Valider();

private:
    [[maybe_unused]] Ovan& m_ovan;
};

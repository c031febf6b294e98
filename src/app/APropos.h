// The About window.
#pragma once

#include <QtGlobal>

class Ovan;

class APropos {
public:
    explicit APropos(Ovan& ovan) : m_ovan(ovan) {}

    // Command 47: open the user guide.
    void OuvrirNotice();

private:
    [[maybe_unused]] Ovan& m_ovan;
};

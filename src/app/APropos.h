// The About window.
#pragma once

#include <QtGlobal>

class APropos {
public:
    // Command 47: open the user guide.
    void OuvrirNotice();
};

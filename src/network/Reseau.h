// The computers of the local network.
#pragma once

#include <QtGlobal>

class Reseau {
public:
    // Command 12: open the network window and start listing.
    void Ouvrir();
};

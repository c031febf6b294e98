// The computers of the local network.
#pragma once

#include <QtGlobal>

class Ovan;

class Reseau {
public:
    explicit Reseau(Ovan& ovan) : m_ovan(ovan) {}

    // Command 12: open the network window and start listing.
    void Ouvrir();

private:
    [[maybe_unused]] Ovan& m_ovan;
};

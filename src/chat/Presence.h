// The user's presence as the contact sees it.
#pragma once

#include <QtGlobal>

class Ovan;

class Presence {
public:
    explicit Presence(Ovan& ovan) : m_ovan(ovan) {}

    // Command 6: set the local status to absent.
    void Absent();
    // Command 7: set the local status to present.
    void Present();

private:
    [[maybe_unused]] Ovan& m_ovan;
};

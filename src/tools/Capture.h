// Screen capture offered to the contact.
#pragma once

#include <QtGlobal>

class Ovan;

class Capture {
public:
    explicit Capture(Ovan& ovan) : m_ovan(ovan) {}

    // Command 14: capture the screen and offer it.
    void Capturer();

private:
    [[maybe_unused]] Ovan& m_ovan;
};

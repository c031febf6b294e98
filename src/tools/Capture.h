// Screen capture offered to the contact.
#pragma once

#include <QtGlobal>

class Capture {
public:
    // Command 14: capture the screen and offer it.
    void Capturer();
};

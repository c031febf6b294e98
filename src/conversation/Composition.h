// Writing and sending messages: the input box's commands.
#pragma once

#include <QtGlobal>

class Ovan;

class Composition {
public:
    explicit Composition(Ovan& ovan) : m_ovan(ovan) {}

    // Command 1: clear the conversation view.
    void Effacer();
    // Command 2: send the message typed in the input box.
    void Envoyer();
    // Command 451 to 453: the font picker's bold, italic and underline boxes.
    void ChangerStyle();

private:
    [[maybe_unused]] Ovan& m_ovan;
};

// Offering, opening and cancelling files sent to the contact.
#pragma once

#include <QtGlobal>

class Ovan;

class Transfert {
public:
    explicit Transfert(Ovan& ovan) : m_ovan(ovan) {}

    // Command 8: offer a file to the contact.
    void OffrirFichier();
    // Command 100: open the file last received or sent.
    void OuvrirFichier();
    // Command 101: cancel the transfer, or close the transfer window.
    void Annuler();

private:
    [[maybe_unused]] Ovan& m_ovan;
};

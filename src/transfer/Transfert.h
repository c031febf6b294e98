// Offering, accepting, opening and cancelling files sent to the contact.
#pragma once

#include <QByteArray>
#include <QString>

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

    // "[DEM]": the contact offers a file.
    void RecuOffre(const QString& nom, const QByteArray& tailleTexte);
    // "[RPS]": the answer to our offer.
    void RecuReponse(bool oui);
    // "[ANN]": the contact cancelled.
    void RecuAnnulation();

private:
    Ovan& m_ovan;
};

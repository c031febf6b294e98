// Offering, accepting, opening and cancelling files sent to the contact.
#pragma once

#include <QByteArray>
#include <QString>

class Dialogues;
class EnvoiTrames;
class Interface;
class VueConversation;
struct Session;

class Transfert {
public:
    Transfert(Interface& interface, VueConversation& vue, EnvoiTrames& envoi, Dialogues& dialogues,
              Session& session)
        : m_interface(interface), m_vue(vue), m_envoi(envoi), m_dialogues(dialogues), m_session(session) {}

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
    Interface& m_interface;
    VueConversation& m_vue;
    EnvoiTrames& m_envoi;
    Dialogues& m_dialogues;
    Session& m_session;
};

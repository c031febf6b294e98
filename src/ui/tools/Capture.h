// Screen capture offered to the contact: the raw bitmap, its conversion to the Options format,
// the question and the offer.
#pragma once

#include <QString>

class Dialogues;
class Interface;
class QImage;
class Conversation;
class Transfert;

class Capture {
public:
    // dossExec: the program folder, where the capture files go.
    Capture(Interface& interface, const Conversation& conversation, Dialogues& dialogues,
            Transfert& transfert, const QString& dossExec);

    // Command 14: capture the screen and offer it.
    void Capturer();
    // The whole desktop as a picture; null when the desktop does not let us read it.
    static QImage Ecran();
    // Writes the raw capture file of the screen; false when it cannot.
    bool CaptEcran();

private:
    Interface& m_interface;
    const Conversation& m_conversation;
    Dialogues& m_dialogues;
    Transfert& m_transfert;
    const QString m_dossExec;
};

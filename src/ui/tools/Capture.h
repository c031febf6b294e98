// Screen capture offered to the contact: the raw bitmap, its conversion to the Options format,
// the question and the offer.
#pragma once

#include <QString>

class Dialogues;
class QCheckBox;
class QComboBox;
class QImage;
class QWidget;
class Conversation;
class Transfert;

class Capture {
public:
    // Where the boxes go, and the Options window's controls that say what to make of a capture.
    struct Controles {
        QWidget* fenetre = nullptr;
        QComboBox* format = nullptr;
        QComboBox* qualite = nullptr;
        QCheckBox* envoyer = nullptr;
    };

    // dossExec: the folder the program writes in, where the capture files go.
    Capture(const Controles& controles, const Conversation& conversation, Dialogues& dialogues,
            Transfert& transfert, const QString& dossExec);

    // Command 14: capture the screen and offer it.
    void Capturer();
    // The whole desktop as a picture; null when the desktop does not let us read it.
    static QImage Ecran();
    // Writes the raw capture file of the screen; false when it cannot.
    bool CaptEcran();

private:
    Controles m_c;
    const Conversation& m_conversation;
    Dialogues& m_dialogues;
    Transfert& m_transfert;
    const QString m_dossExec;
};

// Writing and sending messages: the input box, the font picker's format, send and clear.
#pragma once

#include <QObject>

class Ovan;

class Composition : public QObject {
    Q_OBJECT
public:
    explicit Composition(Ovan& ovan);

    // Command 1: clear the conversation view.
    void Effacer();
    // Command 2: send the message typed in the input box.
    void Envoyer();
    // Commands 451 to 453 and a font or colour change in the font picker: the input box takes
    // the picker's format, its whole text and what is typed next.
    void ChangerStyle();

    // IPolice, ICouleur and IStyle read again from the font picker.
    void LireFormat();

protected:
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    Ovan& m_ovan;
};

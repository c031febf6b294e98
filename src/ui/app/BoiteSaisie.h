// The message input box: rich text, limited to a number of characters however they arrive.
#pragma once

#include <QTextEdit>

class BoiteSaisie : public QTextEdit {
    Q_OBJECT
public:
    BoiteSaisie(int maximum, QWidget* parent = nullptr);
    // Characters in the box, a picture counting one.
    int Longueur() const;

private:
    void Limiter(int position, int retires, int ajoutes);

    int m_maximum;
    bool m_coupe = false;
};

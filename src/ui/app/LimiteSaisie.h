// A one-line box's length limit that holds back only what the user types or pastes.
#pragma once

#include <QValidator>

class QLineEdit;

// setMaxLength would also cut a value the program sets: a longer nickname read from config.ini
// must be shown and saved back whole. A paste into a box near its limit keeps what fits.
class LimiteSaisie : public QValidator {
    Q_OBJECT
public:
    LimiteSaisie(QLineEdit* zone, int maximum);
    State validate(QString& texte, int& curseur) const override;

private:
    QLineEdit* m_zone;
    int m_maximum;
    // The text before the edit being validated.
    QString m_avant;
};

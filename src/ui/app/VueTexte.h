// The conversation view's control: what it copies is plain text, smiley pictures back as codes.
#pragma once

#include <QTextEdit>

class VueTexte : public QTextEdit {
    Q_OBJECT
public:
    using QTextEdit::QTextEdit;

    // The selection as a user pasting it elsewhere expects it.
    QString TexteSelectionne() const;

protected:
    QMimeData* createMimeDataFromSelection() const override;
};

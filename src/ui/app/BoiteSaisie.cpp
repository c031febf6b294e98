#include "ui/app/BoiteSaisie.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

BoiteSaisie::BoiteSaisie(int maximum, QWidget* parent) : QTextEdit(parent), m_maximum(maximum) {
    setAcceptRichText(false);
    connect(document(), &QTextDocument::contentsChange, this, &BoiteSaisie::Limiter);
}

int BoiteSaisie::Longueur() const {
    return document()->characterCount() - 1;
}

void BoiteSaisie::Limiter(int position, int, int ajoutes) {
    const int exces = Longueur() - m_maximum;
    if (m_coupe || exces <= 0 || ajoutes <= 0) {
        return;
    }
    // What was just typed or pasted beyond the limit is refused; the rest stays.
    m_coupe = true;
    QTextCursor curseur(document());
    const int fin = position + ajoutes;
    curseur.setPosition(std::max(position, fin - exces));
    curseur.setPosition(fin, QTextCursor::KeepAnchor);
    curseur.removeSelectedText();
    m_coupe = false;
}

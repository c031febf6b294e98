// Smiley codes in the conversation and the smiley picker's buttons.
#pragma once

#include "ui/chat/FenetreChat.h"
#include "ui/conversation/Composition.h"

#include <QElapsedTimer>
#include <QImage>
#include <QString>

#include <array>
#include <utility>

class QTextEdit;
class Conversation;

class Smileys {
public:
    // dossExec: the program folder, where Smileys/smileyK.bmp lie.
    Smileys(const FenetreChat& controles, const SelecteurFormat& selecteur, const Conversation& conversation,
            const QString& dossExec);

    // Smiley k (1 to 25) at the end of the draft, in the current format; false for another k.
    bool Inserer(int k);

    // Replaces the codes written since position debut by their pictures, each one document
    // position; returns where the next scan starts. A code whose picture cannot be read stays
    // text; laisse, when given, receives the position of the first such code (-1 for none).
    // The clipboard is not used.
    int MettreSmileys(QTextEdit* vue, int debut, int* laisse = nullptr);
    // True when a picture that a scan could not read can be read now; the files are looked at
    // once a second at most.
    bool ImageRevenue();
    // Reads picture i from its file again (when the file changed since).
    void RechargerSmileys(int i);

    // The name a picture of smiley k has in the document, and back to its code ("" for any
    // other name).
    static QString NomImage(int k);
    static QString CodeDeImage(const QString& nom);

private:
    // The picture to show for the file read, at the screen's pixel density where it can be.
    static QImage ADensite(int k, const QImage& fichier);

    FenetreChat m_c;
    SelecteurFormat m_selecteur;
    const Conversation& m_conversation;
    const QString m_dossExec;
    std::array<QImage, 26> m_images;
    // When and how big each file was when read.
    std::array<std::pair<qint64, qint64>, 26> m_signatures{};
    std::array<QElapsedTimer, 26> m_verifications;
    // The codes some scan left as text, until their picture can be read.
    std::array<bool, 26> m_manquantes{};
};

// What one running copy knows of the conversation, shared by its subsystems.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

struct Session {
    QString MonPseudo;
    QString SonPseudo;
    // Where received files go, ending in "/".
    QString DossFichRecus;
    // The outgoing format: font, colour and style indexes as the font picker last gave them.
    int IPolice = 0;
    int ICouleur = 0;
    int IStyle = 0;
    // "[TAP]" "ecr" sent and not yet followed by "vid".
    bool Ecr = false;
    // When the last message arrived, in this run (kept across reconnections).
    std::optional<QDateTime> Date2;
};

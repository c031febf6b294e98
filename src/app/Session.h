// What one running copy knows of the conversation, shared by its subsystems.
#pragma once

#include <QString>

struct Session {
    QString MonPseudo;
    QString SonPseudo;
    // Document position from which the next smiley scan starts.
    int DernierMess = 0;
    // Where received files go, ending in "/".
    QString DossFichRecus;
};

// The user's presence and typing as the contact sees them, and the nickname announcements.
#pragma once

class Ovan;

class Presence {
public:
    explicit Presence(Ovan& ovan) : m_ovan(ovan) {}

    // Command 6: absent ("[STA]" "abs", title, faces), in every state.
    void Absent();
    // Command 7: present again.
    void Present();

    // Keys in the input box: the send button's face on a press, "[TAP]" on a release.
    void ToucheEnfoncee();
    void ToucheRelachee();

    // "[PSE]" with the own nickname when connected (the Options window's OK and Apply).
    void AnnoncerPseudo();

private:
    bool SaisieVide() const;

    Ovan& m_ovan;
};

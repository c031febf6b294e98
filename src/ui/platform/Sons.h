// Short sounds from files beside the program, played without waiting.
#pragma once

#include <QString>
#include <memory>

class QSoundEffect;

class Sons {
public:
    virtual ~Sons() = default;
    // Plays a .wav file; a new sound replaces the one playing; a missing or unreadable file plays nothing,
    // silently.
    virtual void Jouer(const QString& chemin) = 0;
};

class SonsReels : public Sons {
public:
    SonsReels();
    ~SonsReels() override;
    void Jouer(const QString& chemin) override;
    // The effect, once there was something to play.
    const QSoundEffect* Effet() const { return m_effet.get(); }

private:
    // Made on the first sound, so a machine without audio output pays nothing before.
    std::unique_ptr<QSoundEffect> m_effet;
};

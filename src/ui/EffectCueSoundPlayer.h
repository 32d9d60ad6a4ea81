#pragma once

#include "ui/CueSoundPlayer.h"

#include <QSoundEffect>
#include <QString>

#include <memory>

// A cue sound held by a QSoundEffect: the file is decoded once into memory when the player is
// made, so a start costs nothing but a buffer hand-over. With no sound server the effect still
// loads and "plays" silently.
class EffectCueSoundPlayer final : public CueSoundPlayer
{
public:
    explicit EffectCueSoundPlayer(const QString &wavPath);

    // The factory the engine uses outside tests.
    static std::unique_ptr<CueSoundPlayer> create(const QString &wavPath);

    void setVolume(float volume) override;
    void restart() override;

    const QSoundEffect &effect() const { return m_effect; }

private:
    QSoundEffect m_effect;
};

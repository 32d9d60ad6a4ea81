#pragma once

#include "ui/CueSoundPlayer.h"

#include <QSoundEffect>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Whether this machine has a sound output, asked once, when the first cue is wanted.
class SoundOutput final
{
public:
    // `onMissing` runs once, at the first ask, when there is no output.
    explicit SoundOutput(std::function<void()> onMissing = {});
    bool available();

private:
    std::function<void()> m_onMissing;
    std::optional<bool> m_available;
};

// A cue sound held by a QSoundEffect: the file is decoded once into memory, so a start costs
// nothing but a buffer hand-over. The effect (and with it the sound server's connection) is
// made when the cue is first wanted: a HUD that never sounds keeps neither in memory. Given an
// `output` that has no device, a cue stays silent and no effect is ever made (each would
// complain on its own).
class EffectCueSoundPlayer final : public CueSoundPlayer
{
public:
    explicit EffectCueSoundPlayer(const QString &wavPath, SoundOutput *output = nullptr);

    void setVolume(float volume) override;
    void restart() override;

    const QSoundEffect &effect() const;

private:
    QSoundEffect &loaded() const;

    QString m_path;
    SoundOutput *m_output = nullptr;
    float m_volume = 1.0f;
    mutable std::unique_ptr<QSoundEffect> m_effect;
};

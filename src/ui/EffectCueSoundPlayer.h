#pragma once

#include "ui/CueSoundPlayer.h"

#include <QSoundEffect>
#include <QString>

#include <memory>

// A cue sound held by a QSoundEffect: the file is decoded once into memory, so a start costs
// nothing but a buffer hand-over. The effect (and with it the sound server's connection) is
// made when the cue is first wanted: a HUD that never sounds keeps neither in memory. With no
// sound server the effect still loads and "plays" silently.
class EffectCueSoundPlayer final : public CueSoundPlayer
{
public:
    explicit EffectCueSoundPlayer(const QString &wavPath);

    // The factory the engine uses outside tests.
    static std::unique_ptr<CueSoundPlayer> create(const QString &wavPath);

    void setVolume(float volume) override;
    void restart() override;

    const QSoundEffect &effect() const;

private:
    QSoundEffect &loaded() const;

    QString m_path;
    float m_volume = 1.0f;
    mutable std::unique_ptr<QSoundEffect> m_effect;
};

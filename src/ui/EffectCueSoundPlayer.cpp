#include "ui/EffectCueSoundPlayer.h"

#include <QUrl>

EffectCueSoundPlayer::EffectCueSoundPlayer(const QString &wavPath)
{
    m_effect.setSource(QUrl::fromLocalFile(wavPath));
}

std::unique_ptr<CueSoundPlayer> EffectCueSoundPlayer::create(const QString &wavPath)
{
    return std::make_unique<EffectCueSoundPlayer>(wavPath);
}

void EffectCueSoundPlayer::setVolume(float volume)
{
    m_effect.setVolume(volume);
}

void EffectCueSoundPlayer::restart()
{
    // Stopping first rewinds to the first sample whatever state the effect is in, so a cue that
    // is still sounding starts over instead of overlapping itself.
    m_effect.stop();
    m_effect.play();
}

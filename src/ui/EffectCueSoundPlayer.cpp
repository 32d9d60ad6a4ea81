#include "ui/EffectCueSoundPlayer.h"

#include <QUrl>

EffectCueSoundPlayer::EffectCueSoundPlayer(const QString &wavPath)
    : m_path(wavPath)
{ }

const QSoundEffect &EffectCueSoundPlayer::effect() const
{
    return loaded();
}

QSoundEffect &EffectCueSoundPlayer::loaded() const
{
    if (!m_effect) {
        m_effect = std::make_unique<QSoundEffect>();
        m_effect->setVolume(m_volume);
        m_effect->setSource(QUrl::fromLocalFile(m_path));
    }
    return *m_effect;
}

std::unique_ptr<CueSoundPlayer> EffectCueSoundPlayer::create(const QString &wavPath)
{
    return std::make_unique<EffectCueSoundPlayer>(wavPath);
}

void EffectCueSoundPlayer::setVolume(float volume)
{
    m_volume = volume;
    if (m_effect)
        m_effect->setVolume(volume);
}

void EffectCueSoundPlayer::restart()
{
    // Stopping first rewinds to the first sample whatever state the effect is in, so a cue that
    // is still sounding starts over instead of overlapping itself.
    QSoundEffect &effect = loaded();
    effect.stop();
    effect.play();
}

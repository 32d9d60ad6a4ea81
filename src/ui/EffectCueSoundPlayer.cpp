#include "ui/EffectCueSoundPlayer.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QUrl>

SoundOutput::SoundOutput(std::function<void()> onMissing)
    : m_onMissing(std::move(onMissing))
{ }

bool SoundOutput::available()
{
    if (!m_available) {
        m_available = !QMediaDevices::audioOutputs().isEmpty();
        if (!*m_available && m_onMissing)
            m_onMissing();
    }
    return *m_available;
}

EffectCueSoundPlayer::EffectCueSoundPlayer(const QString &wavPath, SoundOutput *output)
    : m_path(wavPath)
    , m_output(output)
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
    if (m_output && !m_output->available())
        return;
    QSoundEffect &effect = loaded();
    effect.stop();
    effect.play();
}

#include "ui/CoreSoundEngine.h"

#include "platform/Clock.h"

#include <QFile>

#include <algorithm>

namespace {

constexpr SoundCue allCues[] = {
    SoundCue::open,    SoundCue::close,  SoundCue::select,
    SoundCue::confirm, SoundCue::cancel, SoundCue::hover,
};

// True when the file exists and opens with a RIFF header of form WAVE. Anything else would only
// fail later inside the audio stack, where the failure is asynchronous and easy to miss.
bool isWaveFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}

} // namespace

CoreSoundEngine::CoreSoundEngine(const QString &soundsFolder, const Clock &clock,
                                 PlayerFactory makePlayer, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
{
    for (SoundCue cue : allCues) {
        const QString path = soundsFolder + QLatin1Char('/') + resourceName(cue) + ".wav";
        if (!isWaveFile(path))
            continue;
        if (std::unique_ptr<CueSoundPlayer> player = makePlayer(path))
            m_players.emplace(cue, std::move(player));
    }
}

CoreSoundEngine::~CoreSoundEngine() = default;

QString CoreSoundEngine::resourceName(SoundCue cue)
{
    switch (cue) {
    case SoundCue::open:
        return QStringLiteral("zel_open");
    case SoundCue::close:
        return QStringLiteral("zel_close");
    case SoundCue::select:
        return QStringLiteral("zel_select");
    case SoundCue::confirm:
        return QStringLiteral("zel_confirm");
    case SoundCue::cancel:
        return QStringLiteral("zel_cancel");
    case SoundCue::hover:
        return QStringLiteral("zel_hover");
    }
    return {};
}

void CoreSoundEngine::play(SoundCue cue, float volume)
{
    if (!m_isEnabled)
        return;
    const auto found = m_players.find(cue);
    if (found == m_players.end())
        return;
    if (cue == SoundCue::hover) {
        const double now = m_clock.uptime();
        if (now - m_lastHoverAt <= hoverInterval)
            return;
        m_lastHoverAt = now;
    }
    CueSoundPlayer &player = *found->second;
    player.setVolume(std::clamp(volume, 0.0f, 1.0f));
    player.restart();
}

void CoreSoundEngine::setEnabled(bool enabled)
{
    if (enabled == m_isEnabled)
        return;
    m_isEnabled = enabled;
    emit isEnabledChanged(m_isEnabled);
}

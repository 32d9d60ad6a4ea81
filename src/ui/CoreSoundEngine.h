#pragma once

#include "platform/Feedback.h"
#include "ui/CueSoundPlayer.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>

class Clock;

// The interface sounds: a cue when the menu opens or closes, when something is chosen, confirmed
// or cancelled, and a soft tick when the pointer passes over an entry. All six are loaded once at
// creation so a cue starts without delay. Main thread only.
class CoreSoundEngine final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled WRITE setEnabled NOTIFY isEnabledChanged)

public:
    // Makes a prepared player for a WAV file, or nullptr when it cannot.
    using PlayerFactory = std::function<std::unique_ptr<CueSoundPlayer>(const QString &wavPath)>;

    // A hover tick no more than this after the last one is dropped, so sweeping the pointer across
    // a list does not turn into a buzz.
    static constexpr double hoverInterval = 0.08;

    // Loads "<soundsFolder>/zel_<cue>.wav" for every cue in declaration order. A file that is
    // missing or not a RIFF/WAVE file, or that the factory refuses, leaves its cue silent.
    CoreSoundEngine(const QString &soundsFolder, const Clock &clock, PlayerFactory makePlayer,
                    QObject *parent = nullptr);
    ~CoreSoundEngine() override;

    // The file name, without extension, of a cue's sound.
    static QString resourceName(SoundCue cue);

    // Plays a cue at `volume` (0 to 1), restarting it if it is still sounding.
    void play(SoundCue cue, float volume = 1.0f);

    bool isEnabled() const { return m_isEnabled; }
    void setEnabled(bool enabled);

    // Uptime, in seconds, of the last hover tick that sounded; 0 before the first.
    double lastHoverAt() const { return m_lastHoverAt; }

    const std::map<SoundCue, std::unique_ptr<CueSoundPlayer>> &players() const { return m_players; }

signals:
    void isEnabledChanged(bool isEnabled);

private:
    const Clock &m_clock;
    std::map<SoundCue, std::unique_ptr<CueSoundPlayer>> m_players;
    double m_lastHoverAt = 0.0;
    bool m_isEnabled = true;
};

#pragma once

#include "platform/Feedback.h"

class CoreSoundEngine;
class CoreToastCenter;

// The features' feedback as the running program gives it: the toast card, the sound engine and
// the main thread's timers.
class ShellFeedback final : public Feedback
{
public:
    ShellFeedback(CoreSoundEngine &sound, CoreToastCenter &toasts);

    void toast(const QString &title, const QString &message, double duration) override;
    void play(SoundCue cue, float volume) override;
    void later(int ms, const QObject *context, std::function<void()> then) override;

private:
    CoreSoundEngine &m_sound;
    CoreToastCenter &m_toasts;
};

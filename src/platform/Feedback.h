#pragma once

#include <QString>

#include <functional>

class QObject;

// The interface sounds: a menu opening or closing, something chosen, confirmed or cancelled, and
// the soft tick of the pointer passing over an entry.
enum class SoundCue { open, close, select, confirm, cancel, hover };

// What the features ask of the shell around them: a toast, a sound, and work later on the main
// thread. The program shows the toast card and plays through its sound engine; tests record what
// was asked and run the later work when they choose.
class Feedback
{
public:
    virtual ~Feedback() = default;

    // Shows `title` and `message` (which may be empty) for `duration` seconds.
    virtual void toast(const QString &title, const QString &message, double duration) = 0;
    // Plays a cue at `volume` (0 to 1).
    virtual void play(SoundCue cue, float volume) = 0;
    // Runs `then` on the main thread after `ms` milliseconds, unless `context` is gone by then.
    virtual void later(int ms, const QObject *context, std::function<void()> then) = 0;
};

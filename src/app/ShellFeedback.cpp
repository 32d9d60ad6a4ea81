#include "app/ShellFeedback.h"

#include "ui/CoreSoundEngine.h"
#include "ui/CoreToastCenter.h"

#include <QCoreApplication>
#include <QTimer>

#include <utility>

ShellFeedback::ShellFeedback(CoreSoundEngine &sound, CoreToastCenter &toasts)
    : m_sound(sound)
    , m_toasts(toasts)
{ }

void ShellFeedback::toast(const QString &title, const QString &message, double duration)
{
    m_toasts.show(title, message, duration);
}

void ShellFeedback::play(SoundCue cue, float volume)
{
    m_sound.play(cue, volume);
}

void ShellFeedback::later(int ms, const QObject *context, std::function<void()> then)
{
    QTimer::singleShot(ms, context ? context : QCoreApplication::instance(), std::move(then));
}

#pragma once

#include "platform/Feedback.h"

#include <QPointer>
#include <QTimer>

// Records the toasts and cues asked for; later work waits until the test runs it.
class FakeFeedback final : public Feedback
{
public:
    struct Toast
    {
        QString title, message;
        double duration = 0;
    };
    struct Later
    {
        int ms = 0;
        QPointer<const QObject> context;
        bool hadContext = false;
        std::function<void()> then;
    };

    void toast(const QString &title, const QString &message, double duration) override
    {
        toasts << Toast{title, message, duration};
    }
    void play(SoundCue cue, float volume) override { cues << qMakePair(cue, volume); }
    void later(int ms, const QObject *context, std::function<void()> then) override
    {
        if (beforeLater)
            beforeLater(int(waits.size()));
        waits << ms;
        if (nextTurn)
            QTimer::singleShot(0, context, std::move(then));
        else
            pending << Later{ms, context, context != nullptr, std::move(then)};
    }

    // Runs the later work asked for so far (and what it asks for in turn), oldest first; work
    // whose context is gone is dropped, as the program's timers drop it.
    int runLater()
    {
        int ran = 0;
        while (!pending.isEmpty()) {
            const Later next = pending.takeFirst();
            if (!next.hadContext || next.context) {
                next.then();
                ++ran;
            }
        }
        return ran;
    }

    // Later work waits for `runLater`, or with `nextTurn` runs on the next turn of the event loop
    // whatever its delay.
    bool nextTurn = false;
    QList<int> waits; // every delay asked for, in order
    // Runs as later work is asked for, with how many delays came before it.
    std::function<void(int)> beforeLater;
    QList<Toast> toasts;
    QList<QPair<SoundCue, float>> cues;
    QList<Later> pending;
};

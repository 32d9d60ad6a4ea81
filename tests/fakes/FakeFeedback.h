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

    // Runs the pending work (and what it asks for), oldest first, dropping work whose context went.
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

    // With `nextTurn`, later work runs on the event loop's next turn instead, whatever its delay.
    bool nextTurn = false;
    QList<int> waits; // every delay asked for, in order
    // Runs as later work is asked for, with how many delays came before it.
    std::function<void(int)> beforeLater;
    QList<Toast> toasts;
    QList<QPair<SoundCue, float>> cues;
    QList<Later> pending;
};

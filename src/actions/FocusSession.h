#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <optional>

class Clock;
class ToolRunner;

// A 25-minute focus session: a countdown label ("24:59") that ticks once a second while it runs,
// and Do Not Disturb toggled through the user's Shortcuts as it starts and as it ends. Main
// thread only; the Shortcuts run on a pool of the session's own, one at a time and in order.
class FocusSession final : public QObject
{
    Q_OBJECT
public:
    static constexpr int minutes = 25;
    static constexpr double seconds = minutes * 60;

    // `shortcutsTool` is the Shortcuts program.
    FocusSession(const ToolRunner &tools, const Clock &clock, QString shortcutsTool,
                 QObject *parent = nullptr);
    ~FocusSession() override;

    const QString &label() const { return m_label; }
    bool active() const { return m_endsAt.has_value(); }
    // Uptime at which the session completes.
    std::optional<double> endsAt() const { return m_endsAt; }
    int pendingDoNotDisturbToggles() const { return m_dndPending; }

    void start();
    // Recounts the label; completes the session once its time is up.
    void tick();
    // Ends a running session; nothing without one.
    void stop(bool completed);

    // Whole seconds left of a session with `remaining` seconds to go, counted up ("0.2 s left"
    // is one second); 0 once it is over.
    static int secondsLeft(double remaining);
    // "M:SS" for a number of seconds ("25:00", "0:01").
    static QString labelFor(int seconds);

signals:
    void labelChanged(const QString &label);
    void activeChanged(bool active);
    // The session ended, run to its end or stopped.
    void ended(bool completed);
    // A Do Not Disturb toggle finished; `succeeded` when one of the Shortcuts ran cleanly.
    void doNotDisturbToggled(bool succeeded);

private:
    void setLabel(const QString &label);
    void toggleDoNotDisturb();

    const ToolRunner &m_tools;
    const Clock &m_clock;
    const QString m_shortcutsTool;
    QString m_label;
    std::optional<double> m_endsAt;
    QTimer m_timer;
    int m_dndPending = 0;
    // A pool of our own, not the global one: the global pool is waited for at exit, and a
    // Shortcut may take its time.
    QThreadPool m_shortcutRuns;
};

#pragma once

#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

#include <sys/types.h>

class Clock;
class QTimer;
class Screens;
class SystemStats;
class WindowSystem;
class Workspace;

// The window the HUD looks at: its owner and its frame in model coordinates (y up).
struct Gaze
{
    pid_t pid = 0;
    QRectF frame;

    bool operator==(const Gaze &) const = default;
};

// How hard the target works the machine, by its CPU use in percent of one core.
enum class Threat { inactive, friendly, active, strong, overwhelming, lethal };

// The application window under the pointer and its owning process: name, NPC badge, CPU and
// memory, and the window's frame for the target cursor. Polls the pointer every 0.15 s and
// samples the target's CPU every second, and only while the HUD is on screen. Main thread only.
class TargetMonitor final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name NOTIFY changed)
    Q_PROPERTY(bool isNPC READ isNPC NOTIFY changed)
    Q_PROPERTY(double cpuPercent READ cpuPercent NOTIFY changed)
    Q_PROPERTY(double memoryGB READ memoryGB NOTIFY changed)
    Q_PROPERTY(bool cramped READ cramped WRITE setCramped NOTIFY changed)

public:
    // A new process must stay under the pointer this long before it becomes the target.
    static constexpr double dwell = 0.35;
    // With nothing qualifying under the pointer, the gaze lingers this long before it clears.
    static constexpr double gazeLinger = 1.2;
    // While the pointer rests on a target, the window list is read only on every this-many-th
    // poll, or, where motion is reported, the polls themselves slow down by this much.
    static constexpr int restingScanEvery = 7;
    static constexpr int pollIntervalMs = 150;
    static constexpr int sampleIntervalMs = 1000;

    TargetMonitor(Screens &screens, WindowSystem &windows, Workspace &workspace, SystemStats &stats,
                  const Clock &clock, pid_t ownPid, QObject *parent = nullptr);
    ~TargetMonitor() override;

    static Threat threatFor(double cpuPercent);
    static QString label(Threat threat);

    QString name() const { return m_name; }
    bool isNPC() const { return m_isNPC; }
    double cpuPercent() const { return m_cpuPercent; }
    double memoryGB() const { return m_memoryGB; }
    const std::optional<Gaze> &gaze() const { return m_gaze; }
    bool cramped() const { return m_cramped; }
    void setCramped(bool cramped);

    Threat threat() const { return threatFor(m_cpuPercent); }
    // The share of the whole machine the target uses, 0 to 1.
    double load() const;

    // Starts both timers and polls at once when shown; stops them when hidden. The published
    // values stay as they were while hidden.
    void setHUDVisible(bool visible);
    bool isActive() const;

    // The timed work; the timers call these, and so do tests.
    void pollPointer();
    void sampleCPU();

    // The current target process, 0 for none.
    pid_t pid() const { return m_pid; }

signals:
    // name, isNPC, cpuPercent, memoryGB or cramped was assigned.
    void changed();
    void gazeChanged();
    // The pointer location (model coordinates), on every poll.
    void pointerPolled(QPointF pointer);

private:
    // One look under the pointer: the window list, the pending target, the gaze.
    void scan();
    // A new target is pending or a vanished one lingers: both are decided by time, so the
    // polls keep their rate.
    bool waiting() const;
    void switchTarget(pid_t pid);
    // Reads the target's counters; true when anything was published.
    bool sample();

    Screens &m_screens;
    WindowSystem &m_windows;
    Workspace &m_workspace;
    SystemStats &m_stats;
    const Clock &m_clock;
    const pid_t m_ownPid;
    const double m_cores;

    QTimer *m_cpuTimer = nullptr;
    QTimer *m_gazeTimer = nullptr;

    pid_t m_pid = 0;
    quint64 m_lastCPUNanos = 0;
    std::optional<double> m_lastSample; // uptime
    pid_t m_pendingPID = 0;
    double m_pendingSince = 0; // uptime
    double m_lastSeenWindow = 0; // uptime; the distant past at creation
    QPointF m_lastMouse;
    bool m_watchingPointer = false;
    bool m_knowsPointer = false;
    bool m_pointerMoved = false;
    int m_idleTicks = 0;
    bool m_lingering = false;

    QString m_name = QStringLiteral("Desktop");
    bool m_isNPC = false;
    double m_cpuPercent = 0;
    double m_memoryGB = 0;
    std::optional<Gaze> m_gaze;
    bool m_cramped = false;
};

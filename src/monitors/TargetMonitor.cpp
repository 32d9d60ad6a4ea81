#include "monitors/TargetMonitor.h"

#include "monitors/DesktopComponents.h"
#include "platform/Clock.h"
#include "platform/Geometry.h"
#include "platform/Logging.h"
#include "platform/Platform.h"
#include "platform/Screens.h"
#include "platform/SystemStats.h"
#include "platform/WindowSystem.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {
constexpr double kBytesPerGiB = 1073741824.0; // 2^30
constexpr double kMinWidth = 80; // a window must be wider than this
constexpr double kMinHeight = 60; // and taller than this
constexpr double kMinAlpha = 0.05; // and more opaque than this
const QString kUnknown = QStringLiteral("Unknown");

// The half-open rectangle test of the window list: a point on the right or bottom edge belongs
// to the neighbour, so two windows sharing an edge never both claim it.
bool hits(const QRectF &r, const QPointF &q)
{
    return q.x() >= r.left() && q.x() < r.left() + r.width() && q.y() >= r.top()
        && q.y() < r.top() + r.height();
}

// Menus, docks and overlays, slivers and invisible windows are never targets.
bool qualifies(const WindowInfo &w)
{
    if (w.layer != 0 || w.bounds.width() <= kMinWidth || w.bounds.height() <= kMinHeight)
        return false;
    return !(w.alpha && *w.alpha <= kMinAlpha);
}
} // namespace

TargetMonitor::TargetMonitor(Screens &screens, WindowSystem &windows, Workspace &workspace,
                             SystemStats &stats, const Clock &clock, pid_t ownPid, QObject *parent)
    : QObject(parent)
    , m_screens(screens)
    , m_windows(windows)
    , m_workspace(workspace)
    , m_stats(stats)
    , m_clock(clock)
    , m_ownPid(ownPid)
    , m_cores(double(std::max(1, stats.processorCount())))
    , m_cpuTimer(new QTimer(this))
    , m_gazeTimer(new QTimer(this))
    , m_pendingSince(clock.uptime())
    , m_lastSeenWindow(-std::numeric_limits<double>::infinity())
{
    m_cpuTimer->setInterval(sampleIntervalMs);
    // On the second, with the other readouts' polls.
    m_cpuTimer->setTimerType(Qt::VeryCoarseTimer);
    m_gazeTimer->setInterval(pollIntervalMs);
    connect(m_cpuTimer, &QTimer::timeout, this, &TargetMonitor::sampleCPU);
    connect(m_gazeTimer, &QTimer::timeout, this, &TargetMonitor::pollPointer);
    connect(&m_screens, &Screens::pointerMoved, this, [this] {
        m_pointerMoved = true;
        // A pointer that starts moving again is followed at the full rate at once.
        if (m_gazeTimer->isActive() && m_gazeTimer->interval() != pollIntervalMs) {
            m_gazeTimer->setTimerType(Qt::CoarseTimer);
            m_gazeTimer->start(pollIntervalMs);
        }
    });
}

TargetMonitor::~TargetMonitor() = default;

Threat TargetMonitor::threatFor(double cpuPercent)
{
    if (cpuPercent >= 600)
        return Threat::lethal;
    if (cpuPercent >= 300)
        return Threat::overwhelming;
    if (cpuPercent >= 150)
        return Threat::strong;
    if (cpuPercent >= 60)
        return Threat::active;
    if (cpuPercent >= 3)
        return Threat::friendly;
    return Threat::inactive;
}

QString TargetMonitor::label(Threat threat)
{
    switch (threat) {
    case Threat::inactive:
        return QStringLiteral("Idle");
    case Threat::friendly:
        return QStringLiteral("Friendly");
    case Threat::active:
        return QStringLiteral("Active");
    case Threat::strong:
        return QStringLiteral("Strong");
    case Threat::overwhelming:
        return QStringLiteral("Overwhelming");
    case Threat::lethal:
        return QStringLiteral("Lethal");
    }
    return QStringLiteral("Idle");
}

double TargetMonitor::load() const
{
    return std::clamp(m_cpuPercent / (m_cores * 100.0), 0.0, 1.0);
}

void TargetMonitor::setCramped(bool cramped)
{
    // The controller writes this on every placement; only a real change is worth a repaint.
    if (m_cramped == cramped)
        return;
    m_cramped = cramped;
    emit changed();
}

void TargetMonitor::setHUDVisible(bool visible)
{
    m_cpuTimer->stop();
    m_gazeTimer->stop();
    if (m_watchingPointer) {
        m_watchingPointer = false;
        m_screens.stopPointerWatch();
    }
    m_knowsPointer = false;
    if (!visible)
        return;
    // Where the screens report motion, a poll without any reported move knows the pointer is
    // where it was and does not ask the X server.
    if (m_screens.watchesPointer()) {
        m_watchingPointer = true;
        m_screens.startPointerWatch();
    }
    m_cpuTimer->start();
    m_gazeTimer->setTimerType(Qt::CoarseTimer);
    m_gazeTimer->start(pollIntervalMs);
    pollPointer();
}

bool TargetMonitor::isActive() const
{
    return m_gazeTimer->isActive() || m_cpuTimer->isActive();
}

void TargetMonitor::pollPointer()
{
    const pid_t before = m_pid;
    const std::optional<Gaze> gazeBefore = m_gaze;
    const QPointF mouseBefore = m_lastMouse;
    scan();
    // Where motion is reported, a pointer resting on a settled target needs no poll until it
    // moves but the one that notices a window closing or moving under it; while a new target
    // is pending or a gaze lingers, polls keep their rate.
    const bool settled = m_watchingPointer && m_lastMouse == mouseBefore && !waiting()
        && m_gaze == gazeBefore && m_pid == before;
    const int interval = settled ? pollIntervalMs * restingScanEvery : pollIntervalMs;
    if (m_gazeTimer->isActive() && m_gazeTimer->interval() != interval) {
        // A resting pointer's poll goes on the second, with the CPU sample.
        m_gazeTimer->setTimerType(settled ? Qt::VeryCoarseTimer : Qt::CoarseTimer);
        m_gazeTimer->setInterval(interval);
    }
}

void TargetMonitor::scan()
{
    QPointF p = m_lastMouse;
    // Motion reports cover what a device does; a pointer warped by a program reports nothing,
    // so the slow polls of a resting pointer ask where it is.
    const bool slowPoll = m_gazeTimer->interval() != pollIntervalMs;
    if (!m_watchingPointer || !m_knowsPointer || m_pointerMoved || slowPoll) {
        p = m_screens.pointerLocation();
        m_knowsPointer = true;
        m_pointerMoved = false;
    }
    emit pointerPolled(p);

    // A resting pointer over a target rarely finds anything new; reading the window list on
    // every poll would cost the X server a round trip six times a second for nothing.
    if (p == m_lastMouse && !waiting() && m_gazeTimer->interval() == pollIntervalMs) {
        ++m_idleTicks;
        if (m_idleTicks % restingScanEvery != 0)
            return;
    } else {
        m_idleTicks = 0;
    }
    m_lastMouse = p;

    const double height = m_screens.mainScreen().frame.height();
    const QPointF q = YUp::flip(p, height);

    const std::optional<QList<WindowInfo>> list = m_windows.windowList();
    if (!list)
        return;

    const WindowInfo *target = nullptr;
    bool overOwnWindow = false;
    for (const WindowInfo &w : *list) {
        // A window system that tells no frames lists the active window alone, without
        // bounds: it is the target wherever the pointer is, and no frame is marked.
        const bool framed = w.bounds.isValid();
        if (w.pid <= 0 || (framed && !hits(w.bounds, q)))
            continue;
        if (w.pid == m_ownPid) {
            // Our panels float over other apps; what lies beneath stays the target.
            overOwnWindow = overOwnWindow || framed;
            continue;
        }
        if (framed ? !qualifies(w) : w.layer != 0)
            continue;
        target = &w;
        break;
    }

    const double now = m_clock.uptime();
    m_lingering = false;
    if (!target) {
        if (overOwnWindow)
            return;
        if (m_gaze && now - m_lastSeenWindow > gazeLinger) {
            m_gaze.reset();
            emit gazeChanged();
        }
        m_lingering = m_gaze.has_value();
        return;
    }

    m_lastSeenWindow = now;
    if (target->pid != m_pid) {
        if (target->pid != m_pendingPID) {
            m_pendingPID = target->pid;
            m_pendingSince = now;
        }
        // Sweeping the pointer across other windows on the way somewhere must not flick the
        // target cursor about.
        if (now - m_pendingSince < dwell)
            return;
        switchTarget(target->pid);
    }

    std::optional<Gaze> gaze;
    if (target->bounds.isValid())
        gaze = Gaze{m_pid, YUp::flip(target->bounds, height)};
    if (m_gaze == gaze)
        return;
    m_gaze = gaze;
    emit gazeChanged();
}

bool TargetMonitor::waiting() const
{
    return m_lingering || m_pendingPID != m_pid;
}

void TargetMonitor::switchTarget(pid_t pid)
{
    m_pid = pid;
    m_lastCPUNanos = 0;
    m_lastSample.reset();
    m_cpuPercent = 0;

    const std::optional<RunningApp> app = m_workspace.application(pid);
    m_name = app && !app->name.isEmpty() ? app->name : kUnknown;
    m_isNPC = app && DesktopComponents::isNPC(*app);
    qCDebug(lcMonitors) << "target is now" << m_name << "pid" << pid;

    // Priming the counters now gives the memory at once and a CPU figure one second later.
    sample();
    emit changed();
}

void TargetMonitor::sampleCPU()
{
    if (sample())
        emit changed();
}

bool TargetMonitor::sample()
{
    if (m_pid < 1)
        return false;
    // A process that has gone keeps its last figures until the pointer finds another.
    const std::optional<ProcessTaskInfo> info = m_stats.taskInfo(m_pid);
    if (!info)
        return false;

    const quint64 nanos = info->cpuNanos;
    const double now = m_clock.uptime();
    if (m_lastSample && m_lastCPUNanos != 0 && m_lastCPUNanos <= nanos) {
        const double dt = now - *m_lastSample;
        if (dt > 0)
            m_cpuPercent = double(nanos - m_lastCPUNanos) / (dt * 1e9) * 100.0;
    }
    m_lastCPUNanos = nanos;
    m_lastSample = now;
    m_memoryGB = info->residentBytes / kBytesPerGiB;
    return true;
}

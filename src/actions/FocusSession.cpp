#include "actions/FocusSession.h"

#include "actions/ShortcutsTool.h"
#include "platform/Clock.h"
#include "platform/Logging.h"
#include "platform/OffThread.h"

#include <utility>

namespace {
const QString kIdleLabel = QStringLiteral("25 MIN");
} // namespace

FocusSession::FocusSession(const ToolRunner &tools, const Clock &clock, QString shortcutsTool,
                           QObject *parent)
    : QObject(parent)
    , m_tools(tools)
    , m_clock(clock)
    , m_shortcutsTool(std::move(shortcutsTool))
    , m_label(kIdleLabel)
{
    m_shortcutRuns.setMaxThreadCount(1);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &FocusSession::tick);
}

FocusSession::~FocusSession() = default;

int FocusSession::secondsLeft(double remaining)
{
    // Counted in whole milliseconds first: the end time is now + 1500 in floating point, and
    // reading it back can come out a hair over 1500, which must not show as 25:01.
    const qint64 ms = qRound64(remaining * 1000.0);
    return ms <= 0 ? 0 : int((ms + 999) / 1000);
}

QString FocusSession::labelFor(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void FocusSession::setLabel(const QString &label)
{
    if (label == m_label)
        return;
    m_label = label;
    emit labelChanged(m_label);
}

void FocusSession::start()
{
    if (m_endsAt)
        return;
    m_endsAt = m_clock.uptime() + seconds;
    emit activeChanged(true);
    toggleDoNotDisturb();
    tick();
    m_timer.start();
}

void FocusSession::tick()
{
    if (!m_endsAt)
        return;
    const int left = secondsLeft(*m_endsAt - m_clock.uptime());
    if (left >= 1)
        setLabel(labelFor(left));
    else
        stop(true);
}

void FocusSession::stop(bool completed)
{
    // Without a session there is nothing to stop, and toggling Do Not Disturb would turn it on.
    if (!m_endsAt)
        return;
    m_timer.stop();
    m_endsAt.reset();
    emit activeChanged(false);
    setLabel(kIdleLabel);
    toggleDoNotDisturb();
    emit ended(completed);
}

// Off the main thread, so a Shortcut that takes its time never freezes the HUD; one after the
// other, so two quick toggles reach the desktop in the order they were made.
void FocusSession::toggleDoNotDisturb()
{
    ++m_dndPending;
    OffThread::run(
        m_shortcutRuns, this,
        [tools = &m_tools, program = m_shortcutsTool] {
            return ShortcutsTool::toggleDoNotDisturb(*tools, program);
        },
        [this](bool succeeded) {
            qCDebug(lcActions) << "Do Not Disturb toggle" << (succeeded ? "ran" : "failed");
            --m_dndPending;
            emit doNotDisturbToggled(succeeded);
        });
}

#include "monitors/SelfCostMeter.h"

#include "platform/Clock.h"

#include <algorithm>

namespace {

QString percentText(double percent)
{
    // Small shares keep a second decimal, so 0.04 % does not read as nothing.
    return QString::number(percent, 'f', percent < 0.1 ? 2 : 1);
}

} // namespace

SelfCostMeter::SelfCostMeter(const Clock &clock, std::function<SelfUsage()> read)
    : m_clock(clock)
    , m_read(std::move(read))
{
    // The start is the first baseline, so a figure asked for early covers the time since.
    keep(take());
}

SelfCostMeter::Sample SelfCostMeter::take()
{
    return {m_clock.uptime(), m_read()};
}

void SelfCostMeter::keep(const Sample &sample)
{
    m_samples.push_back(sample);
    // Only the newest sample at least a minute old is ever a baseline: older ones go.
    while (m_samples.size() > 1 && sample.at - m_samples[1].at >= windowSeconds)
        m_samples.pop_front();
}

void SelfCostMeter::noteTick()
{
    if (m_clock.uptime() - m_samples.back().at >= sampleEverySeconds)
        keep(take());
}

SelfCostMeter::Figures SelfCostMeter::figures()
{
    // Asked often (the menu's lines, the live setup check), a figure keeps a sample only as
    // often as the tick would.
    const Sample now = take();
    if (now.at - m_samples.back().at >= sampleEverySeconds)
        keep(now);
    const Sample &base = m_samples.front();
    Figures f;
    f.residentMB = double(now.usage.residentBytes) / (1024.0 * 1024.0);
    f.spanSeconds = now.at - base.at;
    if (f.spanSeconds > 0) {
        f.cpuPercent
            = std::max<qint64>(0, now.usage.cpuMicros - base.usage.cpuMicros) / 1e4 / f.spanSeconds;
        f.wakeupsPerSecond = double(std::max<qint64>(
                                 0, now.usage.voluntarySwitches - base.usage.voluntarySwitches))
            / f.spanSeconds;
    }
    return f;
}

QString SelfCostMeter::costText(const Figures &f)
{
    return QStringLiteral("%1 % of a core, %2 MB")
        .arg(percentText(f.cpuPercent))
        .arg(qRound(f.residentMB));
}

QString SelfCostMeter::wakeupText(const Figures &f)
{
    return QStringLiteral("%1 wake-ups a second over the last %2 s")
        .arg(QString::number(f.wakeupsPerSecond, 'f', 1))
        .arg(qRound(f.spanSeconds));
}

QString SelfCostMeter::line(const Figures &f)
{
    return QStringLiteral("Kaidro itself: ") + costText(f);
}

#pragma once

#include "platform/SelfUsage.h"

#include <QString>

#include <deque>
#include <functional>

class Clock;

// What Kaidro itself costs the machine over the last minute: its share of one core, its
// wake-ups a second and the memory it holds. Samples are taken on the readouts' own tick (one
// every `sampleEverySeconds`), so nothing runs for it while the HUD is hidden; a figure asked for
// takes a sample of its own and is measured against the one nearest a minute before. Main thread.
class SelfCostMeter
{
public:
    static constexpr double windowSeconds = 60;
    static constexpr double sampleEverySeconds = 10;

    struct Figures
    {
        double cpuPercent = 0; // of one core
        double wakeupsPerSecond = 0;
        double residentMB = 0;
        double spanSeconds = 0; // what the rates are measured over
    };

    explicit SelfCostMeter(const Clock &clock, std::function<SelfUsage()> read = &readSelfUsage);

    // The readouts ticked: keeps a sample when the last kept one is old enough.
    void noteTick();
    Figures figures();

    // "0.2 % of a core, 31 MB"
    static QString costText(const Figures &figures);
    // "13.0 wake-ups a second over the last 60 s"
    static QString wakeupText(const Figures &figures);
    // "Kaidro itself: 0.2 % of a core, 31 MB"
    static QString line(const Figures &figures);

private:
    struct Sample
    {
        double at = 0;
        SelfUsage usage;
    };
    Sample take();
    void keep(const Sample &sample);

    const Clock &m_clock;
    std::function<SelfUsage()> m_read;
    std::deque<Sample> m_samples; // oldest first
};

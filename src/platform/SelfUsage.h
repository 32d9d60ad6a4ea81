#pragma once

#include <QtGlobal>

// What this process has used since it started, read in one go: run time of all its threads
// (those that ended included), the sleeps that ended (voluntary context switches) and the memory
// resident now.
struct SelfUsage
{
    qint64 cpuMicros = 0;
    qint64 voluntarySwitches = 0;
    qint64 residentBytes = 0;
};

// One system call and one small /proc read; cheap enough for any timer.
SelfUsage readSelfUsage();

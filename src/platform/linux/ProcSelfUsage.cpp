#include "platform/SelfUsage.h"

#include <cstdio>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

SelfUsage readSelfUsage()
{
    SelfUsage usage;
    rusage r{};
    if (getrusage(RUSAGE_SELF, &r) == 0) {
        usage.cpuMicros = qint64(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000000
            + r.ru_utime.tv_usec + r.ru_stime.tv_usec;
        usage.voluntarySwitches = r.ru_nvcsw;
    }
    // statm: total and resident pages, first two fields.
    const int fd = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char text[128];
        const ssize_t n = read(fd, text, sizeof text - 1);
        close(fd);
        long long total = 0, resident = 0;
        if (n > 0) {
            text[n] = '\0';
            if (std::sscanf(text, "%lld %lld", &total, &resident) == 2)
                usage.residentBytes = resident * sysconf(_SC_PAGESIZE);
        }
    }
    return usage;
}

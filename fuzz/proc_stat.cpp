#include "FuzzSupport.h"

#include "platform/linux/ProcSystemStats.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::application();
    return 0;
}

// /proc/stat: the aggregate CPU line.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString root = Fuzz::scratch();
    static ProcSystemStats stats(root + QStringLiteral("/proc"), root + QStringLiteral("/sys"),
                                 root);
    Fuzz::write(root + QStringLiteral("/proc/stat"), Fuzz::bytes(data, size));
    (void)stats.cpuTicks();
    return 0;
}

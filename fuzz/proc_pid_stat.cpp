#include "FuzzSupport.h"

#include "platform/linux/ProcSystemStats.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::application();
    return 0;
}

// /proc/PID/stat and /proc/PID/statm of the app under the pointer (the two cut at a NUL).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString root = Fuzz::scratch();
    static ProcSystemStats stats(root + QStringLiteral("/proc"), root + QStringLiteral("/sys"),
                                 root);
    const QList<QByteArray> files = Fuzz::pieces(Fuzz::bytes(data, size), 2);
    Fuzz::write(root + QStringLiteral("/proc/4242/stat"), files[0]);
    Fuzz::write(root + QStringLiteral("/proc/4242/statm"), files[1]);
    if (const std::optional<ProcessTaskInfo> info = stats.taskInfo(4242))
        Fuzz::require(info->residentBytes == info->residentBytes, "resident memory is a number");
    return 0;
}

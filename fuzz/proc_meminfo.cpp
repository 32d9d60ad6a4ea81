#include "FuzzSupport.h"

#include "platform/linux/ProcSystemStats.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::application();
    return 0;
}

// /proc/meminfo: total and available memory, read at start and at every sample.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString root = Fuzz::scratch();
    Fuzz::write(root + QStringLiteral("/proc/meminfo"), Fuzz::bytes(data, size));
    const ProcSystemStats stats(root + QStringLiteral("/proc"), root + QStringLiteral("/sys"),
                                root);
    Fuzz::require(stats.physicalMemoryBytes() >= 0, "physical memory is not negative");
    if (const std::optional<MemoryFigures> memory = stats.memory())
        Fuzz::require(memory->usedBytes >= 0 && memory->usedBytes <= memory->totalBytes,
                      "used memory lies within the total");
    return 0;
}

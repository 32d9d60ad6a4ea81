#include "FuzzSupport.h"

#include "platform/linux/ProcSystemStats.h"

#include <array>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::application();
    return 0;
}

// /sys/class/power_supply: a battery's and a mains adapter's attributes, cut at NULs in the
// order below; an empty piece is a missing attribute.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::array<const char *, 11> attributes{
        "BAT0/type",        "BAT0/scope",      "BAT0/present",     "BAT0/status",
        "BAT0/capacity",    "BAT0/energy_now", "BAT0/energy_full", "BAT0/charge_now",
        "BAT0/charge_full", "AC/type",         "AC/status",
    };
    const QString root = Fuzz::scratch();
    static ProcSystemStats stats(root + QStringLiteral("/proc"), root + QStringLiteral("/sys"),
                                 root);
    const QString folder = root + QStringLiteral("/sys/class/power_supply/");
    const QList<QByteArray> values = Fuzz::pieces(Fuzz::bytes(data, size), int(attributes.size()));
    for (size_t i = 0; i < attributes.size(); ++i) {
        const QString path = folder + QLatin1String(attributes[i]);
        if (values[qsizetype(i)].isEmpty())
            QFile::remove(path);
        else
            Fuzz::write(path, values[qsizetype(i)]);
    }
    if (const auto sources = stats.powerSources())
        Fuzz::require(sources->size() <= 2, "one source per device");
    return 0;
}

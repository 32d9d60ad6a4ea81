#include "FuzzSupport.h"

#include "platform/linux/ProcSystemStats.h"

#include <array>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::application();
    return 0;
}

// /sys/class/thermal: two zones' temperatures and trip points, cut at NULs in the order below;
// an empty piece is a missing attribute.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::array<const char *, 8> attributes{
        "thermal_zone0/temp",
        "thermal_zone0/trip_point_0_type",
        "thermal_zone0/trip_point_0_temp",
        "thermal_zone0/trip_point_1_type",
        "thermal_zone0/trip_point_1_temp",
        "thermal_zone1/temp",
        "thermal_zone1/trip_point_0_type",
        "thermal_zone1/trip_point_0_temp",
    };
    const QString root = Fuzz::scratch();
    const QString folder = root + QStringLiteral("/sys/class/thermal/");
    const QList<QByteArray> values = Fuzz::pieces(Fuzz::bytes(data, size), int(attributes.size()));
    for (size_t i = 0; i < attributes.size(); ++i) {
        const QString path = folder + QLatin1String(attributes[i]);
        if (values[qsizetype(i)].isEmpty())
            QFile::remove(path);
        else
            Fuzz::write(path, values[qsizetype(i)]);
    }
    ProcSystemStats stats(root + QStringLiteral("/proc"), root + QStringLiteral("/sys"), root);
    stats.checkThermal();
    (void)stats.thermalState();
    return 0;
}

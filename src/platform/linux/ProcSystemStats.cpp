#include "platform/linux/ProcSystemStats.h"

#include "platform/linux/BoundedRead.h"

#include <QByteArrayView>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

#include <dirent.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {
constexpr int kThermalCheckMs = 5000;
constexpr qint64 kSmallFileLimit = 4096;
constexpr qint64 kMeminfoLimit = 16384;
constexpr int kMaxTripPoints = 32;
// Every this many readings of the power sources list their folder again.
constexpr int kPowerListingEvery = 30;

std::optional<QByteArray> readSmall(const QString &path, qint64 limit = kSmallFileLimit)
{
    return readSmallFile(path, limit);
}

std::optional<qint64> parseInteger(QByteArrayView text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<qint64> readInteger(const QString &path)
{
    const std::optional<QByteArray> data = readSmall(path);
    return data ? parseInteger(*data) : std::nullopt;
}

std::optional<QByteArray> readWord(const QString &path)
{
    const std::optional<QByteArray> data = readSmall(path);
    if (!data)
        return std::nullopt;
    return data->trimmed();
}

// The whitespace-separated fields of `text` in order, without copying: the readouts parse a
// few of these lines every second.
class Fields
{
public:
    explicit Fields(QByteArrayView text)
        : m_text(text)
    { }
    // The next field, or an empty view at the end.
    QByteArrayView next()
    {
        const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
        while (m_at < m_text.size() && blank(m_text[m_at]))
            ++m_at;
        const qsizetype start = m_at;
        while (m_at < m_text.size() && !blank(m_text[m_at]))
            ++m_at;
        return m_text.sliced(start, m_at - start);
    }

private:
    QByteArrayView m_text;
    qsizetype m_at = 0;
};

// The aggregate line of /proc/stat: "cpu  user nice system idle iowait irq softirq steal ...".
// Guest time is already counted inside user and nice, so the fields after steal are left out.
std::optional<CpuTicks> parseCpuLine(QByteArrayView stat)
{
    const qsizetype end = stat.indexOf('\n');
    const QByteArrayView line = end >= 0 ? stat.first(end) : stat;
    if (!line.startsWith("cpu "))
        return std::nullopt;
    Fields fields(line.sliced(4));
    std::array<quint64, 8> v{};
    size_t count = 0;
    for (QByteArrayView field = fields.next(); !field.isEmpty() && count < v.size();
         field = fields.next()) {
        bool ok = false;
        v[count++] = field.toULongLong(&ok);
        if (!ok)
            return std::nullopt;
    }
    if (count < 4)
        return std::nullopt;
    CpuTicks ticks;
    ticks.user = v[0];
    ticks.nice = v[1];
    ticks.system = v[2] + v[5] + v[6] + v[7];
    ticks.idle = v[3] + v[4];
    return ticks;
}

// "MemTotal:       16314440 kB" and its siblings, in bytes.
struct Meminfo
{
    std::optional<double> total;
    std::optional<double> available;
};

Meminfo parseMeminfo(QByteArrayView text)
{
    Meminfo info;
    for (qsizetype start = 0; start < text.size() && !(info.total && info.available);) {
        const qsizetype end = text.indexOf('\n', start);
        const QByteArrayView line = text.sliced(start, (end < 0 ? text.size() : end) - start);
        start = end < 0 ? text.size() : end + 1;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArrayView key = line.first(colon);
        std::optional<double> *slot = nullptr;
        if (key == "MemTotal")
            slot = &info.total;
        else if (key == "MemAvailable")
            slot = &info.available;
        if (!slot)
            continue;
        QByteArrayView value = line.sliced(colon + 1).trimmed();
        if (value.endsWith("kB"))
            value.chop(2);
        const std::optional<qint64> kib = parseInteger(value);
        if (kib && *kib >= 0)
            *slot = double(*kib) * 1024.0;
    }
    return info;
}

// The zone's trip points, lowest temperature per kind. Drivers park unused trips at zero or
// below, which must not count as "already over".
struct TripPoints
{
    std::optional<qint64> critical;
    std::optional<qint64> hot;
    std::optional<qint64> passive;
};

TripPoints readTripPoints(const QString &zone)
{
    TripPoints trips;
    for (int n = 0; n < kMaxTripPoints; ++n) {
        const QString prefix = zone + QStringLiteral("/trip_point_%1_").arg(n);
        const std::optional<QByteArray> type = readWord(prefix + QStringLiteral("type"));
        if (!type)
            break;
        const std::optional<qint64> temp = readInteger(prefix + QStringLiteral("temp"));
        if (!temp || *temp <= 0)
            continue;
        std::optional<qint64> *slot = nullptr;
        if (*type == "critical")
            slot = &trips.critical;
        else if (*type == "hot")
            slot = &trips.hot;
        else if (*type == "passive")
            slot = &trips.passive;
        if (slot && (!*slot || *temp < **slot))
            *slot = temp;
    }
    return trips;
}

ThermalState stateFor(qint64 temp, const TripPoints &trips)
{
    if (trips.critical && temp >= *trips.critical)
        return ThermalState::critical;
    if (trips.hot && temp >= *trips.hot)
        return ThermalState::serious;
    if (trips.passive && temp >= *trips.passive)
        return ThermalState::fair;
    return ThermalState::nominal;
}

// The charge as `capacity` (percent), else as energy (µWh) or charge (µAh) against full; the
// latter two are what some batteries offer without a percentage.
void readCharge(const QString &device, PowerSource &source)
{
    if (const std::optional<qint64> percent = readInteger(device + QStringLiteral("capacity"))) {
        source.currentCapacity = double(*percent);
        source.maxCapacity = 100;
        return;
    }
    for (const auto &[now, full] :
         {std::pair{"energy_now", "energy_full"}, std::pair{"charge_now", "charge_full"}}) {
        const std::optional<qint64> current = readInteger(device + QLatin1String(now));
        const std::optional<qint64> max = readInteger(device + QLatin1String(full));
        if (current && max) {
            source.currentCapacity = double(*current);
            source.maxCapacity = double(*max);
            return;
        }
    }
}
} // namespace

ProcSystemStats::ProcSystemStats(QString procRoot, QString sysRoot, QString homePath,
                                 QObject *parent)
    : SystemStats(parent)
    , m_procRoot(std::move(procRoot))
    , m_sysRoot(std::move(sysRoot))
    , m_homePath(std::move(homePath))
    , m_thermalTimer(new QTimer(this))
{
    if (const std::optional<QByteArray> text
        = readSmall(m_procRoot + QStringLiteral("/meminfo"), kMeminfoLimit))
        m_physicalMemoryBytes = parseMeminfo(*text).total.value_or(0);
    // The zones are the machine's sensors: listed once, read at every check.
    const QDir thermal(m_sysRoot + QStringLiteral("/class/thermal"));
    for (const QString &name : thermal.entryList(QDir::Dirs | QDir::System, QDir::Name)) {
        if (name.startsWith(QLatin1String("thermal_zone"), Qt::CaseInsensitive))
            m_thermalZones << thermal.filePath(name);
    }
    m_thermal = readThermal();
    // Linux sends no notification when a zone crosses a trip point that userspace could wait
    // on cheaply, so the zones are polled; a machine without any has nothing to poll.
    m_thermalTimer->setInterval(kThermalCheckMs);
    m_thermalTimer->setTimerType(Qt::VeryCoarseTimer); // on the second, with the readouts
    connect(m_thermalTimer, &QTimer::timeout, this, &ProcSystemStats::checkThermal);
    if (!m_thermalZones.isEmpty())
        m_thermalTimer->start();
}

std::optional<CpuTicks> ProcSystemStats::cpuTicks() const
{
    // The aggregate line comes first; the per-CPU lines and the long interrupt line after it
    // are not needed.
    const std::optional<QByteArray> head = readSmall(m_procRoot + QStringLiteral("/stat"), 512);
    return head ? parseCpuLine(*head) : std::nullopt;
}

std::optional<MemoryFigures> ProcSystemStats::memory() const
{
    const std::optional<QByteArray> text
        = readSmall(m_procRoot + QStringLiteral("/meminfo"), kMeminfoLimit);
    if (!text)
        return std::nullopt;
    const Meminfo info = parseMeminfo(*text);
    if (!info.total || !info.available)
        return std::nullopt;
    return MemoryFigures{std::max(0.0, *info.total - *info.available), *info.total};
}

void ProcSystemStats::listPowerSupplies() const
{
    m_supplies.clear();
    m_suppliesListed = false;
    m_readsSinceListing = 0;
    const QString folder = m_sysRoot + QStringLiteral("/class/power_supply/");
    DIR *listing = ::opendir(QFile::encodeName(folder).constData());
    if (!listing) {
        // A machine without any power supply class device has no such folder.
        m_suppliesListed = errno == ENOENT;
        return;
    }
    QStringList names;
    while (const dirent *entry = ::readdir(listing)) {
        if (entry->d_name[0] != '.')
            names << QFile::decodeName(entry->d_name);
    }
    ::closedir(listing);
    names.sort();
    for (const QString &name : std::as_const(names)) {
        const QString device = folder + name + QLatin1Char('/');
        const std::optional<QByteArray> type = readWord(device + QStringLiteral("type"));
        if (!type || type->isEmpty())
            continue;
        // A wireless mouse or keyboard reports its battery with scope "Device".
        const bool battery
            = *type == "Battery" && readWord(device + QStringLiteral("scope")) != "Device";
        m_supplies << PowerSupply{device, battery};
    }
    m_suppliesListed = true;
}

std::optional<QList<PowerSource>> ProcSystemStats::powerSources() const
{
    // What supplies there are and of which kind changes only when one is plugged in or taken
    // out: the folder is listed now and then, the changing figures are read every time.
    bool listedNow = !m_suppliesListed || ++m_readsSinceListing >= kPowerListingEvery;
    if (listedNow)
        listPowerSupplies();
    for (;;) {
        if (!m_suppliesListed)
            return std::nullopt;
        QList<PowerSource> sources;
        bool vanished = false;
        for (const PowerSupply &supply : std::as_const(m_supplies)) {
            PowerSource source;
            // An empty bay of a machine with a second, removable battery reports present 0.
            const std::optional<QByteArray> present
                = readWord(supply.device + QStringLiteral("present"));
            source.internalBattery = supply.battery && present != "0";
            const std::optional<QByteArray> status
                = readWord(supply.device + QStringLiteral("status"));
            source.isCharging = status == "Charging";
            if (source.internalBattery) {
                readCharge(supply.device, source);
                vanished = vanished || (!present && !status && !source.currentCapacity);
            }
            sources << source;
        }
        // A battery that answers nothing at all may have gone since the listing.
        if (!vanished || listedNow)
            return sources;
        listPowerSupplies();
        listedNow = true;
    }
}

ThermalState ProcSystemStats::readThermal() const
{
    std::optional<qint64> hottest;
    QString hottestZone;
    for (const QString &zone : m_thermalZones) {
        const std::optional<qint64> temp = readInteger(zone + QStringLiteral("/temp"));
        if (temp && (!hottest || *temp > *hottest)) {
            hottest = temp;
            hottestZone = zone;
        }
    }
    if (!hottest)
        return ThermalState::nominal;
    return stateFor(*hottest, readTripPoints(hottestZone));
}

void ProcSystemStats::checkThermal()
{
    const ThermalState state = readThermal();
    if (state == m_thermal)
        return;
    m_thermal = state;
    emit thermalStateChanged();
}

std::optional<VolumeCapacity> ProcSystemStats::homeVolume() const
{
    struct statvfs fs
    {
    };
    if (::statvfs(QFile::encodeName(m_homePath).constData(), &fs) != 0)
        return std::nullopt;
    const double block = double(fs.f_frsize);
    return VolumeCapacity{double(fs.f_bavail) * block, double(fs.f_blocks) * block};
}

std::optional<ProcessTaskInfo> ProcSystemStats::taskInfo(pid_t pid) const
{
    if (pid <= 0)
        return std::nullopt;
    // One read: the resident pages are in stat too (field 24), counted as statm counts them.
    const std::optional<QByteArray> stat
        = readSmall(m_procRoot + QLatin1Char('/') + QString::number(pid) + QStringLiteral("/stat"));
    if (!stat)
        return std::nullopt;
    // The command name sits in parentheses and may hold spaces or parentheses itself; the
    // numeric fields start after the last ')', at field 3 (the state).
    const qsizetype close = stat->lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    Fields fields(QByteArrayView(*stat).sliced(close + 1));
    constexpr int kUtime = 14;
    constexpr int kRss = 24;
    for (int skipped = 3; skipped < kUtime; ++skipped)
        fields.next();
    const std::optional<qint64> utime = parseInteger(fields.next());
    const std::optional<qint64> stime = parseInteger(fields.next());
    for (int skipped = kUtime + 2; skipped < kRss; ++skipped)
        fields.next();
    const std::optional<qint64> resident = parseInteger(fields.next());
    if (!utime || !stime || !resident)
        return std::nullopt;
    const long ticks = ::sysconf(_SC_CLK_TCK);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    ProcessTaskInfo info;
    info.cpuNanos = quint64(*utime + *stime) * (1000000000ULL / quint64(ticks > 0 ? ticks : 100));
    info.residentBytes = double(*resident) * double(pageSize > 0 ? pageSize : 4096);
    return info;
}

int ProcSystemStats::processorCount() const
{
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? int(online) : 1;
}

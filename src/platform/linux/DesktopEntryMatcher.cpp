#include "platform/linux/DesktopEntryMatcher.h"

#include "platform/linux/DesktopEntryFile.h"
#include "platform/linux/DesktopEntryLaunch.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

namespace {

std::optional<DesktopEntry> readEntry(const QString &path, const QString &id, QString *wmClass,
                                      QString *executable)
{
    const std::optional<DesktopEntryFile> file = DesktopEntryFile::read(path);
    if (!file || file->hidden)
        return std::nullopt;
    if (wmClass)
        *wmClass = file->startupWMClass;
    if (executable)
        *executable = file->executable;
    return DesktopEntry{id, file->fullName, file->filePath, file->iconName};
}

QString withoutSuffix(const QString &id)
{
    return id.endsWith(QLatin1String(".desktop")) ? id.chopped(8) : id;
}

// "org.gnome.Nautilus" → "Nautilus": reverse-domain ids often end in the class name.
QString lastComponent(const QString &id)
{
    const qsizetype dot = id.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? id.mid(dot + 1) : QString();
}

} // namespace

DesktopEntryMatcher::DesktopEntryMatcher(QStringList applicationFolders)
    : m_folders(std::move(applicationFolders))
{ }

QStringList DesktopEntryMatcher::defaultFolders()
{
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList out{home + QStringLiteral("/applications")};
    for (const QString &dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        out << dir + QStringLiteral("/applications");
    out.removeDuplicates();
    return out;
}

DesktopEntryMatcher::~DesktopEntryMatcher() = default;

void DesktopEntryMatcher::preload()
{
    if (m_loaded || m_preload.valid())
        return;
    m_preload = std::async(std::launch::async | std::launch::deferred,
                           [folders = m_folders] { return read(folders, stampsOf(folders)); });
}

QList<QDateTime> DesktopEntryMatcher::stampsOf(const QStringList &folders)
{
    QList<QDateTime> stamps;
    for (const QString &folder : folders)
        stamps << QFileInfo(folder).lastModified();
    return stamps;
}

DesktopEntryMatcher::Reading DesktopEntryMatcher::read(const QStringList &folders,
                                                       QList<QDateTime> stamps)
{
    Reading out{std::move(stamps), {}};
    // An id found in an earlier folder hides the same id further on, hidden entries included.
    QSet<QString> seen;
    for (const QString &folder : folders) {
        const QDir root(folder);
        // Entries are told by their ending here, not by a name filter, which would compile a
        // wildcard pattern at start.
        QDirIterator it(folder, QDir::Files,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!path.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive))
                continue;
            const QString id = withoutSuffix(root.relativeFilePath(path))
                                   .replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id))
                continue;
            seen.insert(id);
            Record record;
            if (std::optional<DesktopEntry> entry
                = readEntry(path, id, &record.startupWMClass, &record.executable)) {
                record.entry = *entry;
                out.records << record;
            }
        }
    }
    return out;
}

void DesktopEntryMatcher::refresh() const
{
    // The stamps a preload took before reading: a folder changed while it read is read again.
    std::optional<Reading> reading;
    if (m_preload.valid())
        reading = m_preload.get();
    QList<QDateTime> stamps = stampsOf(m_folders);
    if (!reading && m_loaded && stamps == m_stamps)
        return;
    if (!reading || reading->stamps != stamps)
        reading = read(m_folders, std::move(stamps));
    m_stamps = std::move(reading->stamps);
    m_records = std::move(reading->records);
    m_loaded = true;
    m_cache.clear();
}

std::optional<DesktopEntry> DesktopEntryMatcher::match(const QByteArray &gtkApplicationId,
                                                       const QByteArray &instanceName,
                                                       const QByteArray &className,
                                                       const QString &executable) const
{
    refresh();
    const QString key = QString::fromUtf8(gtkApplicationId) + QLatin1Char('\n')
        + QString::fromUtf8(instanceName) + QLatin1Char('\n') + QString::fromUtf8(className)
        + QLatin1Char('\n') + executable;
    const auto cached = m_cache.constFind(key);
    if (cached != m_cache.constEnd())
        return *cached;
    const std::optional<DesktopEntry> found
        = find(gtkApplicationId, instanceName, className, executable);
    m_cache.insert(key, found);
    return found;
}

std::optional<DesktopEntry> DesktopEntryMatcher::find(const QByteArray &gtkApplicationId,
                                                      const QByteArray &instanceName,
                                                      const QByteArray &className,
                                                      const QString &executable) const
{
    auto first = [this](auto &&matches) -> std::optional<DesktopEntry> {
        for (const Record &r : m_records) {
            if (matches(r))
                return r.entry;
        }
        return std::nullopt;
    };
    auto same = [](const QString &a, const QString &b) {
        return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
    };

    const QString gtkId = QString::fromUtf8(gtkApplicationId);
    if (!gtkId.isEmpty()) {
        if (auto e = first([&](const Record &r) { return same(gtkId, r.entry.id); }))
            return e;
    }
    for (const QByteArray &raw : {instanceName, className}) {
        const QString name = QString::fromUtf8(raw);
        if (name.isEmpty())
            continue;
        if (auto e = first([&](const Record &r) { return same(name, r.startupWMClass); }))
            return e;
    }
    for (const QByteArray &raw : {instanceName, className}) {
        const QString name = QString::fromUtf8(raw);
        if (name.isEmpty())
            continue;
        if (auto e = first([&](const Record &r) { return same(name, r.entry.id); }))
            return e;
        if (auto e = first([&](const Record &r) { return same(name, lastComponent(r.entry.id)); }))
            return e;
    }
    if (!executable.isEmpty()) {
        if (auto e = first([&](const Record &r) { return same(executable, r.entry.id); }))
            return e;
        if (auto e = first([&](const Record &r) { return same(executable, r.executable); }))
            return e;
    }
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopEntryMatcher::entry(const QString &idOrPath) const
{
    if (QDir::isAbsolutePath(idOrPath)) {
        if (!QFileInfo::exists(idOrPath))
            return std::nullopt;
        return readEntry(idOrPath, withoutSuffix(QFileInfo(idOrPath).fileName()), nullptr, nullptr);
    }
    refresh();
    const QString id = withoutSuffix(idOrPath);
    for (const Record &r : m_records) {
        if (r.entry.id == id)
            return r.entry;
    }
    return std::nullopt;
}

bool DesktopEntryMatcher::launch(const QString &desktopFile)
{
    const std::optional<DesktopEntryFile> file = DesktopEntryFile::read(desktopFile);
    return file && DesktopEntryLaunch::start(*file);
}

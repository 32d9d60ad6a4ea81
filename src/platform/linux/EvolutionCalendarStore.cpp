#include "platform/linux/EvolutionCalendarStore.h"

#include "platform/linux/ICalendarText.h"

#include "platform/AtomicFile.h"
#include "platform/SystemLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <tuple>
#include <utility>

namespace {

const QString kCalendarFile = QStringLiteral("calendar.ics");
const QString kTaskFile = QStringLiteral("tasks.ics");

// The stores under `root`, by source folder name.
QList<std::pair<QString, QString>> stores(const QString &root, const QString &fileName)
{
    QList<std::pair<QString, QString>> found;
    const QDir dir(root);
    for (const QString &source : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString path = dir.filePath(source + QLatin1Char('/') + fileName);
        if (QFileInfo(path).isFile())
            found.append({source, path});
    }
    return found;
}

} // namespace

EvolutionCalendarStore::EvolutionCalendarStore(QString dataHome, SystemLog *log)
    : m_dataHome(std::move(dataHome))
    , m_log(log)
{ }

std::optional<QByteArray> EvolutionCalendarStore::readStore(const QString &path) const
{
    QFile file(path);
    QByteArray text;
    QString refused;
    if (file.size() > kMaxStoreBytes)
        refused = QStringLiteral("larger than %1 bytes").arg(kMaxStoreBytes);
    else if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    else
        refused = ICalendarText::pastLimits(text = file.readAll());
    if (refused.isEmpty()) {
        m_refused.remove(path);
        return text;
    }
    // Read at every refresh: told once, and again only after it was read meanwhile.
    if (!m_refused.contains(path) && m_log)
        m_log->log(QStringLiteral("calendar store %1/%2 not read: %3")
                       .arg(QFileInfo(path).dir().dirName(), QFileInfo(path).fileName(), refused));
    m_refused.insert(path);
    return std::nullopt;
}

QString EvolutionCalendarStore::calendarRoot() const
{
    return m_dataHome + QStringLiteral("/evolution/calendar");
}

QString EvolutionCalendarStore::taskRoot() const
{
    return m_dataHome + QStringLiteral("/evolution/tasks");
}

CalendarStore::Access EvolutionCalendarStore::eventAccess() const
{
    return storeAccess(calendarRoot(), kCalendarFile);
}

CalendarStore::Access EvolutionCalendarStore::reminderAccess() const
{
    return storeAccess(taskRoot(), kTaskFile);
}

CalendarStore::Access EvolutionCalendarStore::storeAccess(const QString &root,
                                                          const QString &fileName)
{
    bool any = false;
    const QDir dir(root);
    for (const QString &source : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString path = dir.filePath(source + QLatin1Char('/') + fileName);
        if (!QFileInfo::exists(path))
            continue;
        any = true;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return Access::granted;
    }
    return any ? Access::denied : Access::notDetermined;
}

QList<CalendarEvent> EvolutionCalendarStore::events(const QDateTime &from,
                                                    const QDateTime &to) const
{
    QList<CalendarEvent> all;
    for (const auto &[source, path] : stores(calendarRoot(), kCalendarFile)) {
        if (const auto text = readStore(path))
            all += ICalendarText::events(*text, from, to, source);
    }
    return all;
}

QList<CalendarReminder>
EvolutionCalendarStore::incompleteReminders(const QDateTime &dueBefore) const
{
    QList<CalendarReminder> all;
    for (const auto &[source, path] : stores(taskRoot(), kTaskFile)) {
        const auto text = readStore(path);
        if (!text)
            continue;
        QString list = ICalendarText::calendarName(*text);
        all += ICalendarText::incompleteReminders(*text, dueBefore, source,
                                                  list.isEmpty() ? source : list);
    }
    return all;
}

ReminderCompletion EvolutionCalendarStore::completeReminder(const QString &id,
                                                            const QDateTime &when)
{
    using Outcome = ReminderCompletion::Outcome;
    const qsizetype slash = id.indexOf(QLatin1Char('/'));
    if (slash <= 0)
        return {};
    const QString source = id.left(slash);
    const QString uid = id.mid(slash + 1);
    if (source.startsWith(QLatin1Char('.')))
        return {}; // a source is a folder name, never a way out of the tasks folder
    const QString path = taskRoot() + QLatin1Char('/') + source + QLatin1Char('/') + kTaskFile;
    if (!QFileInfo(path).isFile())
        return {};

    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        const std::optional<QByteArray> before = readStore(path);
        if (!before)
            return {Outcome::failed, QStringLiteral("Kaidro cannot read your task file.")};
        const ICalendarText::Completed after = ICalendarText::withTaskCompleted(*before, uid, when);
        if (after.outcome == ICalendarText::Completed::Outcome::notFound)
            return {};
        if (after.outcome == ICalendarText::Completed::Outcome::unreadable)
            return {Outcome::failed,
                    QStringLiteral("Kaidro could not read all of this reminder, so it left the "
                                   "file as it was.")};
        // The calendar app may have saved in the meantime: then start over from what it wrote,
        // so its change is kept.
        if (readStore(path) != before)
            continue;

        // The calendar app's file keeps its permissions, and stays as it was when this fails.
        QString error;
        if (!AtomicFile::write(path, after.text, QFileInfo(path).permissions(), &error))
            return {Outcome::failed, error};
        return {Outcome::completed, {}};
    }
    return {Outcome::failed, QStringLiteral("Your task file kept changing. Try again.")};
}

QStringList EvolutionCalendarStore::watchedPaths() const
{
    QStringList paths;
    for (const auto &[root, fileName] :
         {std::pair{calendarRoot(), kCalendarFile}, std::pair{taskRoot(), kTaskFile}}) {
        if (!QFileInfo(root).isDir()) {
            // Nothing to read yet: wait for the first store to appear.
            for (const QString &parent : {m_dataHome + QStringLiteral("/evolution"), m_dataHome}) {
                if (QFileInfo(parent).isDir()) {
                    paths << parent;
                    break;
                }
            }
            continue;
        }
        paths << root;
        const QDir dir(root);
        for (const QString &source : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            // Calendar apps replace the file whole: its folder hears of that.
            paths << dir.filePath(source);
            if (const QString path = dir.filePath(source + QLatin1Char('/') + fileName);
                QFileInfo(path).isFile())
                paths << path;
        }
    }
    paths.removeDuplicates();
    return paths;
}

CalendarSources EvolutionCalendarStore::sources() const
{
    CalendarSources found;
    found.backend = QStringLiteral("calendar files");
    for (const auto &[root, fileName, events] : {std::tuple{calendarRoot(), kCalendarFile, true},
                                                 std::tuple{taskRoot(), kTaskFile, false}}) {
        for (const auto &store : stores(root, fileName))
            found.sources.append({store.first, QStringLiteral("On This Computer"), events});
    }
    return found;
}

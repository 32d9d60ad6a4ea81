#include "platform/linux/EvolutionCalendarStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

EvolutionCalendarStore::EvolutionCalendarStore(QString dataHome)
    : m_dataHome(std::move(dataHome))
{ }

CalendarStore::Access EvolutionCalendarStore::eventAccess() const
{
    return storeAccess(m_dataHome + QStringLiteral("/evolution/calendar"),
                       QStringLiteral("calendar.ics"));
}

CalendarStore::Access EvolutionCalendarStore::reminderAccess() const
{
    return storeAccess(m_dataHome + QStringLiteral("/evolution/tasks"),
                       QStringLiteral("tasks.ics"));
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

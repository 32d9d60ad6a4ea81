#pragma once

#include "windows/Loadout.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>

// What store_churn saves at each generation: each file names it and is larger than a page, so a
// kill can land in the middle of writing it.
namespace StoreChurn {

inline const QString generationKey = QStringLiteral("Vantle.churnGeneration");
constexpr int kTasks = 400;
constexpr int kPinnedKept = 8;

inline QString configFile(const QString &home)
{
    return home + QStringLiteral("/.config/Vantle/defaults.json");
}
inline QString dataFolder(const QString &home)
{
    return home + QStringLiteral("/.local/share/Vantle");
}
inline QString dataHome(const QString &home)
{
    return home + QStringLiteral("/.local/share");
}
inline QString taskFile(const QString &home)
{
    return dataHome(home) + QStringLiteral("/evolution/tasks/personal/tasks.ics");
}
// Each store's file, by the word store_churn says it with.
inline std::map<QString, QString> files(const QString &home)
{
    return {{QStringLiteral("defaults"), configFile(home)},
            {QStringLiteral("pinned"), dataFolder(home) + QStringLiteral("/pinned-clips.json")},
            {QStringLiteral("loadouts"), dataFolder(home) + QStringLiteral("/loadouts.json")},
            {QStringLiteral("tasks"), taskFile(home)}};
}

// The ignore list saved with generation `g` (about 8 KB).
inline QStringList ignoreList(int g)
{
    QStringList names;
    for (int i = 0; i < 300; ++i)
        names << QStringLiteral("org.example.app%1.generation%2").arg(i).arg(g);
    return names;
}

// The text of the clip pinned at generation `g` (about 2 KB).
inline QString clipText(int g)
{
    return QStringLiteral("clip %1 ").arg(g) + QString(2000, QLatin1Char('a' + g % 26));
}

inline QList<Loadout> loadouts(int g)
{
    Loadout l{QUuid(QStringLiteral("{0e5d6b1c-3a7f-4c22-9f0b-2c1d5e7a8b90}")),
              QStringLiteral("generation %1").arg(g),
              QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).addSecs(g),
              {}};
    for (int i = 0; i < 40; ++i)
        l.entries << Loadout::Entry{QStringLiteral("org.example.app%1").arg(i),
                                    QStringLiteral("App %1 of generation %2").arg(i).arg(g),
                                    i % 3,
                                    i * 10.0,
                                    double(g % 1000),
                                    800,
                                    600,
                                    QStringLiteral("1920x1080")};
    return {l};
}

inline QString taskUid(int i)
{
    return QStringLiteral("task-%1").arg(i, 5, 10, QLatin1Char('0'));
}

// The task store as a calendar app leaves it: `kTasks` reminders, none complete.
inline QByteArray tasks()
{
    QByteArray text = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Example//Tasks//EN\n"
                      "X-WR-CALNAME:Chores\n";
    for (int i = 0; i < kTasks; ++i) {
        text += "BEGIN:VTODO\nUID:" + taskUid(i).toUtf8() + "\nDTSTAMP:20260101T000000Z\n"
            + "SUMMARY:Chore number " + QByteArray::number(i)
            + "\nSTATUS:NEEDS-ACTION\nEND:VTODO\n";
    }
    return text + "END:VCALENDAR\n";
}

} // namespace StoreChurn

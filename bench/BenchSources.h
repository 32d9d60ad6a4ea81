#pragma once

#include "app/ShellActions.h"
#include "commandbar/CommandSearch.h"
#include "hud/HUDWidgetID.h"

#include <QUuid>

#include <iterator>

namespace {

// What the providers hold, built once; a search reads it by reference.
struct BenchSources
{
    QList<AppCatalogEntry> apps;
    QSet<QString> runningPaths;
    QList<SearchSkill> skills;
    QList<SearchSkill> quickBar;
    QList<HUDCommands::Command> commands = ShellActions::table();
    QSet<QString> hiddenWidgets;
    QList<ClipItem> clips;
    QDateTime now;

    CommandSources sources() const
    {
        return {apps, runningPaths, skills, quickBar, commands, hiddenWidgets, clips, now};
    }
};

// A large desktop: 1,000 catalogue apps, 140 clips (pinned and recent, some long), 200 skills.
inline BenchSources bigSources()
{
    static const char *const words[]
        = {"Text", "Image", "Sound",  "Video",    "Office", "Code",    "Web",
           "Mail", "Chat",  "Disk",   "Terminal", "Photo",  "Music",   "Note",
           "Map",  "Game",  "System", "Monitor",  "Backup", "Calendar"};
    constexpr int wordCount = int(std::size(words));
    BenchSources s;
    s.now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < 1000; ++i) {
        const QString name = QStringLiteral("%1 %2 %3")
                                 .arg(QLatin1String(words[i % wordCount]),
                                      QLatin1String(words[(i / wordCount) % wordCount]))
                                 .arg(i);
        const QString path
            = QStringLiteral("/usr/share/applications/org.example.App%1.desktop").arg(i);
        s.apps.append(
            {name, QUrl::fromLocalFile(path), QStringLiteral("org.example.App%1").arg(i)});
        if (i % 25 == 0)
            s.runningPaths.insert(path);
    }
    for (int i = 0; i < 140; ++i) {
        ClipItem c;
        c.id = QUuid::createUuid();
        c.text = QStringLiteral("%1 copied line %2\nsecond line of the clip about %3 ")
                     .arg(QLatin1String(words[i % wordCount]))
                     .arg(i)
                     .arg(QLatin1String(words[(i * 7) % wordCount]))
                     .repeated(i % 10 == 0 ? 40 : 1);
        c.date = s.now.addSecs(-37 * i);
        c.sourceApp = QStringLiteral("Terminal");
        c.pinned = i < 5;
        s.clips.append(c);
    }
    for (int i = 0; i < 200; ++i) {
        s.skills.append(
            {QStringLiteral("skill:%1").arg(i),
             QStringLiteral("%1 shortcut %2").arg(QLatin1String(words[i % wordCount])).arg(i),
             QStringLiteral("bolt.fill"),
             {},
             i % 2 == 0,
             i % 5 == 0 ? QStringLiteral("LOADOUT") : QStringLiteral("SHORTCUT")});
    }
    s.quickBar = s.skills.mid(0, 3);
    s.hiddenWidgets = {HUDWidget::rawValue(HUDWidgetID::nowPlaying)};
    return s;
}

} // namespace

#pragma once

#include "clipboard/ClipItem.h"
#include "commandbar/AppCatalog.h"
#include "commandbar/CommandItem.h"
#include "hud/HUDWidgetID.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

// A skill as the command bar lists it.
struct SearchSkill
{
    QString id;
    QString title;
    QString icon; // symbol name
    QString detail;
    bool isShortcut = false;
    QString kind; // "LOADOUT" for a loadout
};

// Everything one search reads, and the actions its rows run. The shell fills it from the live
// objects before each search; an action left empty makes its rows do nothing.
struct CommandSources
{
    QList<AppCatalogEntry> apps; // catalogue order
    QSet<QString> runningPaths; // desktop-file paths of the running applications
    QList<SearchSkill> skills; // the searchable skills, in the skill book's order
    QList<SearchSkill> quickBar; // the quick-bar skills, in slot order
    QList<ClipItem> clips; // display order: pinned first, then the rest, newest first
    QDateTime now; // what clip dates are told relative to
    std::function<bool(HUDWidgetID)> isHidden;

    std::function<void(const QString &desktopFile)> openApp;
    std::function<void(const QString &skillId)> runSkill;
    std::function<void(const ClipItem &)> paste;
    std::function<void(const ClipItem &)> copyClip;
    std::function<void(const QString &text)> copyText;
    std::function<void(const QUrl &)> openURL;
    std::function<void()> showSetupCheck;
    std::function<void()> hideAllWidgets;
    std::function<void()> showAllWidgets;
    std::function<void(HUDWidgetID)> toggleWidget;
};

// The ranking behind the command bar: stateless, run on the main thread on every keystroke.
namespace CommandSearch {

// The web search the last row runs; the query goes after "?q=".
inline const QString webSearchPrefix = QStringLiteral("https://duckduckgo.com/?q=");

// Nothing when some token is not contained in the lower-cased text; else the score of the best
// token: 100 the whole text, 80 its start, 65 the start of a word, 45 elsewhere. No tokens: 0.
std::optional<int> score(const QString &text, const QStringList &tokens);

// The rows for a query, best first, at most nine.
QList<CommandItem> results(const QString &query, const CommandBarCommands &commands,
                           const CommandSources &sources);

// The per-source matchers, best first (applications, skills) or in the source's order
// (commands, clipboard); a negative limit keeps every match.
QList<CommandItem> applications(const QStringList &tokens, const CommandSources &sources,
                                qsizetype limit = -1);
QList<CommandItem> skills(const QStringList &tokens, const CommandSources &sources,
                          qsizetype limit = -1);
QList<CommandItem> commands(const QStringList &tokens, const CommandBarCommands &commands,
                            const CommandSources &sources, qsizetype limit = -1);
QList<CommandItem> clipboard(const QStringList &tokens, const CommandSources &sources,
                             qsizetype limit = -1);

// The row of one clipboard entry.
CommandItem clipRow(const ClipItem &clip, int score, const CommandSources &sources);

// The search engine's address for a trimmed query; invalid when none can be made.
QUrl webSearchURL(const QString &query);

} // namespace CommandSearch

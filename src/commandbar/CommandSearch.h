#pragma once

#include "clipboard/ClipItem.h"
#include "commandbar/AppCatalog.h"
#include "commandbar/CommandItem.h"
#include "commandbar/CommandUsage.h"
#include "hud/HUDCommands.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

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

// What one search reads: the providers' current lists, by reference, so a keystroke copies none
// of them.
struct CommandSources
{
    const QList<AppCatalogEntry> &apps; // catalogue order
    const QSet<QString> &runningPaths; // desktop-file paths of the running applications
    const QList<SearchSkill> &skills; // the searchable skills, in the skill book's order
    const QList<SearchSkill> &quickBar; // the quick-bar skills, in slot order
    // The shell's commands in registry order; those with a bar title are listed.
    const QList<HUDCommands::Command> &commands;
    const QSet<QString> &hiddenWidgets; // raw values of the hidden widgets
    const QList<ClipItem> &clips; // the history, newest first; pinned clips are listed first
    QDateTime now; // what clip dates are told relative to
    // What the bar learned; none ranks by score and source order alone. It only orders rows of
    // equal score: the row the query last ran first, then the more used.
    const CommandUsage *usage = nullptr;
};

// The ranking behind the command bar: stateless, run on the main thread on every keystroke.
namespace CommandSearch {

// The most rows a list holds.
inline constexpr qsizetype maxRows = 9;

// The web search the last row runs; the query goes after "?q=".
inline const QString webSearchPrefix = QStringLiteral("https://duckduckgo.com/?q=");

// Nothing when some token is not contained in the lower-cased text; else the score of the best
// token: 100 the whole text, 80 its start, 65 the start of a word, 45 elsewhere. No tokens: 0.
std::optional<int> score(const QString &text, const QStringList &tokens);

// The rows for a query, best first, at most `maxRows`. Between rows of equal score the usage, when
// given, decides (also which of a source's matches enter), then the sources' order.
QList<CommandItem> results(const QString &query, const CommandSources &sources);

// The per-source matchers, best first (applications, skills) or in the source's order
// (commands, clipboard), rows of equal score in the usage's order; a negative limit keeps every
// match. The commands are the registry's
// bar commands followed by one toggle per hideable widget, named by what it would do now.
QList<CommandItem> applications(const QStringList &tokens, const CommandSources &sources,
                                qsizetype limit = -1);
QList<CommandItem> skills(const QStringList &tokens, const CommandSources &sources,
                          qsizetype limit = -1);
QList<CommandItem> commands(const QStringList &tokens, const CommandSources &sources,
                            qsizetype limit = -1);
QList<CommandItem> clipboard(const QStringList &tokens, const CommandSources &sources,
                             qsizetype limit = -1);

// The row of one clipboard entry.
CommandItem clipRow(const ClipItem &clip, int score, const QDateTime &now);

// The search engine's address for a trimmed query; invalid when none can be made.
QUrl webSearchURL(const QString &query);

} // namespace CommandSearch

#include "commandbar/CommandSearch.h"

#include "commandbar/Calculator.h"
#include "commandbar/RelativeDate.h"
#include "hud/HUDWidgetSettings.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <utility>

namespace {

constexpr int kCalculatorScore = 1000;
constexpr int kWebScore = 1;
constexpr int kAppBonus = 12;
constexpr int kRunningBonus = 3;
constexpr int kSkillBonus = 10;
constexpr int kCommandBonus = 6;
constexpr qsizetype kMaxApps = 4;
constexpr qsizetype kMaxSkills = 3;
constexpr qsizetype kMaxCommands = 2;
constexpr qsizetype kMaxClips = 3;
constexpr qsizetype kEmptyQueryRows = 3;
constexpr qsizetype kMaxRows = 9;
constexpr qsizetype kClipTitleLength = 70;

// The text up to its n-th user-perceived character, so a cut never splits an accented letter
// or an emoji in two.
QString leftCharacters(const QString &text, qsizetype n)
{
    if (text.size() <= n)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype i = 0; i < n; ++i) {
        end = finder.toNextBoundary();
        if (end < 0)
            return text;
    }
    return text.left(end);
}

bool hasAtLeastTwoCharacters(const QString &text)
{
    return leftCharacters(text, 1).size() < text.size();
}

// Maximal runs of letters and digits; everything else separates.
QList<QStringView> words(const QString &text)
{
    QList<QStringView> out;
    qsizetype start = -1;
    for (qsizetype at = 0; at < text.size();) {
        char32_t c = text[at].unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(c) && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[at], text[at + 1]);
            width = 2;
        }
        const bool inWord = QChar::isLetterOrNumber(c);
        if (inWord && start < 0) {
            start = at;
        } else if (!inWord && start >= 0) {
            out.append(QStringView(text).mid(start, at - start));
            start = -1;
        }
        at += width;
    }
    if (start >= 0)
        out.append(QStringView(text).mid(start));
    return out;
}

// Null actions do nothing.
template <typename F, typename... Args> std::function<void()> bound(const F &action, Args... args)
{
    if (!action)
        return [] {};
    return [action, args...] { action(args...); };
}

// Indices of the matching items with their match scores, in the source's order.
template <typename List, typename Text>
QList<std::pair<qsizetype, int>> matches(const List &items, const QStringList &tokens, Text textOf)
{
    QList<std::pair<qsizetype, int>> out;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (const std::optional<int> s = CommandSearch::score(textOf(items[i]), tokens))
            out.append({i, *s});
    }
    return out;
}

void sortByScore(QList<CommandItem> &rows)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [](const CommandItem &a, const CommandItem &b) { return a.score > b.score; });
}

void keepFirst(QList<CommandItem> &rows, qsizetype limit)
{
    if (limit >= 0 && rows.size() > limit)
        rows.resize(limit);
}

struct BuiltInCommand
{
    QString title;
    QString symbol;
    QString subtitle;
    std::function<void()> action;
};

// The program's own commands in table order, the widget rows named by what they would do now.
QList<BuiltInCommand> builtInCommands(const CommandBarCommands &c, const CommandSources &s)
{
    QList<BuiltInCommand> out{
        {QStringLiteral("Menu"), QStringLiteral("circle.hexagongrid.fill"),
         QStringLiteral("Summon or put away the HUD menu"), bound(c.toggleMenu)},
        {QStringLiteral("Edit Layout"), QStringLiteral("square.dashed"),
         QStringLiteral("Drag widgets onto a grid"), bound(c.editLayout)},
        {QStringLiteral("Reset Layout"), QStringLiteral("arrow.counterclockwise"),
         QStringLiteral("Default widget positions"), bound(c.resetLayout)},
        {QStringLiteral("Inventory"), QStringLiteral("shippingbox.fill"),
         QStringLiteral("Clipboard history"), bound(c.showInventory)},
        {QStringLiteral("Skills"), QStringLiteral("square.stack.3d.up.fill"),
         QStringLiteral("Shortcuts, local AI, focus"), bound(c.showSkills)},
        {QStringLiteral("Loadouts"), QStringLiteral("rectangle.3.group.fill"),
         QStringLiteral("Window layouts and snapping"), bound(c.showEquipment)},
        {QStringLiteral("Quest log"), QStringLiteral("flag.fill"),
         QStringLiteral("Calendar, reminders, alerts"), bound(c.showQuest)},
        {QStringLiteral("Toggle HUD"), QStringLiteral("eye.fill"),
         QStringLiteral("Show or hide the HUD readouts"), bound(c.toggleHUD)},
        {QStringLiteral("Setup Check"), QStringLiteral("checkmark.shield"), QStringLiteral("HUD"),
         bound(s.showSetupCheck)},
        {QStringLiteral("Hide All Widgets"), QStringLiteral("eye.slash.fill"),
         QStringLiteral("HUD widgets"), bound(s.hideAllWidgets)},
        {QStringLiteral("Show All Widgets"), QStringLiteral("eye.fill"),
         QStringLiteral("HUD widgets"), bound(s.showAllWidgets)},
    };
    for (const HUDWidgetSettings::Toggleable &w : HUDWidgetSettings::toggleable()) {
        const bool hidden = s.isHidden && s.isHidden(w.id);
        out.append({(hidden ? QStringLiteral("Show ") : QStringLiteral("Hide ")) + w.title,
                    hidden ? QStringLiteral("eye.fill") : QStringLiteral("eye.slash.fill"),
                    QStringLiteral("HUD widget"), bound(s.toggleWidget, w.id)});
    }
    return out;
}

QList<CommandItem> emptyQueryList(const CommandBarCommands &commands, const CommandSources &sources)
{
    QList<CommandItem> out;
    for (const SearchSkill &skill : sources.quickBar.mid(0, kEmptyQueryRows)) {
        CommandItem row;
        row.id = skill.id;
        row.title = skill.title;
        row.subtitle = QStringLiteral("Quick bar");
        row.symbol = skill.icon;
        row.hint = QStringLiteral("RUN");
        row.score = 0;
        row.run = bound(sources.runSkill, skill.id);
        out.append(std::move(row));
    }
    for (const ClipItem &clip : sources.clips.mid(0, kEmptyQueryRows))
        out.append(CommandSearch::clipRow(clip, 0, sources));
    // One empty token: `score` counts the empty string as contained in every title, so the
    // list ends with the first three commands of the table.
    out.append(CommandSearch::commands({QString()}, commands, sources, kEmptyQueryRows));
    return out;
}

} // namespace

namespace CommandSearch {

std::optional<int> score(const QString &text, const QStringList &tokens)
{
    if (tokens.isEmpty())
        return 0;
    // Compared without case in place: lower-casing every entry's text on every keystroke cost
    // more than the comparisons themselves.
    constexpr Qt::CaseSensitivity anyCase = Qt::CaseInsensitive;
    std::optional<QList<QStringView>> wordList; // split only when a token needs it
    int best = 0;
    for (const QString &token : tokens) {
        if (token.isEmpty()) {
            // Contained everywhere, and a prefix of everything.
            best = std::max(best, text.isEmpty() ? 100 : 80);
            continue;
        }
        if (!text.contains(token, anyCase))
            return std::nullopt;
        if (text.compare(token, anyCase) == 0) {
            best = 100;
        } else if (text.startsWith(token, anyCase)) {
            best = std::max(best, 80);
        } else {
            if (!wordList)
                wordList = words(text);
            const bool wordStart
                = std::any_of(wordList->cbegin(), wordList->cend(),
                              [&](QStringView w) { return w.startsWith(token, anyCase); });
            best = std::max(best, wordStart ? 65 : 45);
        }
    }
    return best;
}

QList<CommandItem> applications(const QStringList &tokens, const CommandSources &sources,
                                qsizetype limit)
{
    QList<std::pair<qsizetype, int>> found
        = matches(sources.apps, tokens, [](const AppCatalogEntry &e) { return e.name; });
    // Scores first, rows only for the few that are kept: the catalogue holds hundreds.
    for (auto &[index, s] : found) {
        const bool isRunning = sources.runningPaths.contains(sources.apps[index].url.toLocalFile());
        s += kAppBonus + (isRunning ? kRunningBonus : 0);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto &a, const auto &b) { return a.second > b.second; });
    if (limit >= 0 && found.size() > limit)
        found.resize(limit);
    QList<CommandItem> out;
    for (const auto &[index, s] : found) {
        const AppCatalogEntry &entry = sources.apps[index];
        const QString path = entry.url.toLocalFile();
        const bool isRunning = sources.runningPaths.contains(path);
        CommandItem row;
        row.id = QStringLiteral("app:") + path;
        row.title = entry.name;
        row.subtitle = isRunning ? QStringLiteral("Running") : QStringLiteral("Application");
        row.symbol = QStringLiteral("app.fill");
        row.appURL = entry.url;
        row.hint = isRunning ? QStringLiteral("SWITCH") : QStringLiteral("OPEN");
        row.score = s;
        row.run = bound(sources.openApp, path);
        out.append(std::move(row));
    }
    return out;
}

QList<CommandItem> skills(const QStringList &tokens, const CommandSources &sources, qsizetype limit)
{
    QList<CommandItem> out;
    for (const auto &[index, s] :
         matches(sources.skills, tokens, [](const SearchSkill &k) { return k.title; })) {
        const SearchSkill &skill = sources.skills[index];
        CommandItem row;
        row.id = skill.id;
        row.title = skill.title;
        row.subtitle = skill.isShortcut              ? QStringLiteral("Shortcut")
            : skill.kind == QLatin1String("LOADOUT") ? QStringLiteral("Loadout")
                                                     : QStringLiteral("Skill");
        row.symbol = skill.icon;
        row.hint = QStringLiteral("RUN");
        row.score = s + kSkillBonus;
        row.run = bound(sources.runSkill, skill.id);
        out.append(std::move(row));
    }
    sortByScore(out);
    keepFirst(out, limit);
    return out;
}

QList<CommandItem> commands(const QStringList &tokens, const CommandBarCommands &commands,
                            const CommandSources &sources, qsizetype limit)
{
    QList<CommandItem> out;
    for (BuiltInCommand &command : builtInCommands(commands, sources)) {
        if (limit >= 0 && out.size() >= limit)
            break;
        const std::optional<int> s = score(command.title, tokens);
        if (!s)
            continue;
        const bool toggles = command.title.startsWith(QLatin1String("Show "))
            || command.title.startsWith(QLatin1String("Hide "));
        CommandItem row;
        row.id = QStringLiteral("cmd:") + command.title;
        row.title = command.title;
        row.subtitle = command.subtitle;
        row.symbol = command.symbol;
        row.hint = toggles ? QStringLiteral("TOGGLE") : QStringLiteral("OPEN");
        row.score = *s + kCommandBonus;
        row.run = std::move(command.action);
        out.append(std::move(row));
    }
    return out;
}

QList<CommandItem> clipboard(const QStringList &tokens, const CommandSources &sources,
                             qsizetype limit)
{
    QList<CommandItem> out;
    for (const ClipItem &clip : sources.clips) {
        if (limit >= 0 && out.size() >= limit)
            break;
        QString text = clip.text;
        if (const std::optional<int> s
            = score(text.replace(QLatin1Char('\n'), QLatin1Char(' ')), tokens))
            out.append(clipRow(clip, *s, sources));
    }
    return out;
}

CommandItem clipRow(const ClipItem &clip, int score, const CommandSources &sources)
{
    CommandItem row;
    row.id = QStringLiteral("clip:") + clip.id.toString(QUuid::WithoutBraces).toUpper();
    row.title = leftCharacters(clip.text.trimmed().replace(QLatin1Char('\n'), QLatin1Char(' ')),
                               kClipTitleLength);
    QString subtitle = QStringLiteral("Clipboard · ");
    if (!clip.sourceApp.isEmpty())
        subtitle += clip.sourceApp + QStringLiteral(" · ");
    row.subtitle = subtitle + RelativeDate::text(clip.date, sources.now);
    switch (clip.kind()) {
    case ClipItem::Kind::link:
        row.symbol = QStringLiteral("link");
        break;
    case ClipItem::Kind::path:
        row.symbol = QStringLiteral("folder.fill");
        break;
    case ClipItem::Kind::text:
        row.symbol = QStringLiteral("doc.text.fill");
        break;
    }
    row.hint = QStringLiteral("PASTE");
    row.score = score;
    row.run = bound(sources.paste, clip);
    row.altHint = QStringLiteral("COPY");
    row.runAlt = bound(sources.copyClip, clip);
    return row;
}

QUrl webSearchURL(const QString &query)
{
    // The query-allowed characters stay as typed, except "&" and "+": left alone they would
    // end the value early or read as spaces, and "c++ & rust" would search for "c".
    const QByteArray encoded = QUrl::toPercentEncoding(query, QByteArrayLiteral("!$'()*,;=:@/?"));
    return QUrl::fromEncoded(webSearchPrefix.toUtf8() + encoded, QUrl::StrictMode);
}

QList<CommandItem> results(const QString &query, const CommandBarCommands &commands,
                           const CommandSources &sources)
{
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty())
        return emptyQueryList(commands, sources);
    const QStringList tokens = trimmed.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const bool arithmetic = trimmed.startsWith(QLatin1Char('='));

    QList<CommandItem> out;
    if (arithmetic) {
        if (const std::optional<double> value = Calculator::evaluate(trimmed.mid(1))) {
            const QString text = Calculator::format(*value);
            CommandItem row;
            row.id = QStringLiteral("calc");
            row.title = text;
            row.subtitle = QStringLiteral("Result. Return copies it.");
            row.symbol = QStringLiteral("equal.circle.fill");
            row.hint = QStringLiteral("COPY");
            row.score = kCalculatorScore;
            row.run = bound(sources.copyText, text);
            out.append(std::move(row));
        }
    }
    out.append(applications(tokens, sources, kMaxApps));
    out.append(skills(tokens, sources, kMaxSkills));
    out.append(CommandSearch::commands(tokens, commands, sources, kMaxCommands));
    out.append(clipboard(tokens, sources, kMaxClips));
    sortByScore(out);

    if (!arithmetic && hasAtLeastTwoCharacters(trimmed)) {
        CommandItem row;
        row.id = QStringLiteral("web");
        row.title = QStringLiteral("Search the web for “") + trimmed + QStringLiteral("”");
        row.subtitle = QStringLiteral("Opens your default browser");
        row.symbol = QStringLiteral("globe");
        row.hint = QStringLiteral("OPEN");
        row.score = kWebScore;
        std::function<void(const QUrl &)> open = sources.openURL;
        row.run = [open, trimmed] {
            const QUrl url = webSearchURL(trimmed);
            if (open && url.isValid())
                open(url);
        };
        out.append(std::move(row));
    }
    keepFirst(out, kMaxRows);
    return out;
}

} // namespace CommandSearch

#include "commandbar/CommandSearch.h"

#include "commandbar/Calculator.h"
#include "commandbar/RelativeDate.h"
#include "hud/HUDWidgetSettings.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
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

// Whether a word of `text` starts with `token`, without case; words are maximal runs of letters
// and digits, everything else separates. Stops at the first such word: a long clip is split no
// further than needed.
bool someWordStartsWith(const QString &text, const QString &token)
{
    qsizetype start = -1;
    for (qsizetype at = 0; at <= text.size();) {
        char32_t c = 0;
        qsizetype width = 1;
        if (at < text.size()) {
            c = text[at].unicode();
            if (QChar::isHighSurrogate(c) && at + 1 < text.size()
                && text[at + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text[at], text[at + 1]);
                width = 2;
            }
        }
        const bool inWord = at < text.size() && QChar::isLetterOrNumber(c);
        if (inWord && start < 0) {
            start = at;
        } else if (!inWord && start >= 0) {
            if (QStringView(text).mid(start, at - start).startsWith(token, Qt::CaseInsensitive))
                return true;
            start = -1;
        }
        at += width;
    }
    return false;
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

using Target = CommandItem::Target;

// How the usage orders rows of equal score: the row this query last ran before all others,
// then the higher decayed count. Inactive without usage, so the plain search pays nothing.
class Priorities
{
public:
    Priorities(const CommandSources &sources, const QStringList &tokens)
        : m_usage(sources.usage && !sources.usage->isEmpty() ? sources.usage : nullptr)
    {
        // The tokens joined are the query as the usage keys it.
        if (m_usage)
            m_pick = m_usage->lastPick(CommandUsage::queryKey(tokens.join(QLatin1Char(' '))));
    }
    bool active() const { return m_usage != nullptr; }
    double of(const CommandItem::Target &target) const
    {
        if (!m_usage)
            return 0;
        const QString key = CommandUsage::keyOf(target);
        return !m_pick.isEmpty() && key == m_pick ? std::numeric_limits<double>::infinity()
                                                  : m_usage->rank(key);
    }

    // The same for many rows of one kind: no key is built per row.
    std::function<double(const QString &value)> ofKind(Target::Kind kind) const
    {
        if (!m_usage)
            return [](const QString &) { return 0.0; };
        const QString pick
            = m_pick.startsWith(CommandUsage::keyOf({kind, QStringLiteral("-")}).chopped(1))
            ? m_pick
            : QString();
        const qsizetype prefix = CommandUsage::keyOf({kind, QStringLiteral("-")}).size() - 1;
        return [ranks = m_usage->ranks(kind), pick = pick.mid(prefix)](const QString &value) {
            if (!pick.isEmpty() && value == pick)
                return std::numeric_limits<double>::infinity();
            return ranks.value(value, -std::numeric_limits<double>::infinity());
        };
    }

private:
    const CommandUsage *m_usage;
    QString m_pick;
};

void sortByScore(QList<CommandItem> &rows, const Priorities &p)
{
    const auto byScore
        = [](const CommandItem &a, const CommandItem &b) { return a.score > b.score; };
    if (!p.active()) {
        std::stable_sort(rows.begin(), rows.end(), byScore);
        return;
    }
    // Each row's priority once, not at every comparison.
    QList<std::pair<double, CommandItem>> keyed;
    keyed.reserve(rows.size());
    for (CommandItem &row : rows)
        keyed.append({p.of(row.target), std::move(row)});
    std::stable_sort(keyed.begin(), keyed.end(), [&byScore](const auto &a, const auto &b) {
        return byScore(a.second, b.second)
            || (a.second.score == b.second.score && a.first > b.first);
    });
    for (qsizetype i = 0; i < rows.size(); ++i)
        rows[i] = std::move(keyed[i].second);
}

// Items of one score trade places among themselves by priority; every other item stays put, so
// a list in its source's order keeps that order wherever the usage has nothing to say.
template <typename T, typename ScoreOf, typename PriorityOf>
void orderEqualScores(QList<T> &items, ScoreOf scoreOf, PriorityOf priorityOf)
{
    QHash<int, QList<qsizetype>> places;
    for (qsizetype i = 0; i < items.size(); ++i)
        places[scoreOf(items[i])].append(i);
    for (const QList<qsizetype> &at : std::as_const(places)) {
        if (at.size() < 2)
            continue;
        QList<std::pair<double, T>> group;
        for (const qsizetype i : at)
            group.append({priorityOf(items[i]), items[i]});
        std::stable_sort(group.begin(), group.end(),
                         [](const auto &a, const auto &b) { return a.first > b.first; });
        for (qsizetype k = 0; k < at.size(); ++k)
            items[at[k]] = std::move(group[k].second);
    }
}

void keepFirst(QList<CommandItem> &rows, qsizetype limit)
{
    if (limit >= 0 && rows.size() > limit)
        rows.resize(limit);
}

// Calls `visit(title, symbol, subtitle, target)` for the registry's bar commands in order, then
// for one toggle per hideable widget, named by what it would do now; stops once `visit` answers
// false.
template <typename Visit> void forEachCommand(const CommandSources &s, Visit visit)
{
    for (const HUDCommands::Command &c : s.commands) {
        if (!c.barTitle.isEmpty()
            && !visit(c.barTitle, c.barSymbol, c.barSubtitle, Target{Target::Kind::command, c.id}))
            return;
    }
    for (const HUDWidgetSettings::Toggleable &w : HUDWidgetSettings::toggleable()) {
        const QString raw = HUDWidget::rawValue(w.id);
        const bool hidden = s.hiddenWidgets.contains(raw);
        if (!visit((hidden ? QStringLiteral("Show ") : QStringLiteral("Hide ")) + w.title,
                   hidden ? QStringLiteral("eye.fill") : QStringLiteral("eye.slash.fill"),
                   QStringLiteral("HUD widget"), Target{Target::Kind::widget, raw}))
            return;
    }
}

// Calls `visit(clip)` in display order, pinned clips first, each group newest first; stops once
// `visit` answers false.
template <typename Visit> void forEachClip(const QList<ClipItem> &history, Visit visit)
{
    for (const bool pinned : {true, false}) {
        for (const ClipItem &clip : history) {
            if (clip.pinned == pinned && !visit(clip))
                return;
        }
    }
}

QList<CommandItem> emptyQueryList(const CommandSources &sources)
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
        row.target = {Target::Kind::skill, skill.id};
        out.append(std::move(row));
    }
    qsizetype clips = 0;
    forEachClip(sources.clips, [&](const ClipItem &clip) {
        if (clips++ == kEmptyQueryRows)
            return false;
        out.append(CommandSearch::clipRow(clip, 0, sources.now));
        return true;
    });
    // One empty token: `score` counts the empty string as contained in every title, so the
    // list ends with the first three commands of the registry, whatever was run most.
    CommandSources unlearned = sources;
    unlearned.usage = nullptr;
    out.append(CommandSearch::commands({QString()}, unlearned, kEmptyQueryRows));
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
            best = std::max(best, someWordStartsWith(text, token) ? 65 : 45);
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
    const auto priorityOf = Priorities(sources, tokens).ofKind(Target::Kind::app);
    QList<std::tuple<qsizetype, int, double>> ranked;
    ranked.reserve(found.size());
    for (const auto &[index, s] : found) {
        const QString path = sources.apps[index].url.toLocalFile();
        const bool isRunning = sources.runningPaths.contains(path);
        ranked.append({index, s + kAppBonus + (isRunning ? kRunningBonus : 0), priorityOf(path)});
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto &a, const auto &b) {
        return std::get<1>(a) > std::get<1>(b)
            || (std::get<1>(a) == std::get<1>(b) && std::get<2>(a) > std::get<2>(b));
    });
    if (limit >= 0 && ranked.size() > limit)
        ranked.resize(limit);
    QList<CommandItem> out;
    for (const auto &[index, s, priority] : ranked) {
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
        row.target = {Target::Kind::app, path};
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
        row.target = {Target::Kind::skill, skill.id};
        out.append(std::move(row));
    }
    sortByScore(out, Priorities(sources, tokens));
    keepFirst(out, limit);
    return out;
}

QList<CommandItem> commands(const QStringList &tokens, const CommandSources &sources,
                            qsizetype limit)
{
    // With usage every match is needed: a used row further down may take a place.
    const Priorities p(sources, tokens);
    const qsizetype stopAt = p.active() ? -1 : limit;
    QList<CommandItem> out;
    forEachCommand(sources,
                   [&](const QString &title, const QString &symbol, const QString &subtitle,
                       const Target &target) {
                       if (stopAt >= 0 && out.size() >= stopAt)
                           return false;
                       const std::optional<int> s = score(title, tokens);
                       if (!s)
                           return true;
                       const bool toggles = title.startsWith(QLatin1String("Show "))
                           || title.startsWith(QLatin1String("Hide "));
                       CommandItem row;
                       row.id = QStringLiteral("cmd:") + title;
                       row.title = title;
                       row.subtitle = subtitle;
                       row.symbol = symbol;
                       row.hint = toggles ? QStringLiteral("TOGGLE") : QStringLiteral("OPEN");
                       row.score = *s + kCommandBonus;
                       row.target = target;
                       out.append(std::move(row));
                       return true;
                   });
    if (p.active())
        orderEqualScores(
            out, [](const CommandItem &r) { return r.score; },
            [&p](const CommandItem &r) { return p.of(r.target); });
    keepFirst(out, limit);
    return out;
}

QList<CommandItem> clipboard(const QStringList &tokens, const CommandSources &sources,
                             qsizetype limit)
{
    // Scores first, rows (with their relative dates) only for the few that are kept.
    const Priorities p(sources, tokens);
    const auto priorityOf = p.ofKind(Target::Kind::clip);
    const auto idOf = [](const ClipItem &c) { return c.id.toString(QUuid::WithoutBraces); };
    QList<std::pair<const ClipItem *, int>> found;
    forEachClip(sources.clips, [&](const ClipItem &clip) {
        const bool full = limit >= 0 && found.size() >= limit;
        if (full && !p.active())
            return false;
        // Past the limit only a used clip can take a place: the others are not even scored.
        if (full && std::isinf(-priorityOf(idOf(clip))))
            return true;
        QString text = clip.text;
        if (const std::optional<int> s
            = score(text.replace(QLatin1Char('\n'), QLatin1Char(' ')), tokens))
            found.append({&clip, *s});
        return true;
    });
    if (p.active())
        orderEqualScores(
            found, [](const auto &f) { return f.second; },
            [&](const auto &f) { return priorityOf(idOf(*f.first)); });
    if (limit >= 0 && found.size() > limit)
        found.resize(limit);
    QList<CommandItem> out;
    for (const auto &[clip, s] : found)
        out.append(clipRow(*clip, s, sources.now));
    return out;
}

CommandItem clipRow(const ClipItem &clip, int score, const QDateTime &now)
{
    CommandItem row;
    row.id = QStringLiteral("clip:") + clip.id.toString(QUuid::WithoutBraces).toUpper();
    row.title = leftCharacters(clip.text.trimmed().replace(QLatin1Char('\n'), QLatin1Char(' ')),
                               kClipTitleLength);
    QString subtitle = QStringLiteral("Clipboard · ");
    if (!clip.sourceApp.isEmpty())
        subtitle += clip.sourceApp + QStringLiteral(" · ");
    row.subtitle = subtitle + RelativeDate::text(clip.date, now);
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
    const QString clipID = clip.id.toString(QUuid::WithoutBraces);
    row.target = {Target::Kind::clip, clipID};
    row.altHint = QStringLiteral("COPY");
    row.altTarget = {Target::Kind::clip, clipID};
    return row;
}

QUrl webSearchURL(const QString &query)
{
    // The query-allowed characters stay as typed, except "&" and "+": left alone they would
    // end the value early or read as spaces, and "c++ & rust" would search for "c".
    const QByteArray encoded = QUrl::toPercentEncoding(query, QByteArrayLiteral("!$'()*,;=:@/?"));
    return QUrl::fromEncoded(webSearchPrefix.toUtf8() + encoded, QUrl::StrictMode);
}

QList<CommandItem> results(const QString &query, const CommandSources &sources)
{
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty())
        return emptyQueryList(sources);
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
            row.target = {Target::Kind::copyText, text};
            out.append(std::move(row));
        }
    }
    out.append(applications(tokens, sources, kMaxApps));
    out.append(skills(tokens, sources, kMaxSkills));
    out.append(CommandSearch::commands(tokens, sources, kMaxCommands));
    out.append(clipboard(tokens, sources, kMaxClips));
    sortByScore(out, Priorities(sources, tokens));

    if (!arithmetic && hasAtLeastTwoCharacters(trimmed)) {
        CommandItem row;
        row.id = QStringLiteral("web");
        row.title = QStringLiteral("Search the web for “") + trimmed + QStringLiteral("”");
        row.subtitle = QStringLiteral("Opens your default browser");
        row.symbol = QStringLiteral("globe");
        row.hint = QStringLiteral("OPEN");
        row.score = kWebScore;
        if (const QUrl url = webSearchURL(trimmed); url.isValid())
            row.target = {Target::Kind::url, QString::fromLatin1(url.toEncoded())};
        out.append(std::move(row));
    }
    keepFirst(out, maxRows);
    return out;
}

} // namespace CommandSearch

#include "commandbar/CommandSearch.h"

#include "app/ShellActions.h"

#include "commandbar/RelativeDate.h"
#include "hud/HUDWidgetSettings.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QUrlQuery>
#include <QUuid>

namespace {

AppCatalogEntry app(const QString &name)
{
    return {name, QUrl::fromLocalFile("/usr/share/applications/" + name.toLower() + ".desktop"),
            name.toLower()};
}

SearchSkill skill(const QString &id, const QString &title, bool shortcut = false,
                  const QString &kind = "SKILL")
{
    return {id, title, "bolt.fill", {}, shortcut, kind};
}

QStringList ids(const QList<CommandItem> &rows)
{
    return mapped(rows, &CommandItem::id);
}
QStringList titles(const QList<CommandItem> &rows)
{
    return mapped(rows, &CommandItem::title);
}

QString shown(const CommandItem &row)
{
    return QStringList{row.title, row.subtitle.value_or("-"), row.symbol, row.hint,
                       QString::number(row.score)}
        .join('|');
}

QStringList tokens(const char *text)
{
    return QString::fromUtf8(text).split(' ', Qt::SkipEmptyParts);
}

using Target = CommandItem::Target;
using Kind = Target::Kind;

// Sources over in-memory lists and the shell's own command table.
class CommandSearchTest : public ::testing::Test
{
protected:
    QList<AppCatalogEntry> apps;
    QSet<QString> runningPaths;
    QList<SearchSkill> skills;
    QList<SearchSkill> quickBar;
    const QList<HUDCommands::Command> commands = ShellActions::table();
    QSet<QString> hidden;
    QList<ClipItem> clips; // newest first
    QDateTime now = QDateTime(QDate(2026, 3, 15), QTime(12, 0), Qt::UTC);

    CommandSources sources() const
    {
        return {apps, runningPaths, skills, quickBar, commands, hidden, clips, now};
    }

    ClipItem clip(const QString &text, const QString &appName = {})
    {
        return {QUuid::createUuid(), text, now.addSecs(-120), appName};
    }

    CommandUsage usage;
    bool learned = false; // whether the search reads `usage`

    QList<CommandItem> search(const char *query)
    {
        CommandSources s = sources();
        if (learned)
            s.usage = &usage;
        return CommandSearch::results(QString::fromUtf8(query), s);
    }
    // Runs the first row titled `title` for `query`, `daysAgo` days before now, `times` times.
    void ran(const char *query, const QString &title, int times = 1, int daysAgo = 0)
    {
        learned = true;
        const QList<CommandItem> rows = search(query);
        const auto row = std::find_if(rows.cbegin(), rows.cend(),
                                      [&](const CommandItem &r) { return r.title == title; });
        ASSERT_NE(row, rows.cend()) << title.toStdString();
        for (int i = 0; i < times; ++i)
            usage.record(QString::fromUtf8(query), row->target, now.addDays(-daysAgo));
    }
};

} // namespace

TEST(CommandSearchScore, WholeTextPrefixWordStartSubstringAndEveryToken)
{
    // Words are runs of letters and digits: punctuation splits them too. -1: no match.
    const std::tuple<const char *, const char *, int> rows[]
        = {{"Safari", "safari", 100},  {"Safari", "saf", 80},       {"Safari", "fari", 45},
           {"Insta Reels", "ree", 65}, {"sys-disk_mon", "mon", 65}, {"Café Crème", "crè", 65},
           {"Anything", "", 0},        {"Edit Map", "edit ma", 80}, {"Edit Map", "ap edit", 80},
           {"Edit Map", "edit x", -1}};
    for (const auto &[title, query, expected] : rows)
        EXPECT_EQ(CommandSearch::score(QString::fromUtf8(title), tokens(query)).value_or(-1),
                  expected)
            << title << " / " << query;
}

TEST_F(CommandSearchTest, ApplicationRowsScoreRunningAppsAndCommandRowsTakeTheTablesFirstTwo)
{
    apps = {app("Safari")};
    EXPECT_EQ(shown(search("saf").value(0)), "Safari|Application|app.fill|OPEN|92");

    runningPaths = {apps[0].url.toLocalFile()};
    const CommandItem running = search("saf").value(0);
    EXPECT_EQ(shown(running), "Safari|Running|app.fill|SWITCH|95");
    EXPECT_EQ(running.target, (Target{Kind::app, "/usr/share/applications/safari.desktop"}));

    // Command rows: the first two of the table that match.
    const QList<CommandItem> rows = search("edit lay");
    ASSERT_EQ(ids(rows), (QStringList{"cmd:Edit Layout", "web"}));
    EXPECT_EQ(rows[0].score, 86);
    EXPECT_EQ(rows[0].target, (Target{Kind::command, "edit-layout"}));

    // Eight titles hold "hide"; the table's first two enter, whatever their scores.
    EXPECT_EQ(CommandSearch::commands(tokens("hide"), sources()).size(), 8);
    EXPECT_EQ(titles(search("hide")),
              (QStringList{"Hide All Widgets", "Hide HP Bar", "Search the web for “hide”"}));
}

TEST_F(CommandSearchTest, ShellCommandsInTheBarsOrderThenWidgetRowsThatToggleTheirOwnWidget)
{
    hidden = {HUDWidget::rawValue(HUDWidgetID::nowPlaying)};
    const QList<CommandItem> all = CommandSearch::commands({}, sources());
    const auto &widgets = HUDWidgetSettings::toggleable();
    const qsizetype first = all.size() - widgets.size();
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        const CommandItem &row = all[first + i];
        const QString raw = HUDWidget::rawValue(widgets[i].id);
        EXPECT_EQ(row.title, (hidden.contains(raw) ? "Show " : "Hide ") + widgets[i].title);
        EXPECT_EQ(row.target, (Target{Kind::widget, raw}));
    }
    // The registry's commands without a bar title stay out.
    QStringList shellCommands;
    for (const CommandItem &row : all.mid(0, first)) {
        EXPECT_EQ(row.target.kind, Kind::command);
        shellCommands << row.title + '=' + row.target.value;
    }
    EXPECT_EQ(shellCommands,
              (QStringList{"Menu=menu", "Edit Layout=edit-layout", "Reset Layout=reset-layout",
                           "Inventory=inventory", "Skills=skills", "Loadouts=equipment",
                           "Quest log=quest", "Toggle HUD=hud", "Setup Check=setup-check",
                           "Hide All Widgets=hide-widgets", "Show All Widgets=show-widgets",
                           "Save Dock Layout=save-dock", "Forget=forget-usage"}));
}

TEST_F(CommandSearchTest, EachSourceIsCappedBeforeTheMergeNineRowsAtMostEqualScoresInOrder)
{
    for (int i = 0; i < 6; ++i) {
        apps << app(QStringLiteral("Term %1").arg(i));
        skills << skill(QStringLiteral("s%1").arg(i), QStringLiteral("Term skill %1").arg(i));
        clips << clip(QStringLiteral("term clip %1").arg(i));
    }
    // 4 apps (92), 3 skills (90), 3 clips (80): cut to nine, the last clip and web row fall off.
    EXPECT_EQ(titles(search("term")),
              (QStringList{"Term 0", "Term 1", "Term 2", "Term 3", "Term skill 0", "Term skill 1",
                           "Term skill 2", "term clip 0", "term clip 1"}));
    // Eight rows leave room for the web row; a ninth pushes it out.
    clips = {clip("term a")};
    apps.resize(4);
    EXPECT_EQ(ids(search("term")).last(), "web");
    clips << clip("term b");
    EXPECT_EQ(titles(search("term")).mid(7), (QStringList{"term a", "term b"}));
    // Alone, the clips are still capped at three.
    apps.clear();
    skills.clear();
    clips << clip("term c") << clip("term d");
    EXPECT_EQ(titles(search("term")),
              (QStringList{"term a", "term b", "term c", "Search the web for “term”"}));

    // A running app (65 + 12 + 3) ties with a clip (80): the app, appended first, stays first.
    apps = {app("Big Term"), app("Old Terminal"), app("Term")};
    runningPaths = {apps[0].url.toLocalFile()};
    clips = {clip("my term"), clip("term notes")};
    QStringList rows;
    for (const CommandItem &row : search("term"))
        rows << row.title + ' ' + QString::number(row.score);
    EXPECT_EQ(rows,
              (QStringList{"Term 112", "Big Term 80", "term notes 80", "Old Terminal 77",
                           "my term 65", "Search the web for “term” 1"}));
}

TEST_F(CommandSearchTest, CalculatorQueriesNeverSearchTheWebOthersOfTwoCharactersDo)
{
    const CommandItem calc = search("=2*3").value(0);
    EXPECT_EQ(ids(search("=2*3")), QStringList{"calc"});
    EXPECT_EQ(calc.title, "6");
    EXPECT_TRUE(search("=abc").isEmpty() && search("=").isEmpty());
    // The other sources are still searched with the whole token.
    clips = {clip("=1+1 is two")};
    EXPECT_EQ(titles(search("=1+1")), (QStringList{"2", "=1+1 is two"}));

    apps = {app("Xterm")};
    EXPECT_EQ(ids(search("x")), QStringList{"app:/usr/share/applications/xterm.desktop"});
    // One user-perceived character, two UTF-16 units.
    EXPECT_TRUE(search("😀").isEmpty() && search("e\u0301").isEmpty());
    const CommandItem web = search("  xt  ").last();
    EXPECT_EQ(calc.target, (Target{Kind::copyText, "6"}));
    EXPECT_EQ(web.target, (Target{Kind::url, "https://duckduckgo.com/?q=xt"}));
}

TEST(CommandSearchWeb, QueryEncoding)
{
    // "&" and "+" are encoded to stay in the query; other query-allowed characters pass as typed.
    const std::pair<const char *, const char *> rows[]
        = {{"c++ & rust", "c%2B%2B%20%26%20rust"},
           {"a=b/c?d:e@f!$'()*,;", "a=b/c?d:e@f!$'()*,;"},
           {"100% #1 \"q\" <x>", "100%25%20%231%20%22q%22%20%3Cx%3E"},
           {"naïve 東京", "na%C3%AFve%20%E6%9D%B1%E4%BA%AC"},
           {"a-b_c.d~e", "a-b_c.d~e"}};
    for (const auto &[query, encoded] : rows) {
        const QUrl url = CommandSearch::webSearchURL(QString::fromUtf8(query));
        EXPECT_EQ(url.toEncoded(), "https://duckduckgo.com/?q=" + QByteArray(encoded));
        // What a browser's query parser reads back is what was typed.
        EXPECT_EQ(QUrlQuery(url).queryItemValue("q", QUrl::FullyDecoded), QString::fromUtf8(query));
    }
}

TEST_F(CommandSearchTest, EmptyQueryListsQuickBarClipsAndCommands)
{
    quickBar
        = {skill("q1", "Focus"), skill("q2", "Ollama"), skill("q3", "Shot"), skill("q4", "Fourth")};
    for (int i = 0; i < 5; ++i)
        clips << clip(QStringLiteral("clip %1").arg(i));
    apps = {app("Anything")};
    for (const char *query : {"", "   ", " \t\n "})
        EXPECT_EQ(titles(search(query)),
                  (QStringList{"Focus", "Ollama", "Shot", "clip 0", "clip 1", "clip 2", "Menu",
                               "Edit Layout", "Reset Layout"}));
    EXPECT_EQ(search("")[1].target, (Target{Kind::skill, "q2"}));
    // A pinned clip comes before the newer ones.
    clips[4].pinned = true;
    EXPECT_EQ(titles(search("")).mid(3, 3), (QStringList{"clip 4", "clip 0", "clip 1"}));
}

TEST_F(CommandSearchTest, SkillAndClipRowsMatchInTheirOwnOrderAndShowTheirClip)
{
    skills = {skill("sc:Backup", "Backup home", true),
              skill("lo:Desk", "Desk backup", false, "LOADOUT"), skill("ai", "Ask to back up")};
    const QList<CommandItem> rows = CommandSearch::skills(tokens("back"), sources());
    ASSERT_EQ(ids(rows), (QStringList{"sc:Backup", "lo:Desk", "ai"}));
    EXPECT_EQ(shown(rows[1]), "Desk backup|Loadout|bolt.fill|RUN|75");
    EXPECT_EQ(rows[1].target, (Target{Kind::skill, "lo:Desk"}));

    // Clips match across lines, in display order.
    clips = {clip("first\nsecond line"), clip("other"), clip("a first second")};
    EXPECT_EQ(titles(CommandSearch::clipboard(tokens("first second"), sources())),
              (QStringList{"first second line", "a first second"}));
    EXPECT_TRUE(CommandSearch::clipboard(tokens("firstsecond"), sources()).isEmpty());

    // A clip's row: pasted, or copied as the alternative.
    ClipItem c = clip("  \nline one\nline two " + QString(80, 'x') + "\n\n", "Terminal");
    const QString when = RelativeDate::text(c.date, now);
    const CommandItem row = CommandSearch::clipRow(c, 65, now);
    EXPECT_EQ(shown(row),
              "line one line two " + QString(52, 'x') + "|Clipboard · Terminal · " + when
                  + "|doc.text.fill|PASTE|65");
    const Target theClip{Kind::clip, c.id.toString(QUuid::WithoutBraces)};
    EXPECT_EQ(row.target, theClip);
    EXPECT_EQ(row.altHint, "COPY");
    EXPECT_EQ(row.altTarget, theClip);

    c.sourceApp.clear();
    EXPECT_EQ(CommandSearch::clipRow(c, 0, now).subtitle, "Clipboard · " + when);
    for (const auto &[text, symbol] :
         {std::pair{"https://example.org/a", "link"}, {"~/notes.txt", "folder.fill"}}) {
        c.text = text;
        EXPECT_EQ(CommandSearch::clipRow(c, 0, now).symbol, symbol);
    }
    // The cut counts characters as a reader does: emoji are never split in half.
    c.text = QStringLiteral("😀").repeated(80);
    EXPECT_EQ(CommandSearch::clipRow(c, 0, now).title, QStringLiteral("😀").repeated(70));
}

TEST_F(CommandSearchTest, EveryRowNamesWhatItRunsAndOnlyRowsWithAnAltHintHaveAnAlternative)
{
    apps = {app("Safari")};
    clips = {clip("safari notes")};
    skills = {skill("k", "Safari skill")};
    QList<CommandItem> rows;
    for (const char *query : {"safari", "=1", "menu", "hide", ""})
        rows << search(query);
    ASSERT_GE(rows.size(), 10);
    for (const CommandItem &row : rows) {
        EXPECT_NE(row.target.kind, Kind::none) << row.id.toStdString();
        EXPECT_EQ(row.hasAlternative(), row.altHint.has_value()) << row.id.toStdString();
    }
}

TEST_F(CommandSearchTest, UseOrdersOnlyEqualScoresAndPicksWhichOfASourcesMatchesEnter)
{
    apps = {app("Note 1"), app("Note 2"), app("Note 3"), app("Note 4"), app("Notepad")};
    skills = {skill("s:k", "Keynote")};
    const QString web = "Search the web for “note”";
    EXPECT_EQ(titles(search("note")),
              (QStringList{"Note 1", "Note 2", "Note 3", "Note 4", "Keynote", web}));
    // Past the four-app cap and below equal prefixes in the catalogue: one run brings it in,
    // first. A much-used substring match stays below every prefix match.
    ran("notepad", "Notepad");
    ran("keyn", "Keynote", 20);
    EXPECT_EQ(titles(search("note")),
              (QStringList{"Notepad", "Note 1", "Note 2", "Note 3", "Keynote", web}));

    // Commands keep the table's order, but a used toggle of equal score takes a place.
    ran("clock", "Hide Clock", 2);
    ran("reset", "Reset Layout", 3);
    EXPECT_EQ(titles(search("hide")).mid(0, 2), (QStringList{"Hide Clock", "Hide All Widgets"}));
    // The empty query's list stays as described.
    EXPECT_EQ(titles(search("")), (QStringList{"Menu", "Edit Layout", "Reset Layout"}));
}

TEST_F(CommandSearchTest, OldFavouritesFadeAndEachQueryRemembersItsLastPickAmongTheTopRows)
{
    apps = {app("Notes"), app("Notepad"), app("Keynote")};
    ran("notes", "Notes", 4, 60); // four uses two months ago weigh less than one yesterday
    ran("notepad", "Notepad", 1, 1);
    EXPECT_EQ(titles(search("note")).mid(0, 2), (QStringList{"Notepad", "Notes"}));
    EXPECT_NEAR(usage.weight("app:" + apps[1].url.toLocalFile(), now.addDays(13)), 0.5, 0.01);

    // What "not" last ran comes first for it, in any case and spacing, whatever the counts.
    ran("  NOT ", "Notes", 1, 30);
    EXPECT_EQ(titles(search("not")).mid(0, 2), (QStringList{"Notes", "Notepad"}));
    EXPECT_EQ(titles(search("note")).mid(0, 2), (QStringList{"Notepad", "Notes"}));
    // A remembered row of a lower score does not jump the top ones.
    ran("note", "Keynote");
    EXPECT_EQ(titles(search("note")).mid(0, 3), (QStringList{"Notepad", "Notes", "Keynote"}));

    // Forgetting a row takes its count and every memory of it; Forget takes everything.
    EXPECT_TRUE(usage.forget({Kind::app, apps[1].url.toLocalFile()}));
    EXPECT_EQ(titles(search("note")).mid(0, 2), (QStringList{"Notes", "Notepad"}));
    ran("not", "Notepad");
    usage.clear();
    EXPECT_TRUE(usage.isEmpty());
    EXPECT_EQ(titles(search("not")).mid(0, 2), (QStringList{"Notes", "Notepad"}));
}

TEST(CommandUsageFile, KeepsNoTypedTextStaysSmallAndSkipsDamagedEntries)
{
    const QDateTime now(QDate(2026, 3, 15), QTime(12, 0), Qt::UTC);
    CommandUsage usage;
    // Neither the calculator's result nor a web search is learned: both carry typed text.
    usage.record("=2+2", {Kind::copyText, "4"}, now);
    usage.record("secret words", {Kind::url, "https://duckduckgo.com/?q=secret"}, now);
    EXPECT_TRUE(usage.isEmpty());
    for (int i = 0; i < CommandUsage::maxTargets + 50; ++i)
        usage.record(QStringLiteral("query %1").arg(i), {Kind::skill, QString::number(i)}, now);
    for (int i = 0; i < 2; ++i)
        usage.record("my password hint", {Kind::app, "/fav.desktop"}, now.addSecs(1));
    const QByteArray file = usage.encode();
    EXPECT_FALSE(file.contains("password")) << "a query is kept only as a hash";
    const auto read = CommandUsage::decode(file);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->weights(now).size(), CommandUsage::maxTargets);
    EXPECT_DOUBLE_EQ(read->weight("app:/fav.desktop", now), 2);
    EXPECT_EQ(read->lastPick(CommandUsage::queryKey("My  Password hint")), "app:/fav.desktop");

    EXPECT_FALSE(CommandUsage::decode("not json"));
    const auto damaged = CommandUsage::decode(
        R"({"targets":{"a":{"n":-5,"t":0},"b":{"n":"x","t":0},"c":{"n":2,"t":0}},"queries":[]})");
    ASSERT_TRUE(damaged);
    EXPECT_EQ(damaged->weights(now).keys(), QStringList{"c"});
}

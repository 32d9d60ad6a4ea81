#include "commandbar/CommandSearch.h"

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

// Sources over in-memory lists; every action is recorded.
class CommandSearchTest : public ::testing::Test
{
protected:
    CommandSources sources;
    CommandBarCommands commands;
    QSet<HUDWidgetID> hidden;
    QStringList done;

    void SetUp() override
    {
        sources.now = QDateTime(QDate(2026, 3, 15), QTime(12, 0), Qt::UTC);
        sources.isHidden = [this](HUDWidgetID id) { return hidden.contains(id); };
        sources.openApp = [this](const QString &f) { done << "open " + f; };
        sources.runSkill = [this](const QString &id) { done << "skill " + id; };
        sources.paste = [this](const ClipItem &c) { done << "paste " + c.text; };
        sources.copyClip = [this](const ClipItem &c) { done << "copy " + c.text; };
        sources.copyText = [this](const QString &t) { done << "text " + t; };
        sources.openURL = [this](const QUrl &u) { done << "url " + u.toEncoded(); };
        sources.showSetupCheck = [this] { done << "setup"; };
        sources.hideAllWidgets = [this] { done << "hideAll"; };
        sources.showAllWidgets = [this] { done << "showAll"; };
        sources.toggleWidget
            = [this](HUDWidgetID id) { done << "toggle " + HUDWidget::rawValue(id); };
        commands.toggleMenu = [this] { done << "menu"; };
        commands.editLayout = [this] { done << "edit"; };
    }

    ClipItem clip(const QString &text, const QString &appName = {})
    {
        return {QUuid::createUuid(), text, sources.now.addSecs(-120), appName};
    }

    QList<CommandItem> search(const char *query)
    {
        return CommandSearch::results(QString::fromUtf8(query), commands, sources);
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
    sources.apps = {app("Safari")};
    EXPECT_EQ(shown(search("saf").value(0)), "Safari|Application|app.fill|OPEN|92");

    sources.runningPaths = {sources.apps[0].url.toLocalFile()};
    const CommandItem running = search("saf").value(0);
    EXPECT_EQ(shown(running), "Safari|Running|app.fill|SWITCH|95");
    running.run();

    // Command rows: the first two of the table that match.
    const QList<CommandItem> rows = search("edit lay");
    ASSERT_EQ(ids(rows), (QStringList{"cmd:Edit Layout", "web"}));
    EXPECT_EQ(rows[0].score, 86);
    rows[0].run();
    EXPECT_EQ(done, (QStringList{"open /usr/share/applications/safari.desktop", "edit"}));

    // Eight titles hold "hide"; the table's first two enter, whatever their scores.
    EXPECT_EQ(CommandSearch::commands(tokens("hide"), commands, sources).size(), 8);
    EXPECT_EQ(titles(search("hide")),
              (QStringList{"Hide All Widgets", "Hide HP Bar", "Search the web for “hide”"}));
}

TEST_F(CommandSearchTest, WidgetRowsSayWhatTheyWouldDoAndToggleTheirOwnWidget)
{
    hidden = {HUDWidgetID::nowPlaying};
    const QList<CommandItem> all = CommandSearch::commands({}, commands, sources);
    const auto &widgets = HUDWidgetSettings::toggleable();
    const qsizetype first = all.size() - widgets.size();
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        const CommandItem &row = all[first + i];
        const bool isHidden = hidden.contains(widgets[i].id);
        EXPECT_EQ(row.title, (isHidden ? "Show " : "Hide ") + widgets[i].title);
        done.clear();
        row.run();
        EXPECT_EQ(done, QStringList{"toggle " + HUDWidget::rawValue(widgets[i].id)});
    }
    done.clear();
    for (const CommandItem &row : all.mid(0, first))
        row.run();
    EXPECT_EQ(done, (QStringList{"menu", "edit", "setup", "hideAll", "showAll"}));
}

TEST_F(CommandSearchTest, EachSourceIsCappedBeforeTheMergeNineRowsAtMostEqualScoresInOrder)
{
    for (int i = 0; i < 6; ++i) {
        sources.apps << app(QStringLiteral("Term %1").arg(i));
        sources.skills << skill(QStringLiteral("s%1").arg(i),
                                QStringLiteral("Term skill %1").arg(i));
        sources.clips << clip(QStringLiteral("term clip %1").arg(i));
    }
    // 4 apps (92), 3 skills (90), 3 clips (80): cut to nine, the last clip and web row fall off.
    EXPECT_EQ(titles(search("term")),
              (QStringList{"Term 0", "Term 1", "Term 2", "Term 3", "Term skill 0", "Term skill 1",
                           "Term skill 2", "term clip 0", "term clip 1"}));
    // Eight rows leave room for the web row; a ninth pushes it out.
    sources.clips = {clip("term a")};
    sources.apps.resize(4);
    EXPECT_EQ(ids(search("term")).last(), "web");
    sources.clips << clip("term b");
    EXPECT_EQ(titles(search("term")).mid(7), (QStringList{"term a", "term b"}));
    // Alone, the clips are still capped at three.
    sources.apps.clear();
    sources.skills.clear();
    sources.clips << clip("term c") << clip("term d");
    EXPECT_EQ(titles(search("term")),
              (QStringList{"term a", "term b", "term c", "Search the web for “term”"}));

    // A running app (65 + 12 + 3) ties with a clip (80): the app, appended first, stays first.
    sources.apps = {app("Big Term"), app("Old Terminal"), app("Term")};
    sources.runningPaths = {sources.apps[0].url.toLocalFile()};
    sources.clips = {clip("my term"), clip("term notes")};
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
    sources.clips = {clip("=1+1 is two")};
    EXPECT_EQ(titles(search("=1+1")), (QStringList{"2", "=1+1 is two"}));

    sources.apps = {app("Xterm")};
    EXPECT_EQ(ids(search("x")), QStringList{"app:/usr/share/applications/xterm.desktop"});
    // One user-perceived character, two UTF-16 units.
    EXPECT_TRUE(search("😀").isEmpty() && search("e\u0301").isEmpty());
    const CommandItem web = search("  xt  ").last();
    calc.run();
    web.run();
    EXPECT_EQ(done, (QStringList{"text 6", "url https://duckduckgo.com/?q=xt"}));
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
    sources.quickBar
        = {skill("q1", "Focus"), skill("q2", "Ollama"), skill("q3", "Shot"), skill("q4", "Fourth")};
    for (int i = 0; i < 5; ++i)
        sources.clips << clip(QStringLiteral("clip %1").arg(i));
    sources.apps = {app("Anything")};
    for (const char *query : {"", "   ", " \t\n "})
        EXPECT_EQ(titles(search(query)),
                  (QStringList{"Focus", "Ollama", "Shot", "clip 0", "clip 1", "clip 2", "Menu",
                               "Edit Layout", "Reset Layout"}));
    search("")[1].run();
    EXPECT_EQ(done, QStringList{"skill q2"});
}

TEST_F(CommandSearchTest, SkillAndClipRowsMatchInTheirOwnOrderAndShowTheirClip)
{
    sources.skills
        = {skill("sc:Backup", "Backup home", true),
           skill("lo:Desk", "Desk backup", false, "LOADOUT"), skill("ai", "Ask to back up")};
    const QList<CommandItem> rows = CommandSearch::skills(tokens("back"), sources);
    ASSERT_EQ(ids(rows), (QStringList{"sc:Backup", "lo:Desk", "ai"}));
    EXPECT_EQ(shown(rows[1]), "Desk backup|Loadout|bolt.fill|RUN|75");
    rows[1].run();
    EXPECT_EQ(done, QStringList{"skill lo:Desk"});

    // Clips match across lines, in display order.
    sources.clips = {clip("first\nsecond line"), clip("other"), clip("a first second")};
    EXPECT_EQ(titles(CommandSearch::clipboard(tokens("first second"), sources)),
              (QStringList{"first second line", "a first second"}));
    EXPECT_TRUE(CommandSearch::clipboard(tokens("firstsecond"), sources).isEmpty());

    // A clip's row.
    done.clear();
    ClipItem c = clip("  \nline one\nline two " + QString(80, 'x') + "\n\n", "Terminal");
    const QString when = RelativeDate::text(c.date, sources.now);
    const CommandItem row = CommandSearch::clipRow(c, 65, sources);
    EXPECT_EQ(shown(row),
              "line one line two " + QString(52, 'x') + "|Clipboard · Terminal · " + when
                  + "|doc.text.fill|PASTE|65");
    row.run();
    row.runAlt();
    EXPECT_EQ(done, (QStringList{"paste " + c.text, "copy " + c.text}));

    c.sourceApp.clear();
    EXPECT_EQ(CommandSearch::clipRow(c, 0, sources).subtitle, "Clipboard · " + when);
    for (const auto &[text, symbol] :
         {std::pair{"https://example.org/a", "link"}, {"~/notes.txt", "folder.fill"}}) {
        c.text = text;
        EXPECT_EQ(CommandSearch::clipRow(c, 0, sources).symbol, symbol);
    }
    // The cut counts characters as a reader does: emoji are never split in half.
    c.text = QStringLiteral("😀").repeated(80);
    EXPECT_EQ(CommandSearch::clipRow(c, 0, sources).title, QStringLiteral("😀").repeated(70));
}

TEST_F(CommandSearchTest, EmptyActionsDoNothing)
{
    CommandSources bare;
    bare.apps = {app("Safari")};
    bare.clips = {clip("safari notes")};
    bare.skills = {skill("k", "Safari skill")};
    CommandBarCommands none;
    none.toggleMenu = nullptr;
    QList<CommandItem> rows;
    for (const char *query : {"safari", "=1", "menu", "hide"})
        rows << CommandSearch::results(query, none, bare);
    ASSERT_GE(rows.size(), 8);
    for (const CommandItem &row : rows) {
        ASSERT_TRUE(row.run) << row.id.toStdString();
        row.run();
        if (row.runAlt)
            row.runAlt();
    }
}

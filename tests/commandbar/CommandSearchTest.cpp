#include "commandbar/CommandSearch.h"

#include "commandbar/RelativeDate.h"
#include "hud/HUDWidgetSettings.h"

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
    QStringList out;
    for (const CommandItem &row : rows)
        out << row.id;
    return out;
}

QStringList titles(const QList<CommandItem> &rows)
{
    QStringList out;
    for (const CommandItem &row : rows)
        out << row.title;
    return out;
}

// The fields a row shows, in one line.
QString shown(const CommandItem &row)
{
    return QStringList{row.title, row.subtitle.value_or("-"), row.symbol, row.hint,
                       QString::number(row.score)}
        .join('|');
}

int score(const char *title, const char *query)
{
    return CommandSearch::score(QString::fromUtf8(title),
                                QString::fromUtf8(query).split(' ', Qt::SkipEmptyParts))
        .value_or(-1);
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
    HUDCommands commands;
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
        sources.openURL
            = [this](const QUrl &u) { done << "url " + QString::fromLatin1(u.toEncoded()); };
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
    // Words are runs of letters and digits: punctuation splits them too.
    const std::tuple<const char *, const char *, int> rows[] = {{"Safari", "safari", 100},
                                                                {"Safari", "saf", 80},
                                                                {"Safari", "fari", 45},
                                                                {"Instagram Reels", "ree", 65},
                                                                {"gnome-system_monitor", "mon", 65},
                                                                {"Café Crème", "crè", 65},
                                                                {"Anything", "", 0},
                                                                {"Edit Layout", "edit lay", 80},
                                                                {"Edit Layout", "yout edit", 80},
                                                                {"Edit Layout", "edit grid", -1}};
    for (const auto &[title, query, expected] : rows)
        EXPECT_EQ(score(title, query), expected) << title << " / " << query;
}

TEST_F(CommandSearchTest, ApplicationRowsScoreAndRunningApps)
{
    sources.apps = {app("Safari")};
    const QList<CommandItem> prefix = search("saf");
    ASSERT_GE(prefix.size(), 1);
    EXPECT_EQ(shown(prefix[0]), "Safari|Application|app.fill|OPEN|92");
    EXPECT_EQ(prefix[0].appURL, sources.apps[0].url);
    EXPECT_EQ(prefix[0].id, "app:/usr/share/applications/safari.desktop");
    EXPECT_EQ(search("fari")[0].score, 57);

    sources.runningPaths = {sources.apps[0].url.toLocalFile()};
    const QList<CommandItem> running = search("saf");
    EXPECT_EQ(shown(running[0]), "Safari|Running|app.fill|SWITCH|95");
    EXPECT_EQ(search("fari")[0].score, 60);
    running[0].run();
    EXPECT_EQ(done, QStringList{"open /usr/share/applications/safari.desktop"});
}

TEST_F(CommandSearchTest, CommandRowsTakeTheFirstTwoOfTheTable)
{
    const QList<CommandItem> rows = search("edit lay");
    ASSERT_EQ(ids(rows), (QStringList{"cmd:Edit Layout", "web"}));
    EXPECT_EQ(shown(rows[0]),
              "Edit Layout|Drag widgets onto a grid|" + rows[0].symbol + "|OPEN|86");
    rows[0].run();
    EXPECT_EQ(done, QStringList{"edit"});

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
    const QList<CommandItem> rows = all.mid(all.size() - widgets.size());
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        const bool isHidden = hidden.contains(widgets[i].id);
        EXPECT_EQ(rows[i].title, (isHidden ? "Show " : "Hide ") + widgets[i].title);
        EXPECT_EQ(rows[i].symbol, isHidden ? "eye.fill" : "eye.slash.fill");
        EXPECT_EQ(rows[i].hint, "TOGGLE");
        done.clear();
        rows[i].run();
        EXPECT_EQ(done, QStringList{"toggle " + HUDWidget::rawValue(widgets[i].id)});
    }
    // Named like a toggle, so labelled one; the other commands open.
    done.clear();
    for (const CommandItem &row : all.mid(0, all.size() - widgets.size())) {
        EXPECT_EQ(row.hint, row.title.endsWith("All Widgets") ? "TOGGLE" : "OPEN")
            << row.title.toStdString();
        row.run();
    }
    EXPECT_EQ(done, (QStringList{"menu", "edit", "setup", "hideAll", "showAll"}));
}

TEST_F(CommandSearchTest, EachSourceIsCappedBeforeTheMergeAndNineRowsAtMost)
{
    for (int i = 0; i < 6; ++i) {
        sources.apps << app(QStringLiteral("Term %1").arg(i));
        sources.skills << skill(QStringLiteral("s%1").arg(i),
                                QStringLiteral("Term skill %1").arg(i));
        sources.clips << clip(QStringLiteral("term clip %1").arg(i));
    }
    // 4 apps (92), 3 skills (90) and 3 clips (80), no command: ten rows before the web row, so
    // the list is cut to nine and the web row and the last clip fall off.
    const QList<CommandItem> rows = search("term");
    ASSERT_EQ(rows.size(), 9);
    EXPECT_EQ(ids(rows).filter("app:").size(), 4);
    EXPECT_EQ(titles(rows).filter("Term skill").size(), 3);
    EXPECT_EQ(ids(rows).filter("clip:").size(), 2);
    EXPECT_FALSE(ids(rows).contains("web"));
    // Alone, the clips are still capped at three.
    CommandSources clipsOnly = sources;
    clipsOnly.apps.clear();
    clipsOnly.skills.clear();
    EXPECT_EQ(ids(CommandSearch::results("term", commands, clipsOnly)).filter("clip:").size(), 3);

    // Eight rows leave room for the web row; a ninth pushes it out.
    sources.clips = {clip("term a")};
    sources.apps.resize(4);
    EXPECT_EQ(search("term").size(), 9);
    EXPECT_EQ(search("term").last().id, "web");
    sources.clips << clip("term b");
    EXPECT_EQ(search("term").size(), 9);
    EXPECT_NE(search("term").last().id, "web");
}

TEST_F(CommandSearchTest, EqualScoresKeepTheSourceOrder)
{
    // A running app whose word starts with the token (65 + 12 + 3) ties with a clip that
    // starts with it (80): the app, appended first, stays first.
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

TEST_F(CommandSearchTest, CalculatorQueries)
{
    const QList<CommandItem> rows = search("=2*3");
    ASSERT_EQ(ids(rows), QStringList{"calc"}) << "\"=\" queries never search the web";
    EXPECT_EQ(shown(rows[0]), "6|Result. Return copies it.|equal.circle.fill|COPY|1000");
    EXPECT_FALSE(rows[0].runAlt);
    rows[0].run();
    EXPECT_EQ(done, QStringList{"text 6"});
    EXPECT_TRUE(search("=abc").isEmpty());
    EXPECT_TRUE(search("=").isEmpty());

    // The other sources are still searched with the whole token.
    sources.clips = {clip("=1+1 is two")};
    EXPECT_EQ(ids(search("=1+1")).size(), 2);
    EXPECT_EQ(ids(search("=1+1")).first(), "calc");
}

TEST_F(CommandSearchTest, TheWebRowNeedsTwoCharactersAndComesLast)
{
    sources.apps = {app("Xterm")};
    EXPECT_EQ(ids(search("x")), QStringList{"app:/usr/share/applications/xterm.desktop"});
    // One user-perceived character, two UTF-16 units.
    EXPECT_TRUE(search("😀").isEmpty());
    EXPECT_TRUE(search("e\u0301").isEmpty());

    const QList<CommandItem> rows = search("  xt  ");
    ASSERT_EQ(ids(rows).last(), "web");
    EXPECT_EQ(shown(rows.last()),
              "Search the web for “xt”|Opens your default browser|globe|OPEN|1");
    rows.last().run();
    EXPECT_EQ(done, QStringList{"url https://duckduckgo.com/?q=xt"});
}

TEST(CommandSearchWeb, QueryEncoding)
{
    // "&" and "+" are encoded so they stay part of the query; the rest of the query-allowed
    // characters pass as typed.
    const std::pair<const char *, const char *> rows[]
        = {{"c++ & rust", "c%2B%2B%20%26%20rust"},
           {"a=b/c?d:e@f!$'()*,;", "a=b/c?d:e@f!$'()*,;"},
           {"100% #1 \"q\" <x>", "100%25%20%231%20%22q%22%20%3Cx%3E"},
           {"naïve 東京", "na%C3%AFve%20%E6%9D%B1%E4%BA%AC"},
           {"a-b_c.d~e", "a-b_c.d~e"}};
    for (const auto &[query, encoded] : rows) {
        const QUrl url = CommandSearch::webSearchURL(QString::fromUtf8(query));
        EXPECT_EQ(QString::fromLatin1(url.toEncoded()),
                  "https://duckduckgo.com/?q=" + QString::fromLatin1(encoded));
        // What a browser's query parser reads back is what was typed.
        EXPECT_EQ(QUrlQuery(url).queryItemValue("q", QUrl::FullyDecoded), QString::fromUtf8(query));
    }
}

TEST_F(CommandSearchTest, EmptyQueryList)
{
    sources.quickBar
        = {skill("q1", "Focus"), skill("q2", "Ollama"), skill("q3", "Shot"), skill("q4", "Fourth")};
    for (int i = 0; i < 5; ++i)
        sources.clips << clip(QStringLiteral("clip %1").arg(i));
    sources.apps = {app("Anything")};
    for (const char *query : {"", "   ", " \t\n "}) {
        const QList<CommandItem> rows = search(query);
        EXPECT_EQ(titles(rows),
                  (QStringList{"Focus", "Ollama", "Shot", "clip 0", "clip 1", "clip 2", "Menu",
                               "Edit Layout", "Reset Layout"}));
        ASSERT_EQ(rows.size(), 9);
        EXPECT_EQ(shown(rows[0]), "Focus|Quick bar|bolt.fill|RUN|0");
        EXPECT_EQ(rows[3].score, 0);
    }
    search("")[1].run();
    EXPECT_EQ(done, QStringList{"skill q2"});
}

TEST_F(CommandSearchTest, SkillRows)
{
    sources.skills
        = {skill("sc:Backup", "Backup home", true),
           skill("lo:Desk", "Desk backup", false, "LOADOUT"), skill("ai", "Ask to back up")};
    const QList<CommandItem> rows = CommandSearch::skills(tokens("back"), sources);
    ASSERT_EQ(ids(rows), (QStringList{"sc:Backup", "lo:Desk", "ai"}));
    EXPECT_EQ(shown(rows[0]), "Backup home|Shortcut|bolt.fill|RUN|90");
    EXPECT_EQ(shown(rows[1]), "Desk backup|Loadout|bolt.fill|RUN|75");
    EXPECT_EQ(shown(rows[2]), "Ask to back up|Skill|bolt.fill|RUN|75");
    rows[1].run();
    EXPECT_EQ(done, QStringList{"skill lo:Desk"});
}

TEST_F(CommandSearchTest, ClipsMatchAcrossLinesInDisplayOrder)
{
    sources.clips = {clip("first\nsecond line"), clip("other"), clip("a first second")};
    EXPECT_EQ(titles(CommandSearch::clipboard(tokens("first second"), sources)),
              (QStringList{"first second line", "a first second"}));
    EXPECT_TRUE(CommandSearch::clipboard(tokens("firstsecond"), sources).isEmpty());
}

TEST_F(CommandSearchTest, ClipRow)
{
    ClipItem c = clip("  \nline one\nline two " + QString(80, 'x') + "\n\n", "Terminal");
    const QString when = RelativeDate::text(c.date, sources.now);
    const CommandItem row = CommandSearch::clipRow(c, 65, sources);
    EXPECT_EQ(row.id, "clip:" + c.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(shown(row),
              "line one line two " + QString(52, 'x') + "|Clipboard · Terminal · " + when
                  + "|doc.text.fill|PASTE|65");
    EXPECT_EQ(row.altHint, "COPY");
    row.run();
    row.runAlt();
    EXPECT_EQ(done, (QStringList{"paste " + c.text, "copy " + c.text}));

    c.sourceApp.clear();
    EXPECT_EQ(CommandSearch::clipRow(c, 0, sources).subtitle, "Clipboard · " + when);
    c.text = "https://example.org/a";
    EXPECT_EQ(CommandSearch::clipRow(c, 0, sources).symbol, "link");
    c.text = "~/notes.txt";
    EXPECT_EQ(CommandSearch::clipRow(c, 0, sources).symbol, "folder.fill");
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
    HUDCommands none;
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

#include "commandbar/CommandSearch.h"

#include "commandbar/RelativeDate.h"

#include <gtest/gtest.h>

#include <QUrlQuery>
#include <QUuid>

namespace {

AppCatalogEntry app(const QString &name)
{
    const QString path
        = QStringLiteral("/usr/share/applications/") + name.toLower() + QStringLiteral(".desktop");
    return {name, QUrl::fromLocalFile(path), name.toLower()};
}

SearchSkill skill(const QString &id, const QString &title, bool shortcut = false,
                  const QString &kind = QStringLiteral("SKILL"))
{
    return {id, title, QStringLiteral("bolt.fill"), {}, shortcut, kind};
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

QStringList tokens(const char *text)
{
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
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
        sources.openApp = [this](const QString &f) { done << QStringLiteral("open ") + f; };
        sources.runSkill = [this](const QString &id) { done << QStringLiteral("skill ") + id; };
        sources.paste = [this](const ClipItem &c) { done << QStringLiteral("paste ") + c.text; };
        sources.copyClip = [this](const ClipItem &c) { done << QStringLiteral("copy ") + c.text; };
        sources.copyText = [this](const QString &t) { done << QStringLiteral("text ") + t; };
        sources.openURL = [this](const QUrl &u) {
            done << QStringLiteral("url ") + QString::fromLatin1(u.toEncoded());
        };
        sources.showSetupCheck = [this] { done << QStringLiteral("setup"); };
        sources.hideAllWidgets = [this] { done << QStringLiteral("hideAll"); };
        sources.showAllWidgets = [this] { done << QStringLiteral("showAll"); };
        sources.toggleWidget = [this](HUDWidgetID id) {
            done << QStringLiteral("toggle ") + HUDWidget::rawValue(id);
        };
        commands.toggleMenu = [this] { done << QStringLiteral("menu"); };
        commands.editLayout = [this] { done << QStringLiteral("edit"); };
    }

    ClipItem clip(const QString &text, int minutesAgo = 2, const QString &appName = {})
    {
        ClipItem c;
        c.id = QUuid::createUuid();
        c.text = text;
        c.date = sources.now.addSecs(-60 * minutesAgo);
        c.sourceApp = appName;
        return c;
    }

    QList<CommandItem> search(const char *query)
    {
        return CommandSearch::results(QString::fromUtf8(query), commands, sources);
    }
};

} // namespace

TEST(CommandSearchScore, WholeTextPrefixWordStartAndSubstring)
{
    EXPECT_EQ(CommandSearch::score(QStringLiteral("Safari"), tokens("safari")), 100);
    EXPECT_EQ(CommandSearch::score(QStringLiteral("Safari"), tokens("saf")), 80);
    EXPECT_EQ(CommandSearch::score(QStringLiteral("Safari"), tokens("fari")), 45);
    EXPECT_EQ(CommandSearch::score(QStringLiteral("Instagram Reels"), tokens("ree")), 65);
    // Words are runs of letters and digits: punctuation splits them too.
    EXPECT_EQ(CommandSearch::score(QStringLiteral("gnome-system_monitor"), tokens("mon")), 65);
    EXPECT_EQ(CommandSearch::score(QStringLiteral("Café Crème"), tokens("crè")), 65);
    EXPECT_EQ(CommandSearch::score(QStringLiteral("Anything"), {}), 0);
}

TEST(CommandSearchScore, EveryTokenMustBeContainedAndTheBestCounts)
{
    EXPECT_EQ(CommandSearch::score(QStringLiteral("Edit Layout"), tokens("edit lay")), 80);
    EXPECT_EQ(CommandSearch::score(QStringLiteral("Edit Layout"), tokens("yout edit")), 80);
    EXPECT_FALSE(CommandSearch::score(QStringLiteral("Edit Layout"), tokens("edit grid")));
}

TEST_F(CommandSearchTest, ApplicationRowsScoreAndRunningApps)
{
    sources.apps = {app(QStringLiteral("Safari"))};
    const QList<CommandItem> prefix = search("saf");
    ASSERT_GE(prefix.size(), 1);
    EXPECT_EQ(prefix[0].score, 92);
    EXPECT_EQ(prefix[0].subtitle, QStringLiteral("Application"));
    EXPECT_EQ(prefix[0].hint, QStringLiteral("OPEN"));
    EXPECT_EQ(prefix[0].symbol, QStringLiteral("app.fill"));
    EXPECT_EQ(prefix[0].appURL, sources.apps[0].url);
    EXPECT_EQ(prefix[0].id, QStringLiteral("app:/usr/share/applications/safari.desktop"));
    EXPECT_EQ(search("fari")[0].score, 57);

    sources.runningPaths = {sources.apps[0].url.toLocalFile()};
    const QList<CommandItem> running = search("saf");
    EXPECT_EQ(running[0].score, 95);
    EXPECT_EQ(running[0].subtitle, QStringLiteral("Running"));
    EXPECT_EQ(running[0].hint, QStringLiteral("SWITCH"));
    EXPECT_EQ(search("fari")[0].score, 60);

    running[0].run();
    EXPECT_EQ(done, QStringList{QStringLiteral("open /usr/share/applications/safari.desktop")});
}

TEST_F(CommandSearchTest, CommandRowsTakeTheFirstTwoOfTheTable)
{
    const QList<CommandItem> rows = search("edit lay");
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].id, QStringLiteral("cmd:Edit Layout"));
    EXPECT_EQ(rows[0].score, 86);
    EXPECT_EQ(rows[0].hint, QStringLiteral("OPEN"));
    EXPECT_EQ(rows[0].subtitle, QStringLiteral("Drag widgets onto a grid"));
    EXPECT_EQ(rows[1].id, QStringLiteral("web"));
    rows[0].run();
    EXPECT_EQ(done, QStringList{QStringLiteral("edit")});

    // Eight titles hold "hide"; the table's first two enter, whatever their scores.
    EXPECT_EQ(CommandSearch::commands(tokens("hide"), commands, sources).size(), 8);
    EXPECT_EQ(titles(search("hide")),
              (QStringList{QStringLiteral("Hide All Widgets"), QStringLiteral("Hide HP Bar"),
                           QStringLiteral("Search the web for “hide”")}));
}

TEST_F(CommandSearchTest, WidgetRowsSayWhatTheyWouldDo)
{
    hidden = {HUDWidgetID::nowPlaying};
    const QList<CommandItem> all = CommandSearch::commands({}, commands, sources);
    ASSERT_EQ(all.size(), 18);
    EXPECT_EQ(titles(all.mid(11)),
              (QStringList{QStringLiteral("Hide HP Bar"), QStringLiteral("Hide Party Bars"),
                           QStringLiteral("Hide Clock"), QStringLiteral("Hide Cursor"),
                           QStringLiteral("Show Music"), QStringLiteral("Hide Summary"),
                           QStringLiteral("Hide Quick Bar")}));
    EXPECT_EQ(all[15].symbol, QStringLiteral("eye.fill"));
    EXPECT_EQ(all[15].hint, QStringLiteral("TOGGLE"));
    EXPECT_EQ(all[15].subtitle, QStringLiteral("HUD widget"));
    EXPECT_EQ(all[14].symbol, QStringLiteral("eye.slash.fill"));
    EXPECT_EQ(all[9].title, QStringLiteral("Hide All Widgets"));
    EXPECT_EQ(all[9].hint, QStringLiteral("TOGGLE")) << "named like a toggle, so labelled one";
    EXPECT_EQ(all[8].hint, QStringLiteral("OPEN"));

    all[15].run();
    all[8].run();
    all[9].run();
    EXPECT_EQ(done,
              (QStringList{QStringLiteral("toggle nowPlaying"), QStringLiteral("setup"),
                           QStringLiteral("hideAll")}));
}

TEST_F(CommandSearchTest, EachSourceIsCappedBeforeTheMerge)
{
    for (int i = 0; i < 6; ++i) {
        sources.apps << app(QStringLiteral("Term %1").arg(i));
        sources.skills << skill(QStringLiteral("s%1").arg(i),
                                QStringLiteral("Term skill %1").arg(i));
        sources.clips << clip(QStringLiteral("term clip %1").arg(i));
    }
    const QList<CommandItem> rows = search("term");
    // 4 apps (92), 3 skills (90) and 3 clips (80), no command: ten rows before the web row, so
    // the list is cut to nine and the web row and the last clip fall off.
    ASSERT_EQ(rows.size(), 9);
    EXPECT_EQ(ids(rows).filter(QStringLiteral("app:")).size(), 4);
    EXPECT_EQ(titles(rows).filter(QStringLiteral("Term skill")).size(), 3);
    EXPECT_EQ(ids(rows).filter(QStringLiteral("clip:")).size(), 2);
    EXPECT_FALSE(ids(rows).contains(QStringLiteral("web")));
}

TEST_F(CommandSearchTest, EqualScoresKeepTheSourceOrder)
{
    // A running app whose word starts with the token (65 + 12 + 3) ties with a clip that
    // starts with it (80): the app, appended first, stays first.
    sources.apps = {app(QStringLiteral("Big Term")), app(QStringLiteral("Old Terminal")),
                    app(QStringLiteral("Term"))};
    sources.runningPaths = {sources.apps[0].url.toLocalFile()};
    sources.clips = {clip(QStringLiteral("my term")), clip(QStringLiteral("term notes"))};
    const QList<CommandItem> rows = search("term");
    EXPECT_EQ(
        titles(rows),
        (QStringList{QStringLiteral("Term"), QStringLiteral("Big Term"),
                     QStringLiteral("term notes"), QStringLiteral("Old Terminal"),
                     QStringLiteral("my term"), QStringLiteral("Search the web for “term”")}));
    QList<int> scores;
    for (const CommandItem &row : rows)
        scores << row.score;
    EXPECT_EQ(scores, (QList<int>{112, 80, 80, 77, 65, 1}));
}

TEST_F(CommandSearchTest, CalculatorQueries)
{
    const QList<CommandItem> rows = search("=2*3");
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows[0].id, QStringLiteral("calc"));
    EXPECT_EQ(rows[0].title, QStringLiteral("6"));
    EXPECT_EQ(rows[0].subtitle, QStringLiteral("Result. Return copies it."));
    EXPECT_EQ(rows[0].symbol, QStringLiteral("equal.circle.fill"));
    EXPECT_EQ(rows[0].hint, QStringLiteral("COPY"));
    EXPECT_EQ(rows[0].score, 1000);
    EXPECT_FALSE(rows[0].runAlt);
    EXPECT_FALSE(ids(rows).contains(QStringLiteral("web")));
    rows[0].run();
    EXPECT_EQ(done, QStringList{QStringLiteral("text 6")});

    EXPECT_TRUE(search("=abc").isEmpty()) << "no value, and \"=\" queries never search the web";
    EXPECT_TRUE(search("=").isEmpty());

    // The other sources are still searched with the whole token.
    sources.clips = {clip(QStringLiteral("=1+1 is two"))};
    EXPECT_EQ(ids(search("=1+1")).first(), QStringLiteral("calc"));
    EXPECT_EQ(search("=1+1").size(), 2);
}

TEST_F(CommandSearchTest, TheWebRowNeedsTwoCharactersAndComesLast)
{
    sources.apps = {app(QStringLiteral("Xterm"))};
    EXPECT_EQ(ids(search("x")),
              QStringList{QStringLiteral("app:/usr/share/applications/xterm.desktop")});
    // One user-perceived character, two UTF-16 units.
    EXPECT_TRUE(search("😀").isEmpty());
    EXPECT_TRUE(search("e\u0301").isEmpty());

    const QList<CommandItem> rows = search("  xt  ");
    ASSERT_EQ(rows.size(), 2);
    const CommandItem &web = rows[1];
    EXPECT_EQ(web.id, QStringLiteral("web"));
    EXPECT_EQ(web.title, QStringLiteral("Search the web for “xt”"));
    EXPECT_EQ(web.subtitle, QStringLiteral("Opens your default browser"));
    EXPECT_EQ(web.symbol, QStringLiteral("globe"));
    EXPECT_EQ(web.hint, QStringLiteral("OPEN"));
    EXPECT_EQ(web.score, 1);
    web.run();
    EXPECT_EQ(done, QStringList{QStringLiteral("url https://duckduckgo.com/?q=xt")});
}

TEST_F(CommandSearchTest, NineRowsBeforeItPushTheWebRowOut)
{
    for (int i = 0; i < 4; ++i)
        sources.apps << app(QStringLiteral("Note %1").arg(i));
    for (int i = 0; i < 3; ++i)
        sources.skills << skill(QStringLiteral("s%1").arg(i),
                                QStringLiteral("Note skill %1").arg(i));
    sources.clips = {clip(QStringLiteral("note a"))};
    EXPECT_EQ(search("note").size(), 9);
    EXPECT_EQ(search("note").last().id, QStringLiteral("web"));
    sources.clips << clip(QStringLiteral("note b"));
    EXPECT_EQ(search("note").size(), 9);
    EXPECT_NE(search("note").last().id, QStringLiteral("web"));
}

TEST(CommandSearchWeb, QueryEncoding)
{
    auto url = [](const char *q) {
        return QString::fromLatin1(CommandSearch::webSearchURL(QString::fromUtf8(q)).toEncoded());
    };
    // "&" and "+" are encoded so they stay part of the query; the rest of the query-allowed
    // characters pass as typed.
    EXPECT_EQ(url("c++ & rust"), QStringLiteral("https://duckduckgo.com/?q=c%2B%2B%20%26%20rust"));
    EXPECT_EQ(url("a=b/c?d:e@f!$'()*,;"),
              QStringLiteral("https://duckduckgo.com/?q=a=b/c?d:e@f!$'()*,;"));
    EXPECT_EQ(url("100% #1 \"q\" <x>"),
              QStringLiteral("https://duckduckgo.com/?q=100%25%20%231%20%22q%22%20%3Cx%3E"));
    EXPECT_EQ(url("naïve 東京"),
              QStringLiteral("https://duckduckgo.com/?q=na%C3%AFve%20%E6%9D%B1%E4%BA%AC"));
    EXPECT_EQ(url("a-b_c.d~e"), QStringLiteral("https://duckduckgo.com/?q=a-b_c.d~e"));
    // What a browser's query parser reads back is what was typed.
    const QUrl parsed = CommandSearch::webSearchURL(QStringLiteral("c++ & rust"));
    EXPECT_EQ(QUrlQuery(parsed).queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded),
              QStringLiteral("c++ & rust"));
}

TEST_F(CommandSearchTest, EmptyQueryList)
{
    sources.quickBar = {skill(QStringLiteral("q1"), QStringLiteral("Focus")),
                        skill(QStringLiteral("q2"), QStringLiteral("Ollama")),
                        skill(QStringLiteral("q3"), QStringLiteral("Shot")),
                        skill(QStringLiteral("q4"), QStringLiteral("Fourth"))};
    for (int i = 0; i < 5; ++i)
        sources.clips << clip(QStringLiteral("clip %1").arg(i));
    sources.apps = {app(QStringLiteral("Anything"))};

    for (const char *query : {"", "   ", " \t\n "}) {
        const QList<CommandItem> rows = search(query);
        ASSERT_EQ(rows.size(), 9) << query;
        EXPECT_EQ(
            titles(rows),
            (QStringList{QStringLiteral("Focus"), QStringLiteral("Ollama"), QStringLiteral("Shot"),
                         QStringLiteral("clip 0"), QStringLiteral("clip 1"),
                         QStringLiteral("clip 2"), QStringLiteral("Menu"),
                         QStringLiteral("Edit Layout"), QStringLiteral("Reset Layout")}));
        EXPECT_EQ(rows[0].subtitle, QStringLiteral("Quick bar"));
        EXPECT_EQ(rows[0].hint, QStringLiteral("RUN"));
        EXPECT_EQ(rows[0].symbol, QStringLiteral("bolt.fill"));
        EXPECT_EQ(rows[0].score, 0);
        EXPECT_EQ(rows[3].score, 0);
    }
    search("")[1].run();
    EXPECT_EQ(done, QStringList{QStringLiteral("skill q2")});
}

TEST_F(CommandSearchTest, SkillRows)
{
    sources.skills = {skill(QStringLiteral("sc:Backup"), QStringLiteral("Backup home"), true),
                      skill(QStringLiteral("lo:Desk"), QStringLiteral("Desk backup"), false,
                            QStringLiteral("LOADOUT")),
                      skill(QStringLiteral("ai"), QStringLiteral("Ask to back up"))};
    const QList<CommandItem> rows = CommandSearch::skills(tokens("back"), sources);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(ids(rows),
              (QStringList{QStringLiteral("sc:Backup"), QStringLiteral("lo:Desk"),
                           QStringLiteral("ai")}));
    EXPECT_EQ(rows[0].subtitle, QStringLiteral("Shortcut"));
    EXPECT_EQ(rows[1].subtitle, QStringLiteral("Loadout"));
    EXPECT_EQ(rows[2].subtitle, QStringLiteral("Skill"));
    EXPECT_EQ(rows[0].score, 90);
    EXPECT_EQ(rows[1].score, 75);
    EXPECT_EQ(rows[2].score, 75);
    EXPECT_EQ(rows[0].hint, QStringLiteral("RUN"));
    rows[1].run();
    EXPECT_EQ(done, QStringList{QStringLiteral("skill lo:Desk")});
}

TEST_F(CommandSearchTest, ClipsMatchAcrossLinesInDisplayOrder)
{
    sources.clips = {clip(QStringLiteral("first\nsecond line")), clip(QStringLiteral("other")),
                     clip(QStringLiteral("a first second"))};
    EXPECT_EQ(titles(CommandSearch::clipboard(tokens("first second"), sources)),
              (QStringList{QStringLiteral("first second line"), QStringLiteral("a first second")}));
    EXPECT_TRUE(CommandSearch::clipboard(tokens("firstsecond"), sources).isEmpty());
}

TEST_F(CommandSearchTest, ClipRow)
{
    ClipItem c = clip(QStringLiteral("  \n") + QStringLiteral("line one\nline two ")
                          + QStringLiteral("x").repeated(80) + QStringLiteral("\n\n"),
                      2, QStringLiteral("Terminal"));
    const CommandItem row = CommandSearch::clipRow(c, 65, sources);
    EXPECT_EQ(row.id, QStringLiteral("clip:") + c.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(row.title, (QStringLiteral("line one line two ") + QStringLiteral("x").repeated(52)));
    EXPECT_EQ(row.title.size(), 70);
    EXPECT_EQ(row.subtitle,
              QStringLiteral("Clipboard · Terminal · ") + RelativeDate::text(c.date, sources.now));
    EXPECT_EQ(row.symbol, QStringLiteral("doc.text.fill"));
    EXPECT_EQ(row.hint, QStringLiteral("PASTE"));
    EXPECT_EQ(row.altHint, QStringLiteral("COPY"));
    EXPECT_EQ(row.score, 65);
    row.run();
    row.runAlt();
    EXPECT_EQ(done,
              (QStringList{QStringLiteral("paste ") + c.text, QStringLiteral("copy ") + c.text}));

    c.sourceApp.clear();
    EXPECT_EQ(CommandSearch::clipRow(c, 0, sources).subtitle,
              QStringLiteral("Clipboard · ") + RelativeDate::text(c.date, sources.now));
    c.text = QStringLiteral("https://example.org/a");
    EXPECT_EQ(CommandSearch::clipRow(c, 0, sources).symbol, QStringLiteral("link"));
    c.text = QStringLiteral("~/notes.txt");
    EXPECT_EQ(CommandSearch::clipRow(c, 0, sources).symbol, QStringLiteral("folder.fill"));
    // The cut counts characters as a reader does: emoji are never split in half.
    c.text = QStringLiteral("😀").repeated(80);
    EXPECT_EQ(CommandSearch::clipRow(c, 0, sources).title, QStringLiteral("😀").repeated(70));
}

TEST_F(CommandSearchTest, EmptyActionsDoNothing)
{
    CommandSources bare;
    bare.apps = {app(QStringLiteral("Safari"))};
    bare.clips = {clip(QStringLiteral("safari notes"))};
    bare.skills = {skill(QStringLiteral("k"), QStringLiteral("Safari skill"))};
    HUDCommands none;
    none.toggleMenu = nullptr;
    QList<CommandItem> rows = CommandSearch::results(QStringLiteral("safari"), none, bare);
    rows << CommandSearch::results(QStringLiteral("=1"), none, bare);
    rows << CommandSearch::results(QStringLiteral("menu"), none, bare);
    rows << CommandSearch::results(QStringLiteral("hide"), none, bare);
    ASSERT_GE(rows.size(), 8);
    for (const CommandItem &row : rows) {
        ASSERT_TRUE(row.run) << row.id.toStdString();
        row.run();
        if (row.runAlt)
            row.runAlt();
    }
}

#include "skills/SkillBook.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakeSystemLog.h"
#include "fakes/FakeToolRunner.h"
#include "fakes/FakeUserDefaults.h"
#include "platform/linux/ProcessToolRunner.h"
#include "support/TestHelpers.h"

#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString kTool = QStringLiteral("/opt/kaidro/vantle-shortcuts");

struct SkillBookTest : ::testing::Test
{
    FakeToolRunner tools;
    FakeUserDefaults defaults;
    FakeSystemLog log;
    FakeFeedback feedback;
    QList<Loadout> loadouts;
    QString tool = kTool;
    std::unique_ptr<SkillBook> book;

    // Lists `names` and answers every run with `run`.
    void serve(QStringList names, ToolResult run = exited(0))
    {
        tools.handler = [names, run](const QString &, const QStringList &args) {
            return args.value(0) == QLatin1String("list")
                ? exited(0, names.join(QLatin1Char('\n')).toUtf8() + "\n")
                : run;
        };
    }

    SkillBook &make()
    {
        SkillBook::Collaborators with;
        with.loadouts = [this] { return loadouts; };
        book = std::make_unique<SkillBook>(tools, defaults, log, feedback, std::move(with), tool);
        return *book;
    }

    void settle()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !book->isBusy(); }, 5000));
    }
    QStringList barIDs() const { return mapped(book->quickBar(), &SkillBook::Skill::id); }
};

} // namespace

TEST_F(SkillBookTest, QuickBarStartsWithFocusFillsToFourAndKeepsStarsOfDeletedShortcuts)
{
    serve({"Backup", "Mail digest", "Deploy"});
    SkillBook &b = make();
    EXPECT_EQ(barIDs(), QStringList{"builtin:focus"});
    b.reload();
    settle();

    for (const char *id : {"builtin:wake", "shortcut:Backup", "shortcut:Mail digest"})
        b.toggleStar(QLatin1String(id));
    ASSERT_EQ(barIDs().size(), 4);
    EXPECT_TRUE(feedback.toasts.isEmpty());

    // The fifth is refused with the toast, and nothing is stored.
    b.toggleStar("shortcut:Deploy");
    EXPECT_EQ(feedback.toasts.size(), 1);
    EXPECT_FALSE(b.isStarred("shortcut:Deploy"));

    // A deleted Shortcut leaves the bar and frees its slot, but keeps its stored star.
    serve({"Mail digest", "Deploy"});
    b.reload();
    settle();
    EXPECT_EQ(barIDs(), (QStringList{"builtin:focus", "builtin:wake", "shortcut:Mail digest"}));
    b.toggleStar("shortcut:Deploy");
    EXPECT_EQ(barIDs().size(), 4);
    EXPECT_EQ(defaults.stringList(SkillBook::defaultsKey),
              (QStringList{"builtin:focus", "builtin:wake", "shortcut:Backup",
                           "shortcut:Mail digest", "shortcut:Deploy"}));

    // A restart reads the stars back.
    make();
    EXPECT_TRUE(book->isStarred("shortcut:Backup"));
}

TEST_F(SkillBookTest, SkillsFollowLoadoutsAndListingOrder)
{
    Loadout desk;
    desk.id = QUuid::createUuid();
    desk.name = "Desk";
    desk.entries = {Loadout::Entry{"org.gnome.Terminal", {}, 0},
                    Loadout::Entry{"org.gnome.Terminal", {}, 1}};
    loadouts = {desk};
    tools.handler = [](const QString &, const QStringList &) {
        return exited(1, "Zeta\n\n \t\nAlpha\nZeta \n");
    };
    SkillBook &b = make();
    b.reload();
    settle();

    // Whatever the status: names as listed, blank lines dropped, order kept; a look-alike
    // runs its own script.
    EXPECT_EQ(b.shortcutNames(), (QStringList{"Zeta", "Alpha", "Zeta "}));
    b.run("shortcut:Zeta ");
    settle();
    EXPECT_EQ(tools.calls.last().arguments, (QStringList{"run", "Zeta "}));
    const QList<SkillBook::Skill> all = b.allSkills();
    ASSERT_EQ(all.size(), 7);
    EXPECT_EQ(all[3].id, "loadout:" + Loadout::uuidText(desk.id));
    EXPECT_EQ(b.searchableSkills().size(), 4);
}

TEST_F(SkillBookTest, ShortcutRunsOnceWithItsNameAsOneArgumentAndReportsItsOutput)
{
    QString thousand;
    for (int i = 0; i < 1000; ++i)
        thousand += i % 2 ? QStringLiteral("é") : QStringLiteral("👍🏽");
    serve({"Say hello"}, exited(0, "\n  " + thousand.toUtf8() + "  \n"));
    SkillBook &b = make();
    b.reload();
    settle();

    b.run("shortcut:Say hello");
    b.run("shortcut:Say hello");
    EXPECT_TRUE(b.running().contains("shortcut:Say hello"));
    settle();
    EXPECT_EQ(tools.calls.last().arguments, (QStringList{"run", "Say hello"}));
    // However long it takes: a minute-long backup is not a failure.
    EXPECT_EQ(tools.calls.last().limitMs, ToolRunner::kNoLimit);
    EXPECT_EQ(tools.calls.size(), 2) << "listed once, run once";
    EXPECT_TRUE(b.running().isEmpty());
    EXPECT_EQ(feedback.cues.first().first, SoundCue::select);

    // The first 400 characters as a reader counts them: no emoji is cut in half.
    ASSERT_EQ(feedback.toasts.size(), 1);
    EXPECT_EQ(feedback.toasts[0].title + " | " + feedback.toasts[0].message,
              "Say hello | " + thousand.left(200 * 5));
    // The output is the user's own: it never reaches the log.
    for (const QString &line : std::as_const(log.lines))
        EXPECT_FALSE(line.contains("é")) << line.toStdString();
}

TEST_F(SkillBookTest, ReportsDoneFailuresAndAMissingTool)
{
    using R = SkillBook::Report;
    auto report = [](int status, const QString &out, const QString &err) {
        return SkillBook::report("Backup", {status, out, err});
    };
    EXPECT_EQ(report(0, " \n\t", {}).message, "Done.");
    const R failed = report(3, "partial", QString(500, 'x'));
    EXPECT_EQ(std::tie(failed.title, failed.message),
              std::tuple("Backup failed", QString(300, 'x')));

    // No tool at all: listing is empty and a run ends in the failure toast, without a process.
    tool.clear();
    SkillBook &b = make();
    b.reload();
    settle();
    EXPECT_TRUE(b.loaded());
    EXPECT_TRUE(b.shortcutNames().isEmpty());
    b.run(SkillBook::shortcutSkill("Backup"));
    settle();
    EXPECT_TRUE(tools.calls.isEmpty());
    EXPECT_EQ(feedback.toasts.value(0).title, "Backup failed");
}

namespace {
// Ended and, if nobody reaped it yet, a zombie.
bool gone(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    return ::kill(pid, 0) != 0
        || (stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z"));
}
} // namespace

TEST_F(SkillBookTest, StoppingOrQuittingEndsARunningShortcutAndWhatItStarted)
{
    const ProcessToolRunner real;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString pids = data + "/spawn.pids";
    writeFile(data + "/Vantle/shortcuts/Spawn",
              "#!/bin/sh\nsleep 600 &\n{ echo $!; echo $$; } >'" + pids.toUtf8() + ".tmp'\nmv '"
                  + pids.toUtf8() + ".tmp' '" + pids.toUtf8() + "'\nwait\n",
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const bool quit : {false, true}) {
        SCOPED_TRACE(quit ? "quit" : "stop");
        QFile::remove(pids);
        book = std::make_unique<SkillBook>(real, defaults, log, feedback,
                                           SkillBook::Collaborators{}, KAIDRO_SHORTCUTS_TOOL);
        book->run(SkillBook::shortcutSkill("Spawn"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(pids).size() > 0; }, 5000));
        const QList<QByteArray> both = readFile(pids).trimmed().split('\n');
        ASSERT_EQ(both.size(), 2);
        if (quit) {
            book.reset();
        } else {
            EXPECT_TRUE(book->canStop("shortcut:Spawn"));
            book->stop("shortcut:Spawn");
            settle();
            EXPECT_EQ(feedback.toasts.value(0).title, "Spawn failed");
        }
        for (const QByteArray &pid : both)
            EXPECT_TRUE(QTest::qWaitFor([&] { return gone(pid.toInt()); }, 3000)) << pid.data();
    }
}

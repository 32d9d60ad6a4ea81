#include "clipboard/ClipboardHistory.h"
#include "clipboard/Paster.h"

#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeUserDefaults.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/FakeWorkspace.h"
#include "platform/AtomicFile.h"
#include "support/TestHelpers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr pid_t ownPid = 4242;

// A text editor (100) in front, a password manager (200) and ourselves running.
class ClipboardHistoryTest : public ::testing::Test
{
protected:
    QTemporaryDir dir{TestEnvironment::home() + "/data-XXXXXX"};
    QString folder = dir.path();
    FakeAppPaths paths{folder, QString()};
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeUserDefaults defaults;
    FakeClock clock;
    std::unique_ptr<ClipboardHistory> history = make();

    void SetUp() override
    {
        workspace.apps = {FakeWorkspace::make(100, "Text Editor", "org.gnome.TextEditor"),
                          FakeWorkspace::make(200, "KeePassXC", "org.keepassxc.KeePassXC"),
                          FakeWorkspace::make(ownPid, "Vantle", "vantle")};
        workspace.front = 100;
    }

    std::unique_ptr<ClipboardHistory> make()
    {
        return std::make_unique<ClipboardHistory>(pasteboard, workspace, defaults, paths, clock,
                                                  ownPid);
    }

    QByteArray read(QString name = "pinned-clips.json")
    {
        history->flushPinned();
        return readFile(folder + "/" + name);
    }

    // Copies `text` outside and lets the history see it.
    void copy(const QString &text, const QStringList &types = {})
    {
        pasteboard.externalCopy(text, types);
        history->poll();
    }

    QStringList texts() const { return mapped(history->items(), &ClipItem::text); }
};

TEST(ClipItemKind, LinksPathsAndText)
{
    using K = ClipItem::Kind;
    // A remainder holding a space, a scheme starting with a digit, or nothing after "://" is text.
    const std::pair<K, QStringList> rows[]
        = {{K::link, {"  https://example.org/a?b=c \n", "git+ssh://host/repo", "x://y://z"}},
           {K::path, {"~/notes.txt", "/etc/hosts"}},
           {K::text,
            {"https://example.org/a b", "1http://x", "http://", "/etc/hosts\n/etc/passwd",
             "https://a.b/\nhttps://c.d/", "~notes", "://x", "ht_tp://x", "a:b://x", "mailto:a@b",
             "http://a\tb", QStringLiteral("http://a\u00a0b")}}};
    for (const auto &[kind, texts] : rows) {
        for (const QString &text : texts)
            EXPECT_EQ((ClipItem{{}, text}.kind()), kind) << qPrintable(text);
    }
}

TEST_F(ClipboardHistoryTest, RecordsNewTextAtTheTopAndMovesARepeatOrAReCopyUp)
{
    copy("first");
    clock.advance(30);
    copy("second");
    const QUuid firstId = history->items().last().id;
    clock.advance(30);
    workspace.front = std::nullopt;
    copy("first");
    ASSERT_EQ(texts(), (QStringList{"first", "second"}));
    const ClipItem &top = history->items().first();
    EXPECT_EQ(top.id, firstId);
    EXPECT_EQ(top.date, clock.now());
    // No app in front this time: the earlier source stays.
    EXPECT_EQ(top.sourceApp + " " + top.sourceBundle, "Text Editor org.gnome.TextEditor");
    // Nothing changed since: the clipboard is not even read.
    const int reads = pasteboard.plainTextReads;
    history->poll();
    EXPECT_EQ(pasteboard.plainTextReads, reads);

    // Copying an entry back is not recorded as a change of its own.
    clock.advance(5);
    history->copy(history->items().last());
    EXPECT_EQ(pasteboard.text, "second");
    EXPECT_EQ(texts(), (QStringList{"second", "first"}));
    EXPECT_EQ(history->items().first().date, clock.now());
    history->poll();
    EXPECT_EQ(pasteboard.plainTextReads, reads);
    // The next outside change is recorded again; our own app in front leaves no source.
    workspace.front = ownPid;
    copy("from our own field");
    ASSERT_EQ(history->items().size(), 3);
    EXPECT_EQ(history->items().first().sourceApp + history->items().first().sourceBundle, "");
}

TEST_F(ClipboardHistoryTest, AClipboardThatReportsItsChangesIsNeverPolled)
{
    pasteboard.reports = true;
    history->start();
    // No timer: the copy is recorded the moment it is reported.
    EXPECT_FALSE(history->isPolling());
    pasteboard.externalCopy("reported");
    pasteboard.externalCopy("and again");
    EXPECT_EQ(texts(), (QStringList{"and again", "reported"}));
    // Our own copy back reports itself too and is still not a change of its own.
    history->copy(history->items().last());
    EXPECT_EQ(texts(), (QStringList{"reported", "and again"}));
    history->start();
    pasteboard.externalCopy("once");
    EXPECT_EQ(texts().count("once"), 1) << "a second start listens once";
}

TEST_F(ClipboardHistoryTest, PrivateCopiesUnfitTextCopiesWhileOffAndIgnoredAppsAreNotRecorded)
{
    copy("hunter2", {"x-kde-passwordManagerHint"});
    copy("otp", {"org.nspasteboard.ConcealedType"});
    workspace.front = 200; // a password manager in front, copy without markers
    copy("secret");
    workspace.front = 100;
    copy("  \n\t \n");
    copy(QString(ClipboardHistory::maxLength + 1, 'a'));
    pasteboard.externalCopyOther({"image/png"});
    history->poll();
    // A secret copied after the type check of a plain copy: its text is read in that one's place.
    pasteboard.duringRead
        = [&] { pasteboard.externalCopy("hunter3", {"x-kde-passwordManagerHint"}); };
    copy("plain");
    history->poll();
    // Recording off consumes the changes for good.
    history->toggleRecording();
    copy("while off");
    history->toggleRecording();
    history->poll();
    EXPECT_TRUE(history->items().isEmpty());
    copy(QString(ClipboardHistory::maxLength, 'a'));
    EXPECT_EQ(history->items().size(), 1);
    // The setting is read back by the next instance.
    history->toggleRecording();
    EXPECT_FALSE(make()->isRecording());
    history->toggleRecording();

    // Ignoring an app drops its unpinned entries only.
    history->togglePin(history->items().first().id);
    copy("drop me");
    workspace.front = std::nullopt;
    copy("no source");
    history->ignoreApp("org.gnome.TextEditor");
    EXPECT_EQ(texts(), (QStringList{"no source", QString(ClipboardHistory::maxLength, 'a')}));
    EXPECT_EQ(defaults.stringList(ClipboardHistory::ignoreKey),
              QStringList{"org.gnome.TextEditor"});
    workspace.front = 100;
    copy("ignored now");
    EXPECT_EQ(history->items().size(), 2);
    history->clearIgnoredApps();
    EXPECT_FALSE(defaults.value(ClipboardHistory::ignoreKey).isValid());
    history->poll();
    copy("recorded again");
    EXPECT_EQ(history->items().size(), 3);
}

TEST_F(ClipboardHistoryTest, TrimKeepsFortyUnpinnedAndEveryPinned)
{
    // The three oldest and the newest are pinned: no pinned entry counts against the forty.
    for (int i = 0; i < 44; ++i) {
        copy(QStringLiteral("clip %1").arg(i));
        if (i < 3 || i == 43)
            history->togglePin(history->items().first().id);
    }
    // "clip 43" arrived unpinned as the 41st: the oldest unpinned went.
    EXPECT_EQ(history->items().size(), 43);
    copy("one more");
    QStringList kept{"clip 43", "clip 2", "clip 1", "clip 0", "one more"};
    for (int i = 42; i > 3; --i)
        kept << QStringLiteral("clip %1").arg(i);
    EXPECT_EQ(mapped(history->displayItems(), &ClipItem::text), kept);
}

TEST_F(ClipboardHistoryTest, PinnedEntriesAreWrittenAtOnceSurviveARestartOrAreKeptAsideBroken)
{
    copy("pin me");
    copy("forget me");
    ClipItem pinned = history->items().last();
    history->togglePin(pinned.id);
    pinned.pinned = true;

    const QJsonArray array = QJsonDocument::fromJson(read()).array();
    ASSERT_EQ(array.size(), 1);
    QJsonObject o = array[0].toObject();
    // Seconds since 2001-01-01 UTC.
    EXPECT_NEAR(o.take("date").toDouble(), pinned.date.toSecsSinceEpoch() - 978307200.0, 0.001);
    EXPECT_EQ(QJsonDocument(o).toJson(QJsonDocument::Compact),
              R"({"id":")" + pinned.id.toString(QUuid::WithoutBraces).toUpper().toUtf8()
                  + R"(","pinned":true,"sourceApp":"Text Editor",)"
                  + R"("sourceBundle":"org.gnome.TextEditor","text":"pin me"})");

    history = make();
    ASSERT_EQ(history->items(), QList<ClipItem>{pinned});

    // Optional keys are left out when empty.
    workspace.front = std::nullopt;
    copy("anonymous");
    history->togglePin(history->items().first().id);
    const QJsonObject anonymous = QJsonDocument::fromJson(read()).array().first().toObject();
    EXPECT_FALSE(anonymous.contains("sourceApp") || anonymous.contains("sourceBundle"));
    // Unpinning the last one leaves an empty list behind.
    history->remove(pinned.id);
    history->togglePin(history->items().first().id);
    EXPECT_EQ(read(), QByteArray("[]"));

    // A file that does not decode loads empty and is kept aside; other files stay as they are.
    const QByteArray broken
        = R"([{"id":"8C1B2D4E-0000-4000-8000-000000000001","text":"x","date":1.5}])";
    writeFile(folder + "/pinned-clips.json", broken);
    writeFile(folder + "/loadouts.json", "[]");
    history = make();
    EXPECT_TRUE(history->items().isEmpty());
    copy("new");
    history->togglePin(history->items().first().id);
    EXPECT_EQ(readFile(AtomicFile::keptAside(folder + "/pinned-clips.json").value(0)), broken);
    EXPECT_EQ(QJsonDocument::fromJson(read()).array().size(), 1);
    EXPECT_EQ(read("loadouts.json"), QByteArray("[]"));
}

TEST_F(ClipboardHistoryTest, ThePinnedFileIsWrittenOnlyWhenPinsChangeAndAPinBeforeQuittingIsKept)
{
    copy("keep");
    history->togglePin(history->items().first().id);
    ASSERT_EQ(QJsonDocument::fromJson(read()).array().size(), 1);
    QFile::remove(folder + "/pinned-clips.json");
    for (const char *text : {"a", "b", "c"})
        copy(text);
    history->remove(history->items().first().id);
    history->flushPinned();
    EXPECT_FALSE(QFile::exists(folder + "/pinned-clips.json"));

    copy("last");
    history->togglePin(history->items().first().id);
    history.reset();
    history = make();
    EXPECT_EQ(texts(), (QStringList{"last", "keep"}));
}

TEST_F(ClipboardHistoryTest, TheDebugChannelTellsOfCopiesButNeverTheirText)
{
    static QStringList lines;
    lines.clear();
    QLoggingCategory::setFilterRules("kaidro.clipboard.debug=true");
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &line) { lines << line; });
    copy("hunter2 is my password");
    history->togglePin(history->items().first().id);
    history->flushPinned();
    history = make(); // reads the pinned file back
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules({});

    EXPECT_GE(lines.size(), 3); // recorded, written, read
    for (const QString &line : std::as_const(lines))
        EXPECT_FALSE(line.contains("hunter2")) << qPrintable(line);
}

TEST_F(ClipboardHistoryTest, PasteCopiesAndTypesOnceAfterTheDelayOnlyWhereItMayType)
{
    FakeWindowSystem windows;
    windows.trust = false;
    FakeFeedback feedback;
    auto paster = std::make_unique<Paster>(*history, windows, feedback);
    copy("x");
    copy("y");
    const ClipItem x = history->items().last();
    paster->paste(x);
    paster->paste(x);
    EXPECT_EQ(pasteboard.text, "x");
    EXPECT_EQ(texts(), (QStringList{"x", "y"}));
    EXPECT_EQ(feedback.toasts.size(), 2);
    EXPECT_EQ(feedback.runLater(), 0);
    EXPECT_EQ(windows.pasteKeystrokes, 0);

    // Trusted: even a clip from outside the history is copied, then typed once after the delay.
    windows.trust = true;
    const ClipItem outside{QUuid::createUuid(), "outside"};
    paster->paste(outside);
    EXPECT_EQ(pasteboard.text, "outside");
    EXPECT_EQ(windows.pasteKeystrokes, 0);
    ASSERT_EQ(feedback.pending.size(), 1);
    EXPECT_EQ(feedback.pending.first().ms, Paster::keystrokeDelayMs);
    EXPECT_EQ(feedback.runLater(), 1);
    EXPECT_EQ(windows.pasteKeystrokes, 1);
    EXPECT_EQ(feedback.toasts.size(), 2);
    EXPECT_EQ(history->items().size(), 2);

    // A paster gone before its moment types nothing.
    paster->paste(outside);
    paster.reset();
    EXPECT_EQ(feedback.runLater(), 0);
    EXPECT_EQ(windows.pasteKeystrokes, 1);
}

} // namespace

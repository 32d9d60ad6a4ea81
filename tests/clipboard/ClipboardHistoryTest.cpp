#include "clipboard/ClipboardHistory.h"
#include "clipboard/Paster.h"

#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeUserDefaults.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/FakeWorkspace.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

constexpr pid_t ownPid = 4242;

class ClipboardHistoryTest : public ::testing::Test
{
protected:
    ClipboardHistoryTest()
        : folder(TestEnvironment::home() + QStringLiteral("/data-") + QString::number(++counter))
        , paths(folder, QString())
    {
        QDir(folder).removeRecursively();
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

    QByteArray pinnedFile() const
    {
        QFile file(folder + QStringLiteral("/pinned-clips.json"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Copies `text` outside and lets `history` see it.
    void copy(ClipboardHistory &history, const QString &text, const QStringList &types = {})
    {
        pasteboard.externalCopy(text, types);
        history.poll();
    }

    QStringList texts(const QList<ClipItem> &items) const
    {
        QStringList out;
        for (const ClipItem &item : items)
            out << item.text;
        return out;
    }

    static inline int counter = 0;
    QString folder;
    FakeAppPaths paths;
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeUserDefaults defaults;
    FakeClock clock;
};

TEST(ClipItemKind, LinksPathsAndText)
{
    using K = ClipItem::Kind;
    // A remainder holding a space, a scheme starting with a digit, or nothing after "://" is text.
    const std::pair<const char *, K> rows[] = {{"  https://example.org/a?b=c \n", K::link},
                                               {"git+ssh://host/repo", K::link},
                                               {"https://example.org/a b", K::text},
                                               {"1http://x", K::text},
                                               {"http://", K::text},
                                               {"~/notes.txt", K::path},
                                               {"/etc/hosts", K::path},
                                               {"/etc/hosts\n/etc/passwd", K::text},
                                               {"https://a.b/\nhttps://c.d/", K::text},
                                               {"~notes", K::text}};
    for (const auto &[text, kind] : rows) {
        ClipItem item;
        item.text = text;
        EXPECT_EQ(item.kind(), kind) << text;
    }
}

TEST_F(ClipboardHistoryTest, RecordsNewTextAtTheTopAndMovesARepeatUp)
{
    auto history = make();
    copy(*history, "first");
    clock.advance(30);
    copy(*history, "second");
    const QUuid firstId = history->items().last().id;
    clock.advance(30);
    workspace.front = std::nullopt;
    copy(*history, "first");
    ASSERT_EQ(texts(history->items()), (QStringList{"first", "second"}));
    const ClipItem &top = history->items().first();
    EXPECT_EQ(top.id, firstId);
    EXPECT_EQ(top.date, clock.now());
    // No app in front this time: the earlier source stays.
    EXPECT_EQ(top.sourceApp + " " + top.sourceBundle, "Text Editor org.gnome.TextEditor");
    // Nothing changed since: the clipboard is not even read.
    const int reads = pasteboard.plainTextReads;
    history->poll();
    EXPECT_EQ(pasteboard.plainTextReads, reads);

    // Our own app in front leaves no source.
    workspace.front = ownPid;
    copy(*history, "from our own field");
    EXPECT_EQ(history->items().first().sourceApp + history->items().first().sourceBundle, "");
}

TEST_F(ClipboardHistoryTest, PrivateCopiesUnfitTextAndCopiesWhileOffAreNotRecorded)
{
    auto history = make();
    copy(*history, "hunter2", {"x-kde-passwordManagerHint"});
    copy(*history, "otp", {"org.nspasteboard.ConcealedType"});
    workspace.front = 200; // a password manager in front, copy without markers
    copy(*history, "secret");
    workspace.front = 100;
    copy(*history, "  \n\t \n");
    copy(*history, QString(ClipboardHistory::maxLength + 1, 'a'));
    pasteboard.externalCopyOther({"image/png"});
    history->poll();
    // Recording off consumes the changes for good.
    history->toggleRecording();
    EXPECT_EQ(defaults.boolean(ClipboardHistory::recordingKey), false);
    copy(*history, "while off");
    history->toggleRecording();
    history->poll();
    EXPECT_TRUE(history->items().isEmpty());
    copy(*history, QString(ClipboardHistory::maxLength, 'a'));
    EXPECT_EQ(history->items().size(), 1);
    // The setting is read back by the next instance.
    history->toggleRecording();
    EXPECT_FALSE(make()->isRecording());
}

TEST_F(ClipboardHistoryTest, TrimKeepsFortyUnpinnedAndEveryPinned)
{
    // The three oldest and the newest are pinned: no pinned entry counts against the forty.
    auto history = make();
    for (int i = 0; i < 44; ++i) {
        copy(*history, QStringLiteral("clip %1").arg(i));
        if (i < 3 || i == 43)
            history->togglePin(history->items().first().id);
    }
    // "clip 43" arrived unpinned as the 41st: the oldest unpinned went.
    EXPECT_EQ(history->items().size(), 43);
    copy(*history, "one more");
    ASSERT_EQ(history->items().size(), 44);
    const QStringList all = texts(history->items());
    EXPECT_FALSE(all.contains("clip 3"));
    for (const char *kept : {"clip 4", "clip 0", "clip 1", "clip 2", "clip 43"})
        EXPECT_TRUE(all.contains(kept)) << kept;
    EXPECT_EQ(texts(history->displayItems().mid(0, 5)),
              (QStringList{"clip 43", "clip 2", "clip 1", "clip 0", "one more"}));
}

TEST_F(ClipboardHistoryTest, ReCopyIsNotRecordedAgainAndMovesTheEntryUp)
{
    auto history = make();
    copy(*history, "a");
    copy(*history, "b");
    clock.advance(5);
    history->copy(history->items().last());
    EXPECT_EQ(pasteboard.text, "a");
    EXPECT_EQ(texts(history->items()), (QStringList{"a", "b"}));
    EXPECT_EQ(history->items().first().date, clock.now());
    const int reads = pasteboard.plainTextReads;
    history->poll();
    EXPECT_EQ(pasteboard.plainTextReads, reads);
    EXPECT_EQ(history->items().size(), 2);
    // The next outside change is recorded again.
    copy(*history, "c");
    EXPECT_EQ(history->items().size(), 3);
}

TEST_F(ClipboardHistoryTest, IgnoringAnAppDropsItsUnpinnedEntriesOnly)
{
    auto history = make();
    copy(*history, "keep me");
    history->togglePin(history->items().first().id);
    copy(*history, "drop me");
    workspace.front = std::nullopt;
    copy(*history, "no source");

    history->ignoreApp("org.gnome.TextEditor");
    EXPECT_EQ(texts(history->items()), (QStringList{"no source", "keep me"}));
    EXPECT_EQ(defaults.stringList(ClipboardHistory::ignoreKey),
              QStringList{"org.gnome.TextEditor"});
    workspace.front = 100;
    copy(*history, "ignored now");
    EXPECT_EQ(history->items().size(), 2);

    history->clearIgnoredApps();
    EXPECT_FALSE(defaults.value(ClipboardHistory::ignoreKey).isValid());
    history->poll();
    copy(*history, "recorded again");
    EXPECT_EQ(history->items().size(), 3);
}

TEST_F(ClipboardHistoryTest, PinnedEntriesAreWrittenAtOnceAndSurviveARestart)
{
    auto history = make();
    copy(*history, "pin me");
    copy(*history, "forget me");
    const ClipItem pinned = history->items().last();
    history->togglePin(pinned.id);

    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(folder + "/pinned-clips.json").constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600);
    const QJsonArray array = QJsonDocument::fromJson(pinnedFile()).array();
    ASSERT_EQ(array.size(), 1);
    const QJsonObject o = array.first().toObject();
    EXPECT_EQ(o.value("id").toString(), pinned.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(o.value("text").toString(), "pin me");
    EXPECT_NEAR(o.value("date").toDouble(), double(pinned.date.toSecsSinceEpoch()) - 978307200.0,
                0.001);
    EXPECT_TRUE(o.value("pinned").toBool());
    EXPECT_EQ(o.value("sourceApp").toString(), "Text Editor");

    auto restarted = make();
    ASSERT_EQ(restarted->items().size(), 1);
    const ClipItem &loaded = restarted->items().first();
    EXPECT_EQ(loaded.id, pinned.id);
    EXPECT_EQ(loaded.text, pinned.text);
    EXPECT_EQ(loaded.date, pinned.date);
    EXPECT_EQ(loaded.sourceApp, pinned.sourceApp);
    EXPECT_EQ(loaded.sourceBundle, pinned.sourceBundle);
    EXPECT_TRUE(loaded.pinned);

    // Optional keys are left out when empty.
    workspace.front = std::nullopt;
    copy(*restarted, "anonymous");
    restarted->togglePin(restarted->items().first().id);
    const QJsonObject anonymous = QJsonDocument::fromJson(pinnedFile()).array().first().toObject();
    EXPECT_FALSE(anonymous.contains("sourceApp"));
    EXPECT_FALSE(anonymous.contains("sourceBundle"));
    // Unpinning the last one leaves an empty list behind.
    restarted->remove(pinned.id);
    restarted->togglePin(restarted->items().first().id);
    EXPECT_EQ(pinnedFile(), QByteArray("[]"));
}

TEST_F(ClipboardHistoryTest, MalformedPinnedFileLoadsEmptyAndIsKeptAside)
{
    QDir().mkpath(folder);
    const QByteArray broken
        = R"([{"id":"8C1B2D4E-0000-4000-8000-000000000001","text":"x","date":1.5}])";
    for (const auto &[name, bytes] :
         {std::pair{"/pinned-clips.json", broken}, {"/loadouts.json", QByteArray("[]")}}) {
        QFile file(folder + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    auto history = make();
    EXPECT_TRUE(history->items().isEmpty());
    copy(*history, "new");
    history->togglePin(history->items().first().id);

    QFile bad(folder + "/pinned-clips.json.bad"), other(folder + "/loadouts.json");
    ASSERT_TRUE(bad.open(QIODevice::ReadOnly));
    EXPECT_EQ(bad.readAll(), broken);
    EXPECT_EQ(QJsonDocument::fromJson(pinnedFile()).array().size(), 1);
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_EQ(other.readAll(), QByteArray("[]"));
}

TEST_F(ClipboardHistoryTest, PasteCopiesAndTypesOnceAfterTheDelayOnlyWhereItMayType)
{
    auto history = make();
    FakeWindowSystem windows;
    windows.trust = false;
    FakeFeedback feedback;
    auto paster = std::make_unique<Paster>(*history, windows, feedback);
    copy(*history, "x");
    copy(*history, "y");
    const ClipItem x = history->items().last();
    paster->paste(x);
    paster->paste(x);
    EXPECT_EQ(pasteboard.text, "x");
    EXPECT_EQ(texts(history->items()), (QStringList{"x", "y"}));
    ASSERT_EQ(feedback.toasts.size(), 2);
    for (const FakeFeedback::Toast &toast : feedback.toasts) {
        EXPECT_EQ(toast.title, "Copied");
        EXPECT_EQ(toast.message,
                  "Kaidro cannot type into other apps on this desktop. For now, press Ctrl+V.");
        EXPECT_EQ(toast.duration, 4);
    }
    EXPECT_EQ(feedback.runLater(), 0);
    EXPECT_EQ(windows.pasteKeystrokes, 0);

    // Trusted: a clip from outside the history still goes on the clipboard, and the keystroke
    // follows once, after the delay, without a toast.
    windows.trust = true;
    ClipItem outside;
    outside.id = QUuid::createUuid();
    outside.text = "outside";
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

#include "clipboard/ClipboardHistory.h"
#include "clipboard/Paster.h"

#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
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
        workspace.apps
            = {FakeWorkspace::make(100, QStringLiteral("Text Editor"),
                                   QStringLiteral("org.gnome.TextEditor")),
               FakeWorkspace::make(200, QStringLiteral("KeePassXC"),
                                   QStringLiteral("org.keepassxc.KeePassXC")),
               FakeWorkspace::make(ownPid, QStringLiteral("Vantle"), QStringLiteral("vantle"))};
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
    auto kind = [](const QString &text) {
        ClipItem item;
        item.text = text;
        return item.kind();
    };
    EXPECT_EQ(kind(QStringLiteral("  https://example.org/a?b=c \n")), ClipItem::Kind::link);
    EXPECT_EQ(kind(QStringLiteral("git+ssh://host/repo")), ClipItem::Kind::link);
    // A remainder holding a space, a scheme starting with a digit, or nothing after "://".
    EXPECT_EQ(kind(QStringLiteral("https://example.org/a b")), ClipItem::Kind::text);
    EXPECT_EQ(kind(QStringLiteral("1http://x")), ClipItem::Kind::text);
    EXPECT_EQ(kind(QStringLiteral("http://")), ClipItem::Kind::text);
    EXPECT_EQ(kind(QStringLiteral("~/notes.txt")), ClipItem::Kind::path);
    EXPECT_EQ(kind(QStringLiteral("/etc/hosts")), ClipItem::Kind::path);
    EXPECT_EQ(kind(QStringLiteral("/etc/hosts\n/etc/passwd")), ClipItem::Kind::text);
    EXPECT_EQ(kind(QStringLiteral("https://a.b/\nhttps://c.d/")), ClipItem::Kind::text);
    EXPECT_EQ(kind(QStringLiteral("~notes")), ClipItem::Kind::text);
}

TEST_F(ClipboardHistoryTest, RecordsNewTextAtTheTopAndMovesARepeatUp)
{
    auto history = make();
    pasteboard.externalCopy(QStringLiteral("first"));
    history->poll();
    clock.advance(30);
    pasteboard.externalCopy(QStringLiteral("second"));
    history->poll();
    const QUuid firstId = history->items().last().id;
    clock.advance(30);
    workspace.front = std::nullopt;
    pasteboard.externalCopy(QStringLiteral("first"));
    history->poll();

    ASSERT_EQ(texts(history->items()), (QStringList{"first", "second"}));
    const ClipItem &top = history->items().first();
    EXPECT_EQ(top.id, firstId);
    EXPECT_EQ(top.date, clock.now());
    // No app in front this time: the earlier source stays.
    EXPECT_EQ(top.sourceApp, QStringLiteral("Text Editor"));
    EXPECT_EQ(top.sourceBundle, QStringLiteral("org.gnome.TextEditor"));

    // Nothing changed since: the clipboard is not even read.
    const int reads = pasteboard.plainTextReads;
    history->poll();
    EXPECT_EQ(pasteboard.plainTextReads, reads);
}

TEST_F(ClipboardHistoryTest, PrivateCopiesAndUnfitTextAreNotRecorded)
{
    auto history = make();
    pasteboard.externalCopy(QStringLiteral("hunter2"),
                            {QStringLiteral("x-kde-passwordManagerHint")});
    history->poll();
    pasteboard.externalCopy(QStringLiteral("otp"),
                            {QStringLiteral("org.nspasteboard.ConcealedType")});
    history->poll();
    workspace.front = 200; // a password manager in front, copy without markers
    pasteboard.externalCopy(QStringLiteral("secret"));
    history->poll();
    workspace.front = 100;
    pasteboard.externalCopy(QStringLiteral("  \n\t \n"));
    history->poll();
    pasteboard.externalCopy(QString(ClipboardHistory::maxLength + 1, QLatin1Char('a')));
    history->poll();
    pasteboard.externalCopyOther({QStringLiteral("image/png")});
    history->poll();
    EXPECT_TRUE(history->items().isEmpty());

    pasteboard.externalCopy(QString(ClipboardHistory::maxLength, QLatin1Char('a')));
    history->poll();
    EXPECT_EQ(history->items().size(), 1);
}

TEST_F(ClipboardHistoryTest, OwnAppInFrontLeavesNoSource)
{
    auto history = make();
    workspace.front = ownPid;
    pasteboard.externalCopy(QStringLiteral("from our own field"));
    history->poll();
    ASSERT_EQ(history->items().size(), 1);
    EXPECT_TRUE(history->items().first().sourceApp.isEmpty());
    EXPECT_TRUE(history->items().first().sourceBundle.isEmpty());
}

TEST_F(ClipboardHistoryTest, RecordingOffConsumesChangesForGood)
{
    auto history = make();
    history->toggleRecording();
    EXPECT_EQ(defaults.boolean(ClipboardHistory::recordingKey), false);
    pasteboard.externalCopy(QStringLiteral("while off"));
    history->poll();
    history->toggleRecording();
    history->poll();
    EXPECT_TRUE(history->items().isEmpty());

    // The setting is read back by the next instance.
    history->toggleRecording();
    EXPECT_FALSE(make()->isRecording());
}

TEST_F(ClipboardHistoryTest, TrimKeepsFortyUnpinnedAndEveryPinned)
{
    auto history = make();
    for (int i = 0; i < 43; ++i) {
        pasteboard.externalCopy(QStringLiteral("clip %1").arg(i));
        history->poll();
        if (i < 3)
            history->togglePin(history->items().first().id);
    }
    EXPECT_EQ(history->items().size(), 43);
    pasteboard.externalCopy(QStringLiteral("one more"));
    history->poll();
    ASSERT_EQ(history->items().size(), 43);
    const QStringList all = texts(history->items());
    EXPECT_FALSE(all.contains(QStringLiteral("clip 3"))); // the oldest unpinned
    EXPECT_TRUE(all.contains(QStringLiteral("clip 4")));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(all.contains(QStringLiteral("clip %1").arg(i)));

    const QList<ClipItem> shown = history->displayItems();
    EXPECT_EQ(texts(shown.mid(0, 4)), (QStringList{"clip 2", "clip 1", "clip 0", "one more"}));
}

TEST_F(ClipboardHistoryTest, ReCopyIsNotRecordedAgainAndMovesTheEntryUp)
{
    auto history = make();
    pasteboard.externalCopy(QStringLiteral("a"));
    history->poll();
    pasteboard.externalCopy(QStringLiteral("b"));
    history->poll();
    const ClipItem a = history->items().last();
    clock.advance(5);
    history->copy(a);
    EXPECT_EQ(pasteboard.text, QStringLiteral("a"));
    EXPECT_EQ(texts(history->items()), (QStringList{"a", "b"}));
    EXPECT_EQ(history->items().first().date, clock.now());
    const int reads = pasteboard.plainTextReads;
    history->poll();
    EXPECT_EQ(pasteboard.plainTextReads, reads);
    EXPECT_EQ(history->items().size(), 2);

    // The next outside change is recorded again.
    pasteboard.externalCopy(QStringLiteral("c"));
    history->poll();
    EXPECT_EQ(history->items().size(), 3);
}

TEST_F(ClipboardHistoryTest, IgnoringAnAppDropsItsUnpinnedEntriesOnly)
{
    auto history = make();
    pasteboard.externalCopy(QStringLiteral("keep me"));
    history->poll();
    history->togglePin(history->items().first().id);
    pasteboard.externalCopy(QStringLiteral("drop me"));
    history->poll();
    workspace.front = std::nullopt;
    pasteboard.externalCopy(QStringLiteral("no source"));
    history->poll();

    history->ignoreApp(QStringLiteral("org.gnome.TextEditor"));
    EXPECT_EQ(texts(history->items()), (QStringList{"no source", "keep me"}));
    EXPECT_EQ(defaults.stringList(ClipboardHistory::ignoreKey),
              QStringList{QStringLiteral("org.gnome.TextEditor")});
    workspace.front = 100;
    pasteboard.externalCopy(QStringLiteral("ignored now"));
    history->poll();
    EXPECT_EQ(history->items().size(), 2);

    history->clearIgnoredApps();
    EXPECT_FALSE(defaults.value(ClipboardHistory::ignoreKey).isValid());
    history->poll();
    pasteboard.externalCopy(QStringLiteral("recorded again"));
    history->poll();
    EXPECT_EQ(history->items().size(), 3);
}

TEST_F(ClipboardHistoryTest, PinnedEntriesAreWrittenAtOnceAndSurviveARestart)
{
    auto history = make();
    pasteboard.externalCopy(QStringLiteral("pin me"));
    history->poll();
    pasteboard.externalCopy(QStringLiteral("forget me"));
    history->poll();
    const ClipItem pinned = history->items().last();
    history->togglePin(pinned.id);

    const QString path = folder + QStringLiteral("/pinned-clips.json");
    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600);
    const QJsonArray array = QJsonDocument::fromJson(pinnedFile()).array();
    ASSERT_EQ(array.size(), 1);
    const QJsonObject o = array.first().toObject();
    EXPECT_EQ(o.value("id").toString(), pinned.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(o.value("text").toString(), QStringLiteral("pin me"));
    EXPECT_NEAR(o.value("date").toDouble(), double(pinned.date.toSecsSinceEpoch()) - 978307200.0,
                0.001);
    EXPECT_TRUE(o.value("pinned").toBool());
    EXPECT_EQ(o.value("sourceApp").toString(), QStringLiteral("Text Editor"));

    auto restarted = make();
    ASSERT_EQ(restarted->items().size(), 1);
    const ClipItem &loaded = restarted->items().first();
    EXPECT_EQ(loaded.id, pinned.id);
    EXPECT_EQ(loaded.text, pinned.text);
    EXPECT_EQ(loaded.date, pinned.date)
        << loaded.date.toString(Qt::ISODateWithMs).toStdString() << " "
        << pinned.date.toString(Qt::ISODateWithMs).toStdString();
    EXPECT_EQ(loaded.sourceApp, pinned.sourceApp);
    EXPECT_EQ(loaded.sourceBundle, pinned.sourceBundle);
    EXPECT_TRUE(loaded.pinned);

    // Optional keys are left out when empty.
    workspace.front = std::nullopt;
    pasteboard.externalCopy(QStringLiteral("anonymous"));
    restarted->poll();
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
    {
        QFile file(folder + QStringLiteral("/pinned-clips.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(broken);
    }
    QFile other(folder + QStringLiteral("/loadouts.json"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("[]");
    other.close();

    auto history = make();
    EXPECT_TRUE(history->items().isEmpty());
    pasteboard.externalCopy(QStringLiteral("new"));
    history->poll();
    history->togglePin(history->items().first().id);

    QFile bad(folder + QStringLiteral("/pinned-clips.json.bad"));
    ASSERT_TRUE(bad.open(QIODevice::ReadOnly));
    EXPECT_EQ(bad.readAll(), broken);
    EXPECT_EQ(QJsonDocument::fromJson(pinnedFile()).array().size(), 1);
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_EQ(other.readAll(), QByteArray("[]"));
}

TEST_F(ClipboardHistoryTest, PasteWithoutTrustCopiesAndToasts)
{
    auto history = make();
    FakeWindowSystem windows;
    windows.trust = false;
    QStringList toasts;
    Paster paster(*history, windows, [&](const QString &title, const QString &message, double d) {
        toasts << title << message << QString::number(d);
    });
    pasteboard.externalCopy(QStringLiteral("x"));
    history->poll();
    pasteboard.externalCopy(QStringLiteral("y"));
    history->poll();
    const ClipItem x = history->items().last();
    paster.paste(x);
    paster.paste(x);
    EXPECT_EQ(pasteboard.text, QStringLiteral("x"));
    EXPECT_EQ(texts(history->items()), (QStringList{"x", "y"}));
    EXPECT_EQ(toasts,
              (QStringList{"Copied",
                           "Kaidro cannot type into other apps on this desktop. For now, press "
                           "Ctrl+V.",
                           "4", "Copied",
                           "Kaidro cannot type into other apps on this desktop. For now, press "
                           "Ctrl+V.",
                           "4"}));
    QTest::qWait(Paster::keystrokeDelayMs * 2);
    EXPECT_EQ(windows.pasteKeystrokes, 0);
}

TEST_F(ClipboardHistoryTest, PasteWithTrustTypesOnceAfterTheDelay)
{
    auto history = make();
    FakeWindowSystem windows;
    int toasts = 0;
    Paster paster(*history, windows, [&](const QString &, const QString &, double) { ++toasts; });
    ClipItem outside; // not in the history: still goes on the clipboard
    outside.id = QUuid::createUuid();
    outside.text = QStringLiteral("outside");
    paster.paste(outside);
    EXPECT_EQ(pasteboard.text, QStringLiteral("outside"));
    EXPECT_EQ(windows.pasteKeystrokes, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return windows.pasteKeystrokes == 1; }, 2000));
    EXPECT_EQ(toasts, 0);
    EXPECT_TRUE(history->items().isEmpty());
}

} // namespace

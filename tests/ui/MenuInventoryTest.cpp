#include "clipboard/ClipboardHistory.h"
#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeUserDefaults.h"
#include "fakes/FakeWorkspace.h"
#include "ui/menu/CoreInventory.h"
#include "ui/menu/InventoryText.h"
#include "ui/menu/MenuPaintedButton.h"
#include "widgets/WidgetTestSupport.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using CoreWidgets::CoreInventory;

namespace {

constexpr pid_t ownPid = 4242;

ClipItem clip(const QString &text, const QDateTime &date, const QString &app = {})
{
    return {QUuid::createUuid(), text, date, app};
}

} // namespace

TEST(InventoryText, CaptionsShortTextCountsAndSearch)
{
    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    // A clock set back (a copy stamped in the future) still reads as new.
    const std::tuple<int, const char *, const char *> captions[]
        = {{9, "", "JUST NOW"},
           {10, "", "10 SECONDS AGO"},
           {-60, "", "JUST NOW"},
           {300, "Text Editor", "5 MINUTES AGO  ·  TEXT EDITOR"},
           {0, "Firefox", "JUST NOW  ·  FIREFOX"}};
    for (const auto &[ago, app, caption] : captions)
        EXPECT_EQ(InventoryText::caption(clip("a", now.addSecs(-ago), app), now, "en_US"), caption);

    EXPECT_EQ(InventoryText::shortText("  one\n\ttwo   three \n"), "one two three");
    EXPECT_EQ(InventoryText::shortText("abcdef", 4), "abcd…");
    // An emoji straddling the cut is dropped whole, never halved.
    EXPECT_EQ(InventoryText::shortText(QString("abc") + QString::fromUtf8("😀") + "de", 4), "abc…");
    EXPECT_EQ(InventoryText::countLine(1, 0), "1 item");
    EXPECT_EQ(InventoryText::countLine(3, 1), "3 items + 1 pinned");
    EXPECT_EQ(InventoryText::countLine(0, 0), "0 items");

    const QList<ClipItem> clips{clip("Meeting notes\nfor Monday", now), clip("grocery list", now)};
    EXPECT_EQ(InventoryText::matching(clips, "  ").size(), 2);
    ASSERT_EQ(InventoryText::matching(clips, "NOTES monday").size(), 1);
    EXPECT_EQ(InventoryText::matching(clips, "notes monday").first().text,
              "Meeting notes\nfor Monday");
    EXPECT_TRUE(InventoryText::matching(clips, "notes tuesday").isEmpty());
}

class InventoryView : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WidgetTest::registerThemeFonts();
        workspace.apps = {FakeWorkspace::make(100, "Text Editor", "org.gnome.TextEditor"),
                          FakeWorkspace::make(ownPid, "Vantle", "vantle")};
        workspace.front = 100;
    }

    void copy(const QString &text)
    {
        pasteboard.externalCopy(text);
        history.poll();
    }

    std::unique_ptr<CoreInventory> make()
    {
        return std::make_unique<CoreInventory>(
            history,
            CoreInventory::Inputs{[this](const ClipItem &c) { pasted << c.text; },
                                  [this] { ++copied; }, [this] { ++pastedCallbacks; },
                                  [this] { return clock.now(); }, "en_US"});
    }

    QTemporaryDir dir;
    FakeAppPaths paths{dir.path(), {}};
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeUserDefaults defaults;
    FakeClock clock;
    ClipboardHistory history{pasteboard, workspace, defaults, paths, clock, ownPid};
    QStringList pasted;
    int copied = 0;
    int pastedCallbacks = 0;
};

TEST_F(InventoryView, EmptyPackSaysSoAndSearchMissesSayTheirOwn)
{
    auto view = make();
    EXPECT_TRUE(view->tiles().isEmpty());
    EXPECT_EQ(view->emptyText(), "Nothing in your pack yet. Copy something and it lands here.");
    EXPECT_FALSE(view->clearButton()->isVisibleTo(view.get()));
    EXPECT_EQ(view->footerText(), "0 items");

    copy("hello world");
    EXPECT_EQ(view->tiles().size(), 1);
    EXPECT_TRUE(view->emptyText().isEmpty());
    view->searchField()->setText("zebra");
    EXPECT_TRUE(view->tiles().isEmpty());
    EXPECT_EQ(view->emptyText(), "Nothing matches that search.");
    EXPECT_TRUE(view->clearButton()->isVisibleTo(view.get()));
    view->clearButton()->click();
    EXPECT_TRUE(view->searchField()->text().isEmpty());
    EXPECT_EQ(view->tiles().size(), 1);
}

TEST_F(InventoryView, PinnedFirstWithCaptionsCountsAndFooterButtonsThatClearAndPause)
{
    copy("first copy");
    clock.advance(120);
    copy("second copy");
    clock.advance(3);
    history.togglePin(history.items().last().id); // "first copy"
    auto view = make();
    ASSERT_EQ(view->shown().size(), 2);
    EXPECT_EQ(view->shown()[0].text, "first copy");
    EXPECT_EQ(view->tiles()[0]->accessibleName(), "pinned: first copy");
    EXPECT_EQ(view->tiles()[1]->accessibleName(), "copied item: second copy");
    EXPECT_TRUE(view->tiles()[1]->toolTip().endsWith("second copy"));
    EXPECT_EQ(view->footerText(), "2 items + 1 pinned");
    EXPECT_EQ(InventoryText::caption(view->shown()[1], clock.now(), "en_US"),
              "JUST NOW  ·  TEXT EDITOR");

    view->clearUnpinnedButton()->click();
    ASSERT_EQ(view->shown().size(), 1);
    EXPECT_EQ(view->shown().first().text, "first copy");
    const QString recording = view->recordingButton()->toolTip();
    view->recordingButton()->click();
    EXPECT_FALSE(history.isRecording());
    EXPECT_NE(view->recordingButton()->toolTip(), recording) << "the help follows the state";
}

TEST_F(InventoryView, TileClickCopiesBackAndTheMenuActs)
{
    copy("alpha");
    copy("beta");
    auto view = make();
    ASSERT_EQ(view->tiles().size(), 2);
    view->tiles()[1]->click(); // "alpha"
    EXPECT_EQ(pasteboard.text, std::optional<QString>("alpha"));
    EXPECT_EQ(copied, 1);
    // The copy back moves it to the top, and the grid follows.
    EXPECT_EQ(view->shown().first().text, "alpha");

    std::unique_ptr<QMenu> menu(view->actionsMenu(0));
    const QList<QAction *> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[1]->text(), "Pin");
    EXPECT_EQ(actions[3]->text(), "Never record copies from Text Editor");
    actions[0]->trigger();
    EXPECT_EQ(pasted, QStringList{"alpha"});
    EXPECT_EQ(pastedCallbacks, 1);
    actions[1]->trigger();
    EXPECT_TRUE(view->shown().first().pinned);
    std::unique_ptr<QMenu> pinnedMenu(view->actionsMenu(0));
    EXPECT_EQ(pinnedMenu->actions()[1]->toolTip(), "Unpin");
    pinnedMenu->actions()[3]->trigger();
    EXPECT_TRUE(history.ignoredBundles().contains("org.gnome.TextEditor"));
    // Ignoring the app also drops its unpinned copies.
    EXPECT_EQ(view->footerText(), "1 item + 1 pinned   IGNORING 1");
    std::unique_ptr<QMenu> again(view->actionsMenu(0));
    again->actions()[2]->trigger(); // Delete
    EXPECT_TRUE(view->shown().isEmpty());
    EXPECT_EQ(view->emptyText(), "Nothing in your pack yet. Copy something and it lands here.");
}

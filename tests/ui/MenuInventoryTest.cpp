#include "clipboard/ClipboardHistory.h"
#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeUserDefaults.h"
#include "fakes/FakeWorkspace.h"
#include "support/TestEnvironment.h"
#include "ui/menu/CoreInventory.h"
#include "ui/menu/InventoryText.h"
#include "ui/menu/MenuPaintedButton.h"
#include "widgets/WidgetTestSupport.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenu>

#include <gtest/gtest.h>

using CoreWidgets::CoreInventory;

namespace {

constexpr pid_t ownPid = 4242;

ClipItem clip(const QString &text, const QDateTime &date, const QString &app = {})
{
    ClipItem c;
    c.id = QUuid::createUuid();
    c.text = text;
    c.date = date;
    c.sourceApp = app;
    return c;
}

} // namespace

TEST(InventoryText, CaptionKindsShortTextCountsAndSearch)
{
    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    EXPECT_EQ(InventoryText::caption(clip("a", now.addSecs(-9)), now, "en_US"), "JUST NOW");
    EXPECT_EQ(InventoryText::caption(clip("a", now.addSecs(-10)), now, "en_US"), "10 SECONDS AGO");
    EXPECT_EQ(InventoryText::caption(clip("a", now.addSecs(-300), "Text Editor"), now, "en_US"),
              "5 MINUTES AGO  ·  TEXT EDITOR");
    EXPECT_EQ(InventoryText::caption(clip("a", now, "Firefox"), now, "en_US"),
              "JUST NOW  ·  FIREFOX");
    // A clock set back (a copy stamped in the future) still reads as new.
    EXPECT_EQ(InventoryText::caption(clip("a", now.addSecs(60)), now, "en_US"), "JUST NOW");

    EXPECT_EQ(InventoryText::kindSymbol(ClipItem::Kind::link), "link");
    EXPECT_EQ(InventoryText::kindSymbol(ClipItem::Kind::path), "folder.fill");
    EXPECT_EQ(InventoryText::kindSymbol(ClipItem::Kind::text), "doc.text.fill");

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
    InventoryView()
        : folder(TestEnvironment::home() + "/inventory-" + QString::number(++counter))
        , paths(folder, QString())
    {
        WidgetTest::registerThemeFonts();
        QDir(folder).removeRecursively();
        workspace.apps = {FakeWorkspace::make(100, "Text Editor", "org.gnome.TextEditor"),
                          FakeWorkspace::make(ownPid, "Vantle", "vantle")};
        workspace.front = 100;
        history = std::make_unique<ClipboardHistory>(pasteboard, workspace, defaults, paths, clock,
                                                     ownPid);
    }

    void copy(const QString &text)
    {
        pasteboard.externalCopy(text);
        history->poll();
    }

    std::unique_ptr<CoreInventory> make()
    {
        CoreInventory::Inputs in;
        in.paste = [this](const ClipItem &c) { pasted << c.text; };
        in.onCopied = [this] { ++copied; };
        in.onPasted = [this] { ++pastedCallbacks; };
        in.now = [this] { return clock.now(); };
        in.locale = "en_US";
        return std::make_unique<CoreInventory>(*history, std::move(in));
    }

    static inline int counter = 0;
    QString folder;
    FakeAppPaths paths;
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeUserDefaults defaults;
    FakeClock clock;
    std::unique_ptr<ClipboardHistory> history;
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
    history->togglePin(history->items().last().id); // "first copy"
    auto view = make();
    ASSERT_EQ(view->shown().size(), 2);
    EXPECT_EQ(view->shown()[0].text, "first copy");
    EXPECT_EQ(view->tiles()[0]->accessibleName(), "pinned: first copy");
    EXPECT_EQ(view->tiles()[1]->accessibleName(), "copied item: second copy");
    EXPECT_TRUE(view->tiles()[1]->toolTip().endsWith("second copy"));
    EXPECT_EQ(view->footerText(), "2 items + 1 pinned");
    EXPECT_EQ(InventoryText::caption(view->shown()[1], clock.now(), "en_US"),
              "JUST NOW  ·  TEXT EDITOR");
    WidgetTest::snapshot(*view, "menu-inventory");

    view->clearUnpinnedButton()->click();
    ASSERT_EQ(view->shown().size(), 1);
    EXPECT_EQ(view->shown().first().text, "first copy");
    const QString recording = view->recordingButton()->toolTip();
    view->recordingButton()->click();
    EXPECT_FALSE(history->isRecording());
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
    EXPECT_TRUE(history->ignoredBundles().contains("org.gnome.TextEditor"));
    // Ignoring the app also drops its unpinned copies.
    EXPECT_EQ(view->footerText(), "1 item + 1 pinned   IGNORING 1");
    std::unique_ptr<QMenu> again(view->actionsMenu(0));
    again->actions()[2]->trigger(); // Delete
    EXPECT_TRUE(view->shown().isEmpty());
    EXPECT_EQ(view->emptyText(), "Nothing in your pack yet. Copy something and it lands here.");
}

#include "commandbar/CommandBarController.h"
#include "commandbar/CommandBarModel.h"
#include "commandbar/CommandBarWindow.h"
#include "ui/commandbar/CommandBarView.h"

#include "fakes/FakeScreens.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class FakeBarWindow final : public CommandBarWindow
{
public:
    QRectF currentFrame;
    QList<QRectF> frames;
    QPointer<QWidget> content;
    bool visible = false;
    int presents = 0;

    QRectF frame() const override { return currentFrame; }
    void setFrame(const QRectF &f) override
    {
        currentFrame = f;
        frames << f;
    }
    void setContent(QWidget *view) override
    {
        if (content)
            content->deleteLater();
        content = view;
    }
    bool hasContent() const override { return !content.isNull(); }
    void present(double) override
    {
        visible = true;
        ++presents;
    }
    void orderOut() override { visible = false; }
    bool isVisible() const override { return visible; }

    void loseFocus() { emit resignedKey(); }
};

struct Log
{
    QStringList events;
};

CommandItem row(const QString &id, Log &log, bool withAlt = false)
{
    CommandItem item;
    item.id = id;
    item.title = id;
    item.hint = "OPEN";
    item.run = [&log, id] { log.events << QStringLiteral("run ") + id; };
    if (withAlt) {
        item.altHint = "COPY";
        item.runAlt = [&log, id] { log.events << QStringLiteral("alt ") + id; };
    }
    return item;
}

class CommandBarTest : public ::testing::Test
{
protected:
    CommandBarTest()
    {
        screens.setScreens({FakeScreens::make("main", {0, 0, 1440, 900}, 25),
                            FakeScreens::make("right", {1440, 0, 1280, 800})});
        screens.setPointer({100, 100});
    }

    std::unique_ptr<CommandBarController> makeController()
    {
        auto model = std::make_unique<CommandBarModel>(
            [this](const QString &query, const HUDCommands &) {
                ++searches;
                QList<CommandItem> rows;
                // One row per character typed, "c" rows carry an alternative.
                for (int i = 0; i < query.size(); ++i)
                    rows << row(query.left(i + 1), log, query.at(i) == QLatin1Char('c'));
                if (query.isEmpty())
                    rows << row("empty-list", log);
                return rows;
            },
            [this](CommandBarModel::Cue cue, float volume) {
                log.events << (cue == CommandBarModel::Cue::hover ? "hover " : "select ")
                        + QString::number(volume);
            });
        CommandBarController::Hooks hooks;
        hooks.makeWindow = [this] {
            auto w = std::make_unique<FakeBarWindow>();
            window = w.get();
            ++windowsMade;
            return w;
        };
        hooks.makeView = [](CommandBarModel &m) { return new CommandBarView(m, {}); };
        hooks.refreshSources = [this] { log.events << "refresh"; };
        hooks.playOpen = [this] { log.events << "open"; };
        auto controller = std::make_unique<CommandBarController>(screens, std::move(model), hooks);
        controller->model().onClose = [c = controller.get(), this] {
            log.events << "close";
            c->close();
        };
        return controller;
    }

    FakeScreens screens;
    Log log;
    FakeBarWindow *window = nullptr;
    int windowsMade = 0;
    int searches = 0;
};

TEST(CommandBarGeometry, TopEdgeStaysTwentyPercentBelowTheVisibleTop)
{
    const ScreenInfo screen = FakeScreens::make("main", {0, 0, 1440, 900}, 25);
    EXPECT_EQ(CommandBarController::heightFor(0), 173);
    EXPECT_EQ(CommandBarController::heightFor(1), 173);
    EXPECT_EQ(CommandBarController::heightFor(9), 541);
    for (int rows : {0, 1, 5, 9}) {
        const QRectF f = CommandBarController::frameFor(rows, screen);
        EXPECT_DOUBLE_EQ(f.x(), 720 - 320);
        EXPECT_DOUBLE_EQ(f.width(), 640);
        // y up: the top edge is y + height.
        EXPECT_DOUBLE_EQ(f.y() + f.height(), 875 - 0.2 * 875) << rows;
    }
    // A screen to the right, and one above the primary.
    const ScreenInfo right = FakeScreens::make("r", {1440, 100, 1280, 800});
    const QRectF f = CommandBarController::frameFor(3, right);
    EXPECT_DOUBLE_EQ(f.x(), 1440 + 640 - 320);
    EXPECT_DOUBLE_EQ(f.y() + f.height(), 900 - 160);
}

TEST_F(CommandBarTest, ShowResetsTheQueryPlacesOnThePointerScreenAndFocusesTheField)
{
    auto bar = makeController();
    screens.setPointer({2000, 400});
    bar->show();
    ASSERT_TRUE(window);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(log.events, (QStringList{"refresh", "open"}));
    EXPECT_EQ(bar->model().results().size(), 1);
    EXPECT_EQ(bar->model().focusPulse(), 1);
    EXPECT_EQ(window->currentFrame, CommandBarController::frameFor(1, screens.screens().at(1)));
    ASSERT_TRUE(window->content);

    // Typing grows the window downwards, on the next turn of the event loop.
    auto *view = qobject_cast<CommandBarView *>(window->content.data());
    ASSERT_TRUE(view);
    QTest::keyClicks(view->searchField(), "abcd");
    EXPECT_EQ(bar->model().query(), "abcd");
    QCoreApplication::processEvents();
    EXPECT_EQ(window->currentFrame, CommandBarController::frameFor(4, screens.screens().at(1)));
    EXPECT_DOUBLE_EQ(window->currentFrame.y() + window->currentFrame.height(), 800 - 160);

    // Closing and showing again starts from an empty query with a fresh view in the same window.
    QPointer<QWidget> oldView = window->content;
    bar->close();
    EXPECT_FALSE(bar->isVisible());
    bar->show();
    EXPECT_EQ(windowsMade, 1);
    EXPECT_EQ(bar->model().query(), QString());
    EXPECT_EQ(bar->model().selection(), 0);
    EXPECT_NE(window->content, oldView);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(oldView.isNull());
}

TEST_F(CommandBarTest, ToggleLosingFocusAndNoScreens)
{
    auto bar = makeController();
    bar->toggle();
    EXPECT_TRUE(bar->isVisible());
    bar->toggle();
    EXPECT_FALSE(bar->isVisible());
    bar->show();
    window->loseFocus();
    QCoreApplication::processEvents();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(window->hasContent());
    // Results changing after the close do not move the window.
    const int placed = int(window->frames.size());
    bar->model().setQuery("abc");
    QCoreApplication::processEvents();
    EXPECT_EQ(window->frames.size(), placed);

    screens.setScreens({});
    bar->toggle();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(window->presents, 2);
}

TEST_F(CommandBarTest, SelectionWrapsAndIsSilentWithoutRows)
{
    auto bar = makeController();
    CommandBarModel &model = bar->model();
    model.setQuery("abc");
    log.events.clear();
    model.moveSelection(-1);
    EXPECT_EQ(model.selection(), 2);
    model.moveSelection(+1);
    EXPECT_EQ(model.selection(), 0);
    EXPECT_EQ(log.events, (QStringList{"hover 0.3", "hover 0.3"}));
    model.setSelection(2);
    model.setQuery("abcd");
    EXPECT_EQ(model.selection(), 0);

    // A search with no rows: the arrows and Return do nothing and make no sound.
    CommandBarModel empty([](const QString &, const HUDCommands &) { return QList<CommandItem>(); },
                          [this](CommandBarModel::Cue, float) { log.events << "sound"; });
    empty.onClose = [this] { log.events << "close"; };
    log.events.clear();
    empty.setQuery("zz");
    empty.moveSelection(1);
    empty.moveSelection(-1);
    empty.runSelected(false);
    EXPECT_EQ(empty.selection(), 0);
    EXPECT_TRUE(log.events.isEmpty());
}

TEST_F(CommandBarTest, ReturnAltReturnEscapeAndClicksRunRows)
{
    auto bar = makeController();
    // Shows the bar, types `text` and presses `key`; the events that followed.
    auto press = [&](const QString &text, Qt::Key key, Qt::KeyboardModifiers modifiers = {},
                     int downs = 0) {
        bar->show();
        auto *view = qobject_cast<CommandBarView *>(window->content.data());
        QTest::keyClicks(view->searchField(), text);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(view->searchField(), Qt::Key_Down);
        log.events.clear();
        QTest::keyClick(view->searchField(), key, modifiers);
        EXPECT_FALSE(bar->isVisible());
        // The view that took the key press outlives it.
        EXPECT_EQ(view->searchField()->text(), text);
        return log.events;
    };
    EXPECT_EQ(press("abc", Qt::Key_Return, Qt::AltModifier, 2),
              (QStringList{"select 1", "close", "alt abc"}));
    // Alt+Return on a row without an alternative runs the row itself.
    EXPECT_EQ(press("ab", Qt::Key_Return, Qt::AltModifier),
              (QStringList{"select 1", "close", "run a"}));
    EXPECT_EQ(press("", Qt::Key_Escape), QStringList{"close"});

    for (const auto &[rows, point, events] :
         {std::tuple{3, QPoint(), QStringList{"select 1", "close", "run abc"}},
          {1, QPoint(320, 30), QStringList{}}}) {
        bar->show();
        auto *view = qobject_cast<CommandBarView *>(window->content.data());
        QTest::keyClicks(view->searchField(), QString("abc").left(rows));
        view->resize(640, int(CommandBarController::heightFor(rows)));
        log.events.clear();
        QTest::mouseClick(view, Qt::LeftButton, {},
                          point.isNull() ? view->rowRect(2).center().toPoint() : point);
        EXPECT_EQ(log.events, events) << "outside every row nothing runs";
    }
}

} // namespace

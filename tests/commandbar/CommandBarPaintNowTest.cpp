#include "commandbar/CommandBarController.h"
#include "commandbar/CommandBarModel.h"
#include "commandbar/CommandBarSearch.h"
#include "ui/commandbar/CommandBarPanel.h"
#include "ui/commandbar/CommandBarView.h"
#include "ui/hud/PanelStack.h"

#include "fakes/FakeScreens.h"
#include "fakes/FakeWindowSystem.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// One row per character typed, named by the query up to it.
class PrefixSearch final : public CommandBarSearch
{
public:
    QList<CommandItem> results(const QString &query) override
    {
        QList<CommandItem> rows;
        for (int i = 0; i < query.size(); ++i)
            rows << CommandItem{.title = query.left(i + 1), .symbol = "app", .hint = "OPEN"};
        return rows;
    }
    void noteRun(const QString &, const CommandItem &) override { }
    void forget(const CommandItem &) override { }
};

// Keeps what was put, and takes puts only while `takes`.
class ScreenCanvas final : public WindowCanvas
{
public:
    QImage *screen;
    QRegion *puts;
    bool *takes;
    bool put(const QImage &image, const QRegion &region) override
    {
        if (!*takes)
            return false;
        QPainter painter(screen);
        painter.setClipRegion(region);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, image);
        *puts += region;
        return true;
    }
};

class PaintSpy final : public QObject
{
public:
    QRegion painted;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

// A keystroke's rows that stay listed go to the screen through the canvas as a repaint draws
// them; rows gone, and rows the canvas refuses, are repainted by the toolkit.
TEST(CommandBarPaintNow, ListedRowsArePutAsARepaintDrawsThemTheRestIsRepainted)
{
    FakeScreens screens;
    screens.setScreens({FakeScreens::make("main", {0, 0, 1440, 900})});
    FakeWindowSystem windows;
    QImage screen(640, int(CommandBarController::heightFor(9)),
                  QImage::Format_ARGB32_Premultiplied);
    QRegion puts;
    bool takes = true;
    windows.makeCanvas = [&](quintptr) {
        auto canvas = std::make_unique<ScreenCanvas>();
        canvas->screen = &screen, canvas->puts = &puts, canvas->takes = &takes;
        return canvas;
    };
    PanelStack stack(windows);
    CommandBarPanel panel(screens, windows, stack);
    PrefixSearch search;
    CommandBarModel model(search);
    auto *view = new CommandBarView(model, {});
    panel.setContent(view);
    panel.setFrame(CommandBarController::frameFor(9, screens.mainScreen()));
    panel.present(0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.widget()));
    view->searchField()->clearFocus(); // no blinking cursor
    PaintSpy spy;
    view->installEventFilter(&spy);
    const auto type = [&](const QString &query) {
        QCoreApplication::processEvents();
        puts = spy.painted = QRegion();
        model.setQuery(query);
        QCoreApplication::processEvents();
    };
    const auto row = [&](int r) { return QRegion(view->rowRect(r).toAlignedRect()); };

    type("abcd");
    EXPECT_EQ(puts, row(0) + row(1) + row(2) + row(3));
    EXPECT_FALSE(spy.painted.intersects(puts));
    const QImage repainted = view->grab().toImage();
    for (const QRect &r : puts)
        EXPECT_TRUE(screen.copy(r) == repainted.copy(r)) << "row at " << r.y();

    // Fewer rows: the first keeps its picture, the ones gone are painted over by the toolkit.
    type("ab");
    EXPECT_TRUE(puts.isEmpty());
    EXPECT_TRUE(spy.painted.contains(view->rowRect(3).center().toPoint()));

    takes = false;
    type("xy");
    EXPECT_TRUE(puts.isEmpty());
    EXPECT_TRUE(spy.painted.intersects(row(1)));
}

} // namespace

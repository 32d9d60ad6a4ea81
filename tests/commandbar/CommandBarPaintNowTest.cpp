#include "commandbar/CommandBarController.h"
#include "commandbar/CommandBarFakes.h"
#include "commandbar/CommandBarModel.h"
#include "ui/commandbar/CommandBarPanel.h"
#include "ui/commandbar/CommandBarView.h"
#include "ui/hud/PanelStack.h"

#include "fakes/FakeScreens.h"
#include "fakes/FakeWindowSystem.h"

#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

// A keystroke's rows that stay listed go to the screen through the canvas as a repaint draws
// them; rows gone, and rows the canvas refuses, are repainted by the toolkit.
TEST(CommandBarPaintNow, ListedRowsArePutAsARepaintDrawsThemTheRestIsRepainted)
{
    FakeScreens screens;
    screens.setScreens({FakeScreens::make("main", {0, 0, 1440, 900})});
    FakeWindowSystem windows;
    QImage screen(640, 560, QImage::Format_ARGB32_Premultiplied);
    QRegion puts;
    bool takes = true;
    windows.canvasPut = [&](const QImage &image, const QRegion &region) {
        QPainter painter(&screen);
        painter.setClipRegion(region);
        painter.drawImage(0, 0, image);
        puts += takes ? region : QRegion();
        return takes;
    };
    PanelStack stack(windows);
    CommandBarPanel panel(screens, windows, stack);
    FakeSearch search; // one row per character typed
    search.rows = [](const QString &query) {
        QList<CommandItem> rows;
        for (int i = 0; i < query.size(); ++i)
            rows << CommandItem{.title = query.left(i + 1), .symbol = "app", .hint = "OPEN"};
        return rows;
    };
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
    EXPECT_TRUE(spy.painted.intersects(row(1)));
}

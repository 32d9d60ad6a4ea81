#include "setup/SetupChecker.h"
#include "ui/CoreTheme.h"
#include "ui/setup/SetupCheckList.h"
#include "ui/setup/SetupCheckView.h"
#include "ui/setup/SetupCheckWindow.h"

#include "fakes/FakeUserDefaults.h"
#include "ui/widgets/WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QTest>

TEST(SetupSummary, CountsRequiredItemsInSingularAndPlural)
{
    // A refresh with lines already shown keeps showing the outcome.
    const std::tuple<bool, int, int, const char *> rows[]
        = {{true, 0, 0, "Checking this computer..."},
           {true, 10, 0, "Everything the HUD needs is in place."},
           {false, 10, 1, "1 required item needs attention."},
           {false, 10, 2, "2 required items need attention."}};
    for (const auto &[checking, lines, attention, text] : rows)
        EXPECT_EQ(SetupCheckView::summaryText(checking, lines, attention), text);
}

// On a desktop where window control is missing and everything optional is absent.
TEST(SetupWindow, OpensByItselfOnlyOnTheFirstRunAndDrawsOneCardPerLine)
{
    WidgetTest::registerThemeFonts();
    SetupProbes probes;
    probes.session = [] { return SystemInfo::SessionKind::x11; };
    probes.windowControl = [] { return false; };
    probes.prettyName = [] { return "Debian GNU/Linux 12 (bookworm)"; };
    probes.shortcutsTool = [] { return true; };
    probes.shortcutCount = [] { return std::optional<int>(0); };
    SetupActions actions;
    actions.openCalendar = actions.openShortcuts = actions.turnOnLoginItem = [] {};
    actions.openPlayer = [](const QString &) {};
    SetupChecker checker(probes, actions);
    FakeUserDefaults defaults;
    SetupCheckWindow window(checker, defaults);

    window.showIfFirstRun();
    ASSERT_NE(window.window(), nullptr);
    EXPECT_TRUE(window.window()->isVisible() && checker.isLive());
    EXPECT_EQ(defaults.boolean(SetupCheckWindow::seenKey), std::optional<bool>(true));
    window.close();
    EXPECT_FALSE(window.window()->isVisible() || checker.isLive());
    window.showIfFirstRun();
    EXPECT_FALSE(window.window()->isVisible());
    // The menu's entry still opens it.
    window.show();
    EXPECT_TRUE(window.window()->isVisible());
    QTRY_VERIFY(!checker.checking());
    checker.stopLive();
    QApplication::processEvents();

    const QImage image = window.window()->grab().toImage();
    ASSERT_EQ(image.size(), QSize(540, 600) * window.window()->devicePixelRatioF());
    const auto near = [&](const QRect &area, const QColor &colour) {
        return WidgetTest::countNear(image, area, colour, 60);
    };
    // Dark heading text on the page's plate, with the gold rule under it.
    EXPECT_GT(near(QRect(18, 20, 300, 26), CoreTheme::ink()), 150);
    EXPECT_GT(near(QRect(18, 50, 64, 3), CoreTheme::gold()), 100);
    // Window control is missing: the first two cards are white, and the second carries the red
    // accent bar and warning symbol.
    const QPoint origin = window.view()->list()->mapTo(window.window(), QPoint(0, 0));
    EXPECT_GT(near(QRect(origin + QPoint(200, 4), QSize(40, 8)), CoreTheme::cardWhite()), 250);
    EXPECT_GT(near(QRect(origin, QSize(40, 120)), CoreTheme::hpRed()), 40);
    // "1 required item needs attention." with its warning symbol.
    EXPECT_GT(near(QRect(18, 60, 24, 24), CoreTheme::hpRed()), 20);

    // The lines that offer something show their buttons; copying puts the report on the clipboard.
    QStringList buttons;
    for (QPushButton *button : window.window()->findChildren<QPushButton *>()) {
        if (button->isVisible())
            buttons << button->text();
        if (button->text() == "Copy report")
            button->click();
    }
    for (const char *title : {"Open Calendar", "Open Shortcuts", "Open Music", "Turn on",
                              "Copy report", "Check again", "Done"})
        EXPECT_TRUE(buttons.contains(title)) << title;
    EXPECT_EQ(QGuiApplication::clipboard()->text(), checker.report());
}

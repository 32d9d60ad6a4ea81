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
#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QPushButton>
#include <QTest>

namespace {

// A desktop where window control is missing and everything optional is absent.
SetupProbes wanting()
{
    SetupProbes p;
    p.session = [] { return SystemInfo::SessionKind::x11; };
    p.windowControl = [] { return false; };
    p.prettyName = [] { return "Debian GNU/Linux 12 (bookworm)"; };
    p.shortcutsTool = [] { return true; };
    p.shortcutCount = [] { return std::optional<int>(0); };
    return p;
}

SetupActions someActions()
{
    SetupActions a;
    a.openCalendar = [] {};
    a.openShortcuts = [] {};
    a.openPlayer = [](const QString &) {};
    a.turnOnLoginItem = [] {};
    return a;
}

int pixelsNear(const QImage &image, const QRect &area, const QColor &colour)
{
    return WidgetTest::countNear(image, area, colour, 60);
}

} // namespace

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
    EXPECT_EQ(SetupCheckView::summarySymbol(0), "checkmark.seal.fill");
    EXPECT_EQ(SetupCheckView::summarySymbol(3), "exclamationmark.triangle.fill");
}

TEST(SetupWindow, OpensByItselfOnlyOnTheFirstRunAndRefreshesWhileOpen)
{
    SetupChecker checker(wanting(), someActions());
    FakeUserDefaults defaults;
    SetupCheckWindow window(checker, defaults);

    window.showIfFirstRun();
    ASSERT_NE(window.window(), nullptr);
    EXPECT_TRUE(window.window()->isVisible());
    EXPECT_EQ(defaults.boolean(SetupCheckWindow::seenKey), std::optional<bool>(true));
    EXPECT_TRUE(checker.isLive());

    window.close();
    EXPECT_FALSE(window.window()->isVisible());
    EXPECT_FALSE(checker.isLive());

    window.showIfFirstRun();
    EXPECT_FALSE(window.window()->isVisible());
    // The menu's entry still opens it.
    window.show();
    EXPECT_TRUE(window.window()->isVisible());
    window.close();
    QTRY_VERIFY(!checker.checking());
}

TEST(SetupWindow, RendersTheHeadingAndOneCardPerLine)
{
    WidgetTest::registerThemeFonts();

    SetupChecker checker(wanting(), someActions());
    FakeUserDefaults defaults;
    SetupCheckWindow window(checker, defaults);
    window.show();
    QTRY_VERIFY(!checker.checking());
    checker.stopLive();
    QApplication::processEvents();

    const QImage image = window.window()->grab().toImage();
    ASSERT_EQ(image.size(), QSize(540, 600) * window.window()->devicePixelRatioF());

    // Dark heading text on the page's plate, with the gold rule under it.
    EXPECT_GT(pixelsNear(image, QRect(18, 20, 300, 26), CoreTheme::ink()), 150);
    EXPECT_GT(pixelsNear(image, QRect(18, 50, 64, 3), CoreTheme::gold()), 100);

    // Window control is missing: the first two cards are white, and the second carries the red
    // accent bar and warning symbol.
    SetupCheckList *list = window.view()->list();
    const QPoint origin = list->mapTo(window.window(), QPoint(0, 0));
    EXPECT_GT(
        pixelsNear(image, QRect(origin + QPoint(200, 4), QSize(40, 8)), CoreTheme::cardWhite()),
        250);
    EXPECT_GT(pixelsNear(image, QRect(origin.x(), origin.y(), 40, 120), CoreTheme::hpRed()), 40);
    // "1 required item needs attention." with its warning symbol.
    EXPECT_GT(pixelsNear(image, QRect(18, 60, 24, 24), CoreTheme::hpRed()), 20);

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
    EXPECT_TRUE(checker.report().contains("[NEEDS ATTENTION] Window control: "));
}

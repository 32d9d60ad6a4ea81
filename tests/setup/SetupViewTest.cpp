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

// On a desktop where window control is missing and everything optional is absent.
TEST(SetupWindow, OpensByItselfOnlyOnTheFirstRunAndDrawsOneCardPerLine)
{
    WidgetTest::registerThemeFonts();
    struct Probes final : SetupProbes
    {
        SystemInfo::SessionKind session() const override { return SystemInfo::SessionKind::x11; }
        QString prettyName() const override { return "Debian GNU/Linux 12 (bookworm)"; }
        bool shortcutsTool() const override { return true; }
        std::optional<int> shortcutCount() const override { return 0; }
    };
    SetupActions actions;
    actions.openCalendar = actions.openShortcuts = actions.turnOnLoginItem = [] {};
    actions.openPlayer = [](const QString &) {};
    SetupChecker checker(std::make_shared<Probes>(), actions);
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

    // Window control is missing: the card of its line carries the red accent bar.
    const QImage image = window.window()->grab().toImage();
    const QPoint origin = window.view()->list()->mapTo(window.window(), QPoint(0, 0));
    EXPECT_GT(WidgetTest::countNear(image, QRect(origin, QSize(40, 120)), CoreTheme::hpRed(), 60),
              40);

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

#include "app/MenuBarController.h"

#include "fakes/FakeSystemLog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>

namespace {

// A controller whose queries read the fields and whose actions count into `ran`.
struct MenuFixture : ::testing::Test
{
    bool allHidden = false;
    int attention = 0;
    bool loginEnabled = false;
    QStringList ran;
    FakeSystemLog log;

    MenuBarController::Actions actions()
    {
        auto record = [this](const char *name) { return [this, name] { ran << name; }; };
        auto read = [](const auto &field) { return [&field] { return field; }; };
        return {record("toggle"),     record("commandBar"), record("menu"),  record("toggleAll"),
                record("setupCheck"), read(attention),      read(allHidden), record("quit"),
                record("login"),      read(loginEnabled)};
    }

    static QAction *find(QMenu *menu, const QString &prefix)
    {
        for (QAction *action : menu->actions()) {
            if (!action->isSeparator() && action->text().startsWith(prefix))
                return action;
        }
        return nullptr;
    }
};

} // namespace

TEST_F(MenuFixture, TheMenuIsRebuiltOnEveryOpeningAndRunsTheChosenCommand)
{
    MenuBarController controller(actions(), QString(), log);
    QMenu *menu = controller.menu();
    allHidden = true;
    attention = 2;
    loginEnabled = true;
    emit menu->aboutToShow();
    for (const char *title :
         {"Show All Widgets", "Setup Check (2 need attention)...", "Open at Login ✓"})
        ASSERT_NE(find(menu, title), nullptr) << title;
    EXPECT_EQ(menu->actions().size(), qsizetype(MenuBarController::entries(true, 2, true).size()));

    for (const char *title : {"Show All Widgets", "Menu", "Show or Hide HUD Readouts",
                              "Command Bar", "Setup Check", "Open at Login", "Log Out (Quit)"})
        find(menu, QLatin1String(title))->trigger();
    EXPECT_EQ(
        ran,
        (QStringList{"toggleAll", "menu", "toggle", "commandBar", "setupCheck", "login", "quit"}));
    EXPECT_EQ(find(menu, "Log Out")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Our emblem, or the symbol where it is missing.
    EXPECT_FALSE(MenuBarController::icon(QStringLiteral(KAIDRO_RESOURCES_DIR)).isNull());
    QTemporaryDir empty;
    EXPECT_FALSE(MenuBarController::icon(empty.path()).isNull());
}

TEST_F(MenuFixture, WithoutATrayHostItLogsOnceAndGoesOn)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "a tray host is running";
    MenuBarController controller(actions(), QString(), log);
    controller.install();
    controller.install();
    EXPECT_EQ(controller.item(), nullptr);
    EXPECT_EQ(log.lines, QStringList{"Vantle: no system tray; use the hot keys"});
}

#include "app/MenuBarController.h"
#include "app/ShellActions.h"

#include "fakes/FakeSystemLog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>

namespace {

// A controller over the program's commands, whose status reads the fields and whose commands
// count into `ran`.
struct MenuFixture : ::testing::Test
{
    bool allHidden = false;
    int attention = 0;
    bool loginEnabled = false;
    QStringList ran;
    FakeSystemLog log;
    HUDCommands commands;

    MenuFixture()
    {
        for (const HUDCommands::Command &command : ShellActions::table())
            commands.add(command);
        QObject::connect(&commands, &HUDCommands::triggered,
                         [this](const QString &id) { ran << id; });
    }

    MenuBarController::Status status()
    {
        auto read = [](const auto &field) { return [&field] { return field; }; };
        return {read(allHidden), read(attention), read(loginEnabled)};
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
    MenuBarController controller(commands, status(), QString(), log);
    QMenu *menu = controller.menu();
    allHidden = true;
    attention = 2;
    loginEnabled = true;
    emit menu->aboutToShow();
    for (const char *title :
         {"Show All Widgets", "Setup Check (2 need attention)...", "Open at Login ✓"})
        ASSERT_NE(find(menu, title), nullptr) << title;
    // Each key hint is the key of the command the line triggers.
    ASSERT_NE(find(menu, "Menu\tCtrl+Alt+Super+M"), nullptr);
    ASSERT_NE(find(menu, "Show All Widgets\tCtrl+Alt+Super+X"), nullptr);

    for (const char *title : {"Show All Widgets", "Menu", "Show or Hide HUD Readouts",
                              "Command Bar", "Setup Check", "Open at Login", "Log Out (Quit)"})
        find(menu, QLatin1String(title))->trigger();
    EXPECT_EQ(ran,
              (QStringList{"hide-all", "menu", "hud", "command-bar", "setup-check", "login-item",
                           "quit"}));
    EXPECT_EQ(find(menu, "Log Out")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Our emblem at every size a tray asks for, or the symbol where it is missing.
    EXPECT_EQ(MenuBarController::icon(QStringLiteral(KAIDRO_RESOURCES_DIR)).availableSizes().size(),
              6);
    QTemporaryDir empty;
    EXPECT_FALSE(MenuBarController::icon(empty.path()).isNull());
}

TEST_F(MenuFixture, WithoutATrayHostItLogsOnceAndGoesOn)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "a tray host is running";
    MenuBarController controller(commands, status(), QString(), log);
    controller.install();
    controller.install();
    EXPECT_EQ(controller.item(), nullptr);
    EXPECT_EQ(log.lines, QStringList{"Vantle: no system tray; use the hot keys"});
}

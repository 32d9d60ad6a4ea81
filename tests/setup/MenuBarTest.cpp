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
        MenuBarController::Actions a;
        a.onToggle = record("toggle");
        a.onCommandBar = record("commandBar");
        a.onMenu = record("menu");
        a.onToggleAll = record("toggleAll");
        a.onSetupCheck = record("setupCheck");
        a.setupAttention = [this] { return attention; };
        a.allHidden = [this] { return allHidden; };
        a.onQuit = record("quit");
        a.onToggleLoginItem = record("login");
        a.loginItemEnabled = [this] { return loginEnabled; };
        return a;
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
    ASSERT_NE(find(menu, "Hide All Widgets"), nullptr);
    EXPECT_NE(find(menu, "Setup Check..."), nullptr);
    EXPECT_EQ(find(menu, "Menu")->text(), "Menu\tCtrl+Alt+Super+M");

    allHidden = true;
    attention = 2;
    loginEnabled = true;
    emit menu->aboutToShow();
    ASSERT_NE(find(menu, "Show All Widgets"), nullptr);
    EXPECT_NE(find(menu, "Setup Check (2 need attention)..."), nullptr);
    EXPECT_NE(find(menu, "Open at Login ✓"), nullptr);
    EXPECT_EQ(menu->actions().size(), qsizetype(MenuBarController::entries(true, 2, true).size()));

    for (const char *title : {"Show All Widgets", "Menu", "Show or Hide HUD Readouts",
                              "Command Bar", "Setup Check", "Open at Login", "Log Out (Quit)"})
        find(menu, QLatin1String(title))->trigger();
    EXPECT_EQ(
        ran,
        (QStringList{"toggleAll", "menu", "toggle", "commandBar", "setupCheck", "login", "quit"}));
    EXPECT_EQ(find(menu, "Log Out")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
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

TEST(MenuBarIcon, DrawsOurEmblemOrTheSymbolWhenItIsMissing)
{
    const QIcon ours = MenuBarController::icon(QStringLiteral(KAIDRO_RESOURCES_DIR));
    ASSERT_FALSE(ours.isNull());
    // The emblem is gold at the top vertex of its ring.
    const QImage image = ours.pixmap(64, 64).toImage();
    EXPECT_GT(qAlpha(image.pixel(32, 4)), 200);
    EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0);

    QTemporaryDir empty;
    EXPECT_FALSE(MenuBarController::icon(empty.path()).isNull());
}

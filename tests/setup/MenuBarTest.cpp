#include "app/MenuBarController.h"
#include "app/ShellActions.h"

#include "fakes/FakeSystemLog.h"
#include "platform/linux/TrayHost.h"
#include "support/PrivateSessionBus.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

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
    EXPECT_TRUE(QTest::qWaitFor([&] { return !log.lines.isEmpty(); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(controller.item(), nullptr);
    EXPECT_EQ(log.lines, QStringList{"Vantle: no system tray; use the hot keys"});
}

namespace {

// The desktop's tray watcher on its own connection: says whether a host is registered, or, when
// `silent`, never answers at all.
class TrayWatcher final : public QDBusVirtualObject
{
public:
    bool hostRegistered = true;
    bool silent = false;

    explicit TrayWatcher(const QString &address)
        : m_connection(QDBusConnection::connectToBus(address, QStringLiteral("tray-watcher")))
    {
        m_connection.registerVirtualObject(QStringLiteral("/StatusNotifierWatcher"), this);
        m_connection.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
    ~TrayWatcher() override { QDBusConnection::disconnectFromBus(m_connection.name()); }

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (silent)
            return true;
        if (message.member() != QLatin1String("Get")
            || message.arguments().value(1).toString() != "IsStatusNotifierHostRegistered")
            return connection.send(message.createErrorReply(QDBusError::UnknownProperty, {}));
        return connection.send(
            message.createReply(QVariant::fromValue(QDBusVariant(hostRegistered))));
    }

private:
    QDBusConnection m_connection;
};

// What the tray host answered, once it has.
std::shared_ptr<std::optional<bool>> askTray(const QDBusConnection &bus, QObject *context,
                                             int timeoutMs = 3000)
{
    auto answer = std::make_shared<std::optional<bool>>();
    TrayHost::ask(
        bus, context, [answer](bool present) { *answer = present; }, timeoutMs);
    return answer;
}

} // namespace

// Off X11 only the bus can tell of a tray. A watcher with a host is a tray; one without a host,
// none at all, or one that never answers is none, and the question never waits on the watcher.
TEST(TrayHost, AsksTheWatcherWithoutWaitingOnItAndTakesSilenceForNoTray)
{
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    const QDBusConnection app = QDBusConnection::connectToBus(bus.address(), "tray-app");
    QObject context;
    const auto settled = [](const auto &answer) {
        return QTest::qWaitFor([&] { return answer->has_value(); }, 5000) ? **answer
                                                                          : std::optional<bool>();
    };

    EXPECT_EQ(settled(askTray(app, &context)), false) << "no watcher";
    {
        TrayWatcher watcher(bus.address());
        EXPECT_EQ(settled(askTray(app, &context)), true);
        watcher.hostRegistered = false;
        EXPECT_EQ(settled(askTray(app, &context)), false);

        watcher.silent = true;
        const auto silent = askTray(app, &context, 300);
        EXPECT_FALSE(silent->has_value()) << "answered before the watcher could";
        EXPECT_EQ(settled(silent), false);
        // Asked for a context that goes before the answer: nothing runs.
        auto gone = std::make_unique<QObject>();
        const auto orphan = askTray(app, gone.get(), 300);
        gone.reset();
        QTest::qWait(600);
        EXPECT_FALSE(orphan->has_value());
    }
    EXPECT_EQ(settled(askTray(QDBusConnection(QStringLiteral("not connected")), &context)), false);
}

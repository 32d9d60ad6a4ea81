#include "X11Probe.h"

#include "app/MenuBarController.h"
#include "app/ShellActions.h"
#include "fakes/FakeSystemLog.h"
#include "support/PrivateSessionBus.h"

#include <QAction>
#include <QDBusConnection>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

using namespace X11Probe;

namespace {

QString at(QPoint p)
{
    return QStringLiteral("mousemove %1 %2").arg(p.x()).arg(p.y());
}

// The desktop's side of the StatusNotifierItem protocol: a watcher with a host, which takes
// the items that register and remembers them.
class Watcher final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }

public slots:
    void RegisterStatusNotifierItem(const QString &service) { m_items << service; }
    void RegisterStatusNotifierHost(const QString &) { }

private:
    QStringList m_items;
};

} // namespace

// Under an XEmbed tray (trayer): a left click runs the game menu, a right click opens the status
// menu whole, and an entry chosen in it runs its command.
TEST(TrayX11, XEmbedTrayTogglesTheMenuOnALeftClickAndOpensTheStatusMenuOnARightClick)
{
    QProcess trayer;
    trayer.start("trayer",
                 {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
                  "--SetDockType", "true"});
    ASSERT_TRUE(trayer.waitForStarted());
    ASSERT_TRUE(waitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    FakeSystemLog log;
    HUDCommands commands;
    for (const HUDCommands::Command &command : ShellActions::table())
        commands.add(command);
    QStringList ran;
    QObject::connect(&commands, &HUDCommands::triggered, [&](const QString &id) { ran << id; });
    MenuBarController controller(commands, {}, QString(), log);
    controller.install();
    ASSERT_TRUE(waitUntil([&] { return controller.item() != nullptr; }));
    // The icon has its place once the tray has embedded it.
    ASSERT_TRUE(waitUntil([&] { return controller.item()->geometry().x() > 0; }));
    const QPoint icon = controller.item()->geometry().center();

    ASSERT_TRUE(xdotool(at(icon) + " click 1"));
    EXPECT_TRUE(waitUntil([&] { return ran == QStringList{"menu"}; }));
    ASSERT_TRUE(xdotool(at(icon) + " click 3"));
    QMenu *menu = controller.menu();
    ASSERT_TRUE(waitUntil([&] { return menu->isVisible(); })) << "no menu on a right click";
    QTest::qWait(300);
    ASSERT_TRUE(menu->isVisible()) << "the menu closed as it opened";
    EXPECT_EQ(menu->actions().size(), controller.currentEntries().size());
    QAction *entry = nullptr;
    for (QAction *action : menu->actions())
        entry = action->text().startsWith("Command Bar") ? action : entry;
    ASSERT_NE(entry, nullptr);
    const QPoint target = menu->mapToGlobal(menu->actionGeometry(entry).center());
    ASSERT_TRUE(xdotool(at(target) + " click 1"));
    EXPECT_TRUE(waitUntil([&] { return ran == QStringList({"menu", "command-bar"}); }));
    trayer.kill();
    trayer.waitForFinished(3000);
}

// Under a StatusNotifierItem host the real program registers its item with the watcher; the
// host's left click opens the game menu and its exported menu lists the commands, an entry of
// which runs when the host says it was clicked.
TEST(TrayX11, StatusNotifierItemRegistersExportsItsMenuAndActsOnTheHostsClicks)
{
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    QDBusConnection host = QDBusConnection::connectToBus(bus.address(), "kaidro-sni-host");
    Watcher watcher;
    ASSERT_TRUE(host.registerService("org.kde.StatusNotifierWatcher"));
    ASSERT_TRUE(host.registerObject("/StatusNotifierWatcher", &watcher,
                                    QDBusConnection::ExportAllContents));
    ASSERT_TRUE(writeDefaults(R"({"Vantle.readoutIdle": 0, "Vantle.setupSeen": true})"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    Vantle vantle(env);
    ASSERT_TRUE(vantle.started());
    ASSERT_TRUE(waitUntil([&] { return !watcher.items().isEmpty(); }))
        << "the item never registered";
    const QString item = watcher.items().first();
    auto call = [&](const QString &path, const QString &method, const QStringList &args) {
        QProcess gdbus;
        gdbus.setProcessEnvironment(env);
        gdbus.start("gdbus",
                    QStringList{"call", "--session", "--dest", item, "--object-path", path,
                                "--method", method}
                        + args);
        // The program answers through this test's event loop only for the watcher; wait here.
        gdbus.setProcessChannelMode(QProcess::MergedChannels);
        return gdbus.waitForFinished(10000) ? QString::fromUtf8(gdbus.readAll()) : QString();
    };
    EXPECT_TRUE(call("/StatusNotifierItem", "org.freedesktop.DBus.Properties.Get",
                     {"org.kde.StatusNotifierItem", "Menu"})
                    .contains("/MenuBar"));
    call("/MenuBar", "com.canonical.dbusmenu.AboutToShow", {"0"});
    const QString layout
        = call("/MenuBar", "com.canonical.dbusmenu.GetLayout", {"0", "int32 -1", "@as []"});
    for (const char *title : {"Hide All Widgets", "Setup Check...", "Open at Login", "Log Out"})
        EXPECT_TRUE(layout.contains(title)) << title << "\n" << layout.toStdString();
    const QRegularExpressionMatch bar
        = QRegularExpression(R"(\((\d+), \{[^}]*'label': <'Command Bar)").match(layout);
    ASSERT_TRUE(bar.hasMatch()) << layout.toStdString();

    call("/StatusNotifierItem", "org.kde.StatusNotifierItem.Activate", {"5", "5"});
    EXPECT_TRUE(waitForWindow(QStringLiteral("Kaidro menuRail"))) << "no game menu";
    call("/MenuBar", "com.canonical.dbusmenu.Event", {bar.captured(1), "clicked", "<0>", "0"});
    EXPECT_TRUE(waitUntil([] { return isViewable(QStringLiteral("Kaidro commandBar")); }));
}

#include "TrayX11Test.moc"

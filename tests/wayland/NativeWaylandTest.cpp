#include "hud/HUDLayout.h"
#include "platform/Geometry.h"

#include "X11Probe.h"
#include "support/PrivateSessionBus.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

// The real program on the private sway of in-private-sway.sh, talking to it natively: its
// panels read back from the compositor's screen with grim, clicked with a virtual pointer,
// typed into with wtype, and two foot terminals as the other apps.
using enum HUDWidgetID;
using X11Probe::run;
using X11Probe::waitUntil;

namespace {

const ScreenInfo kOutput{"HEADLESS-1", QRectF(0, 0, 1440, 900), QRectF(0, 0, 1440, 900), {}};

QRect home(HUDWidgetID id)
{
    return YUp::flip(HUDLayout::frame(HUDLayout::spec(id), kOutput), 900).toRect();
}

QImage screen()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("screen.png"));
    QProcess::execute(QStringLiteral("grim"), {file});
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

// The share of the pixels in `area` that differ between the two pictures.
double changed(const QImage &before, const QImage &after, const QRect &area)
{
    int differ = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            differ += before.pixel(x, y) != after.pixel(x, y);
    }
    return double(differ) / std::max(1, area.width() * area.height());
}

// The app id of the window sway has focused.
QString focusedApp()
{
    const std::function<QString(const QJsonObject &)> find = [&](const QJsonObject &node) {
        if (node.value("focused").toBool())
            return node.value("app_id").toString();
        for (const char *kind : {"nodes", "floating_nodes"}) {
            for (const QJsonValue &child : node.value(kind).toArray()) {
                if (const QString id = find(child.toObject()); !id.isEmpty())
                    return id;
            }
        }
        return QString();
    };
    return find(
        QJsonDocument::fromJson(run("swaymsg", {"-r", "-t", "get_tree"}).toUtf8()).object());
}

bool click(QPoint at)
{
    return QProcess::execute(
               QStringLiteral(KAIDRO_POINTER_PATH),
               {"1440", "900", QString::number(at.x()), QString::number(at.y()), "click"})
        == 0;
}

} // namespace

TEST(NativeWayland, PanelsOnTheOverlayLayerPassClicksTakeThePointerAndKeysAndFollowTheActiveApp)
{
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    ASSERT_TRUE(X11Probe::writeDefaults(R"({"Vantle.setupSeen": true, "Vantle.readoutIdle": 0})"));
    const QString apps = TestEnvironment::home() + "/.local/share/applications/";
    for (const char *name : {"Alpha", "Beta"})
        writeFile(apps + QStringLiteral("org.example.%1.desktop").arg(name),
                  QByteArray("[Desktop Entry]\nType=Application\nExec=foot\nName=") + name + '\n');
    const QImage bare = screen();
    ASSERT_FALSE(bare.isNull()) << "grim read nothing from the compositor";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    env.insert("QT_LOGGING_RULES",
               "kaidro.monitors.debug=true;kaidro.menu.debug=true;"
               "kaidro.commandbar.debug=true;kaidro.platform.wayland.debug=true;"
               "kaidro.shell.debug=true");
    env.remove("QT_QPA_PLATFORM");
    X11Probe::Vantle vantle(env, true);
    ASSERT_TRUE(vantle.started());
    // Commands to the running copy, over the test's bus.
    const auto command = [&](const QString &name) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(KAIDRO_VANTLE_PATH, {name});
        return p.waitForFinished(10000) && p.exitCode() == 0;
    };
    QString log;
    const auto logged = [&](const QString &line) {
        return waitUntil([&] {
            log += QString::fromUtf8(vantle.process().readAllStandardOutput());
            return log.contains(line);
        });
    };

    // The readouts show at their layout frames, and the setup check says what this path lacks.
    for (HUDWidgetID id : {playerStatus, partyStrip, fieldHeader})
        EXPECT_TRUE(waitUntil([&] { return changed(bare, screen(), home(id)) > 0.05; }))
            << HUDWidget::rawValue(id).toStdString() << " is not at its frame";
    EXPECT_TRUE(logged("Global shortcuts: The desktop's global shortcuts portal did not give"));
    // sway answers on its IPC socket, so moving other apps' windows needs no attention.
    EXPECT_FALSE(log.contains("Window control:")) << log.toStdString();

    // Two terminals side by side; the running apps and the target follow the active one.
    QProcess alpha, beta;
    alpha.start("foot", {"--app-id=org.example.Alpha"});
    ASSERT_TRUE(waitUntil([] { return focusedApp() == "org.example.Alpha"; }));
    beta.start("foot", {"--app-id=org.example.Beta"});
    ASSERT_TRUE(waitUntil([] { return focusedApp() == "org.example.Beta"; }));
    EXPECT_TRUE(logged("target is now \"Beta\"")) << log.toStdString();
    for (const char *name : {"Alpha", "Beta"}) {
        log.clear();
        run("swaymsg", {QStringLiteral("[app_id=org.example.%1] focus").arg(name)});
        EXPECT_TRUE(logged(QStringLiteral("target is now \"%1\"").arg(name))) << log.toStdString();
    }

    // A click on a readout over the left terminal reaches that terminal.
    ASSERT_TRUE(click(home(partyStrip).center()));
    EXPECT_TRUE(waitUntil([] { return focusedApp() == "org.example.Alpha"; }))
        << "the click on the readout did not reach the terminal below";

    // The menu opens on its command and takes a click on the rail's second entry.
    const QImage before = screen();
    ASSERT_TRUE(command("menu"));
    EXPECT_TRUE(waitUntil([&] { return changed(before, screen(), home(menuRail)) > 0.05; }));
    ASSERT_TRUE(click(home(menuRail).topLeft() + QPoint(49, 122)));
    EXPECT_TRUE(logged("selected \"Friends\"")) << log.toStdString();
    ASSERT_TRUE(command("menu"));

    // The command bar takes the keyboard and the typed text, and runs the row it finds.
    ASSERT_TRUE(command("command-bar"));
    ASSERT_TRUE(logged("bar opens"));
    ASSERT_EQ(QProcess::execute("wtype", {"-s", "400", "me"}), 0);
    EXPECT_TRUE(logged("keyboard entered \"Kaidro commandBar\""));
    // Panels shown meanwhile take neither the keyboard nor the bar's activation.
    ASSERT_TRUE(command("menu") && logged("command \"menu\""));
    log.clear();
    ASSERT_EQ(QProcess::execute("wtype", {"-s", "400", "nu", "-s", "300", "-k", "Return"}), 0);
    EXPECT_TRUE(logged("runs a \"OPEN\" row")) << log.toStdString();

    alpha.terminate();
    beta.terminate();
    alpha.waitForFinished(3000);
    beta.waitForFinished(3000);
    EXPECT_TRUE(vantle.stop()) << "the program did not end cleanly";
}

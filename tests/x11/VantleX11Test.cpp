#include "commandbar/CommandBarController.h"
#include "hud/HUDLayout.h"
#include "platform/Geometry.h"
#include "platform/linux/LinuxScreens.h"

#include "X11Probe.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>

// The real program on a private Xvfb display with openbox, driven by its hot keys.
using enum HUDWidgetID;
using namespace X11Probe;

namespace {

// The panel's opacity as the window manager and compositor read it; 1 when unset.
double windowOpacity(const QString &name)
{
    const QRegularExpressionMatch m
        = QRegularExpression(QStringLiteral("= (\\d+)"))
              .match(run(QStringLiteral("xprop"), {"-name", name, "_NET_WM_WINDOW_OPACITY"}));
    return m.hasMatch() ? m.captured(1).toDouble() / 4294967295.0 : 1.0;
}

// Where the layout puts panel `id` on the primary screen, in X's top-left coordinates.
QRect home(HUDWidgetID id)
{
    const ScreenInfo screen = LinuxScreens().mainScreen();
    return YUp::flip(HUDLayout::frame(HUDLayout::spec(id), screen), screen.frame.height()).toRect();
}

const QString kBar = QStringLiteral("Kaidro commandBar");

// Opens the bar and waits until the window manager has handed it the keyboard.
void openBar()
{
    ASSERT_TRUE(xdotool("key ctrl+alt+super+space"));
    const auto focused = [] { return run("xdotool", {"getwindowfocus", "getwindowname"}); };
    ASSERT_TRUE(waitUntil([&] { return focused() == kBar + '\n'; }, 5000))
        << "the command bar did not open with the focus";
}

} // namespace

TEST(VantleX11, RefusesToStartWithoutADisplayAndSaysWhy)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KAIDRO_VANTLE_PATH), QStringList());
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(std::pair(p.exitStatus(), p.exitCode()), std::pair(QProcess::NormalExit, 1));
    EXPECT_TRUE(p.readAllStandardError().contains("no X11 display"));
}

// Each copy is through its start-up once its HUD is on screen, so the two starts do not race.
TEST(VantleX11, SecondStartEndsTheFirstWhosePanelsSitWhereTheLayoutSaysLetClicksThroughAndFade)
{
    // Readouts always on, so the HUD stays while the test looks at it.
    ASSERT_TRUE(writeDefaults(R"({"Vantle.readoutIdle": 0, "Vantle.setupSeen": true})"));
    Vantle first;
    ASSERT_TRUE(first.started() && waitForWindow(QStringLiteral("Kaidro playerStatus")))
        << "the first copy never showed its HUD";
    ASSERT_EQ(first.process().state(), QProcess::Running) << "Vantle did not stay running";
    Vantle vantle;
    ASSERT_TRUE(vantle.started());
    EXPECT_TRUE(first.process().waitForFinished(5000)) << "the first copy is still running";
    EXPECT_EQ(std::pair(first.process().exitStatus(), first.process().exitCode()),
              std::pair(QProcess::NormalExit, 0));

    for (HUDWidgetID id : {playerStatus, partyStrip, fieldHeader}) {
        const QString name = QStringLiteral("Kaidro ") + HUDWidget::rawValue(id);
        EXPECT_TRUE(waitUntil([&] { return windowGeometry(name) == home(id); }, 8000))
            << name.toStdString() << " did not slide in to its place";
    }
    // Hidden until a window is gazed at and something plays.
    EXPECT_FALSE(windowGeometry(QStringLiteral("Kaidro targetCursor")));
    EXPECT_FALSE(windowGeometry(QStringLiteral("Kaidro nowPlaying")));
    // Tool windows of class Vantle on all desktops.
    const QString props = run(QStringLiteral("xprop"),
                              {"-name", "Kaidro partyStrip", "WM_CLASS", "_NET_WM_DESKTOP"});
    EXPECT_TRUE(props.contains(QStringLiteral("\"Vantle\""))) << props.toStdString();
    EXPECT_TRUE(props.contains(QStringLiteral("4294967295"))) << props.toStdString();

    const QRect hp = home(playerStatus);
    // The HP bar fades while the pointer is near; relative moves are reported as a mouse's are.
    const QPoint away(900, 600), d = hp.center() - away;
    xdotool(QStringLiteral("mousemove --sync %1 %2").arg(away.x()).arg(away.y()));
    for (const auto &[step, target] : {std::pair{d, 0.1}, {-d, 1.0}}) {
        xdotool(QStringList{"mousemove_relative", "--", QString::number(step.x()),
                            QString::number(step.y())});
        const auto opacity = [] { return windowOpacity(QStringLiteral("Kaidro playerStatus")); };
        EXPECT_TRUE(waitUntil([&] { return std::abs(opacity() - target) < 0.02; }, 4000))
            << opacity() << " not " << target;
    }

    // A window of ours under the HP bar receives a click aimed at the HP bar.
    QPushButton below;
    int presses = 0;
    QObject::connect(&below, &QPushButton::pressed, [&] { ++presses; });
    below.setWindowTitle(QStringLiteral("below"));
    below.setGeometry(hp.adjusted(-40, -40, 40, 40));
    below.show();
    ASSERT_TRUE(waitUntil([] { return isViewable(QStringLiteral("below")); }, 3000));
    xdotool(
        QStringLiteral("mousemove --sync %1 %2 click 1").arg(hp.center().x()).arg(hp.center().y()));
    EXPECT_TRUE(waitUntil([&] { return presses == 1; }, 3000))
        << "the click did not pass through the HP bar";

    ASSERT_EQ(vantle.process().state(), QProcess::Running) << "the newest copy must survive";
    ASSERT_TRUE(vantle.stop()); // SIGTERM
    EXPECT_EQ(vantle.process().exitCode(), 0);
}

TEST(VantleX11, CommandBarPastesCopiedTextCopiesResultsAndClosesOnAClickElsewhere)
{
    // An empty quick bar: the empty-query list starts with the clips.
    ASSERT_TRUE(writeDefaults(R"({"Vantle.setupSeen": true, "Vantle.skillBar": []})"));
    Vantle vantle;
    ASSERT_TRUE(vantle.started());
    ASSERT_TRUE(waitForWindow(QStringLiteral("Kaidro playerStatus"))) << "the HUD never appeared";

    // The window is cut to the rows it shows (to the card, without a compositing manager).
    const auto shownHeight = [] {
        static const QRegularExpression extents(
            QStringLiteral("Window shape extents:\\s+\\d+x(\\d+)"));
        const QRegularExpressionMatch m = extents.match(run("xwininfo", {"-name", kBar, "-shape"}));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    };
    // Another app copies; once polled, the bar opens a row taller, the clip above three commands.
    const QString probe = QStringLiteral("kaidro paste probe 7361");
    copyToClipboard(probe);
    QLineEdit field;
    focusField(field, QStringLiteral("paste target"), QRect(100, 700, 400, 40));
    ASSERT_TRUE(waitUntil([&] {
        openBar();
        const int shown = shownHeight();
        if (shown > int(CommandBarController::heightFor(3))
            && shown <= int(CommandBarController::heightFor(4)))
            return true;
        xdotool("key Escape");
        waitUntil([] { return !isViewable(kBar); }, 3000);
        return false;
    })) << "the copy never reached the bar";
    EXPECT_TRUE(waitUntil([&] { return !field.isActiveWindow(); }, 3000))
        << "the bar did not take the keyboard";
    // The newest clip heads the list; Return pastes it into the field.
    ASSERT_TRUE(xdotool("key Return"));
    EXPECT_TRUE(waitUntil([&] { return field.text() == probe; }, 5000))
        << "field holds: " << field.text().toStdString();
    EXPECT_TRUE(field.isActiveWindow());

    // A calculator row copies its result and Return closes the bar; xclip reads the clipboard.
    openBar();
    ASSERT_TRUE(xdotool({"type", "--delay", "40", "=2+3*4"}) && xdotool("key Return"));
    EXPECT_TRUE(waitUntil([] { return !isViewable(kBar); }, 3000)) << "Return did not close it";
    EXPECT_TRUE(waitUntil(
        [] {
            return run("xclip", {"-o", "-selection", "clipboard"}) == "14";
        },
        3000));

    // A click into another app's window takes the focus from the bar, which closes: here just
    // below its one row left, where it reached before the typing.
    const ScreenInfo screen = LinuxScreens().mainScreen();
    const QRect oneRow
        = YUp::flip(CommandBarController::frameFor(1, screen), screen.frame.height()).toRect();
    Client other(QStringLiteral("xterm"),
                 QStringLiteral("60x8+%1+%2").arg(oneRow.left()).arg(oneRow.bottom() + 8));
    ASSERT_TRUE(waitForWindow(QStringLiteral("xterm"), 5000));
    openBar();
    ASSERT_TRUE(xdotool("type --delay 40 abc"));
    EXPECT_TRUE(waitUntil([&] { return shownHeight() > 0 && shownHeight() <= oneRow.height(); }))
        << "shown " << shownHeight();
    ASSERT_TRUE(xdotool(QStringLiteral("mousemove --sync %1 %2 click 1")
                            .arg(oneRow.left() + 100)
                            .arg(oneRow.bottom() + 40)));
    EXPECT_TRUE(waitUntil([] { return !isViewable(kBar); }, 3000))
        << "the bar stayed open after losing the focus";
}

// A script in the Shortcuts folder runs from the command bar, its output in a toast.
TEST(VantleX11, CommandBarFindsAndRunsAShortcut)
{
    const QString folder = TestEnvironment::home() + "/.local/share/Vantle/shortcuts";
    const QString ran = TestEnvironment::home() + "/shortcut-ran";
    writeFile(folder + "/Water plants",
              "#!/bin/sh\necho \"$# ${QT_XCB_NO_MITSHM-unset}\" > '" + ran.toUtf8()
                  + "'\necho Watered\n",
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_TRUE(writeDefaults(R"({"Vantle.setupSeen": true})"));
    Vantle vantle;
    ASSERT_TRUE(vantle.started() && waitForWindow(QStringLiteral("Kaidro playerStatus")));

    openBar();
    ASSERT_TRUE(xdotool({"type", "--delay", "40", "water pl"}));
    // The listing runs as the bar opens; give it a moment before choosing.
    QThread::msleep(1500);
    ASSERT_TRUE(xdotool("key Return"));
    EXPECT_TRUE(waitUntil([&] { return QFile::exists(ran); }, 5000)) << "the script never ran";
    // Run with no arguments of its own, and with the user's environment: not the variable
    // that tunes Kaidro's toolkit.
    EXPECT_EQ(readFile(ran), "0 unset\n");
    EXPECT_TRUE(waitUntil([] { return isViewable(QStringLiteral("Kaidro toast")); }, 5000))
        << "no toast after the run";
}

// Another app owns the clipboard and never answers, then offers 200 MB of text: the menu key
// still opens the menu at once, and the copy is refused by its size before it is transferred.
TEST(VantleX11, AClipboardOwnerThatNeverAnswersOrAHugeCopyLeavesTheMenuQuickAndMemoryFlat)
{
    ASSERT_TRUE(writeDefaults(R"({"Vantle.setupSeen": true})"));
    Vantle vantle;
    ASSERT_TRUE(vantle.started() && waitForWindow(QStringLiteral("Kaidro playerStatus")));
    const QString rail = QStringLiteral("Kaidro menuRail");
    const auto menuOpenMs = [&] {
        QElapsedTimer clock;
        clock.start();
        xdotool("key ctrl+alt+super+m");
        const bool open = waitUntil([&] { return isViewable(rail); }, 20000);
        const qint64 ms = open ? clock.elapsed() : -1;
        xdotool("key ctrl+alt+super+m");
        waitUntil([&] { return !isViewable(rail); }, 5000);
        return ms;
    };
    const auto peakKiB = [&] {
        const QString status = QString::fromLatin1(
            readFile(QStringLiteral("/proc/%1/status").arg(vantle.process().processId())));
        return QRegularExpression(QStringLiteral("VmHWM:\\s+(\\d+)"))
            .match(status)
            .captured(1)
            .toLongLong();
    };
    constexpr qint64 quick = 1500;
    {
        OtherClient hung;
        hung.takeClipboard();
        for (int i = 0; i < 3; ++i) {
            const qint64 ms = menuOpenMs();
            EXPECT_TRUE(ms >= 0 && ms < quick) << "press " << i << ": " << ms << " ms";
        }
    }

    const qint64 before = peakKiB();
    const QString big = TestEnvironment::home() + QStringLiteral("/big.txt");
    writeFile(big, QByteArray(200'000'000, 'a'));
    QProcess source;
    source.start(QStringLiteral(KAIDRO_CLIP_SOURCE_PATH), {"text", big, "30"});
    ASSERT_TRUE(source.waitForStarted());
    // The source owns the clipboard once it has read the file; the program looks at once.
    const auto offered = [] {
        return run("xclip", {"-o", "-selection", "clipboard", "-t", "TARGETS"}).contains("UTF8");
    };
    ASSERT_TRUE(waitUntil(offered, 20000));
    QTest::qWait(1000);
    const qint64 ms = menuOpenMs();
    EXPECT_TRUE(ms >= 0 && ms < quick) << ms;
    EXPECT_LT(peakKiB() - before, 50 * 1024) << "peak grew from " << before << " KiB";
    source.terminate();
    source.waitForFinished(5000);
    QFile::remove(big);
}

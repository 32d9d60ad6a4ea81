#include "commandbar/CommandBarController.h"

#include "X11Probe.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

// The real program on a private display with a window manager, driven by its hot key.
namespace {

using namespace X11Probe;

const QString kBar = QStringLiteral("Kaidro commandBar");

QString clipboardText()
{
    QProcess p;
    p.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard"});
    // Our own event loop keeps running in case this process owns the selection.
    waitUntil([&] { return p.state() == QProcess::NotRunning; }, 5000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Shows a text field of this test's own, with the keyboard focus, as the app in front.
void focusField(QLineEdit &field, const QString &title, const QRect &geometry)
{
    field.setWindowTitle(title);
    field.setGeometry(geometry);
    field.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&field));
    ASSERT_TRUE(xdotool(QStringList{"search", "--name", title, "windowactivate", "--sync"}));
    ASSERT_TRUE(waitUntil([&] { return field.hasFocus() && field.isActiveWindow(); }, 3000));
}

class CommandBarX11 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(writeDefaults(R"({"Vantle.setupSeen": true})"));
        vantle = std::make_unique<Vantle>();
        ASSERT_TRUE(vantle->started());
        ASSERT_TRUE(waitForWindow(QStringLiteral("Kaidro playerStatus")))
            << "the HUD never appeared";
    }

    // Opens the bar and waits until the window manager has handed it the keyboard.
    void openBar()
    {
        ASSERT_TRUE(xdotool("key ctrl+alt+super+space"));
        ASSERT_TRUE(waitUntil([] { return focusedWindowName() == kBar; }, 5000))
            << "the command bar did not open with the focus";
    }

    // Types `text` and presses Return; the bar reads the keys in order, so no pause is needed.
    void enter(const QString &text)
    {
        ASSERT_TRUE(xdotool(QStringList{"type", "--delay", "40", text}));
        ASSERT_TRUE(xdotool("key Return"));
    }

    std::unique_ptr<Vantle> vantle;
};

} // namespace

TEST_F(CommandBarX11, CalculatorRowCopiesTheResult)
{
    openBar();
    enter("=2+3*4");
    EXPECT_TRUE(waitUntil([] { return !isViewable(kBar); }, 3000)) << "Return did not close it";
    EXPECT_TRUE(waitUntil([] { return clipboardText() == QStringLiteral("14"); }, 3000));
}

TEST_F(CommandBarX11, CopiedTextIsOfferedAndPastedIntoTheAppInFront)
{
    // Another app copies a text; the history picks it up at its next poll.
    const QString probe = QStringLiteral("kaidro paste probe 7361");
    QProcess::execute(
        QStringLiteral("sh"),
        {"-c", "printf %s '" + probe + "' | xclip -selection clipboard >/dev/null 2>&1"});
    QLineEdit field;
    focusField(field, QStringLiteral("paste target"), QRect(100, 700, 400, 40));

    // With nothing typed the bar lists the clips before its three commands: once the history
    // has the copy, the bar opens a row taller.
    const int withClip = int(CommandBarController::heightFor(4));
    ASSERT_TRUE(waitUntil(
        [&] {
            openBar();
            if (windowGeometry(kBar).value_or(QRect()).height() == withClip)
                return true;
            xdotool("key Escape");
            waitUntil([] { return !isViewable(kBar); }, 3000);
            return false;
        },
        10000))
        << "the copy never reached the bar";
    EXPECT_TRUE(waitUntil([&] { return !field.isActiveWindow(); }, 3000))
        << "the bar did not take the keyboard";
    // The newest clip heads the list; Return pastes it into the field.
    ASSERT_TRUE(xdotool("key Return"));
    EXPECT_TRUE(waitUntil([&] { return field.text() == probe; }, 5000))
        << "field holds: " << field.text().toStdString();
    EXPECT_TRUE(field.isActiveWindow());
}

TEST_F(CommandBarX11, ClickingElsewhereClosesAndTheNextShowStartsEmpty)
{
    QProcess other;
    other.start(QStringLiteral("xterm"), {"-geometry", "40x5+100+600", "-T", "other app"});
    ASSERT_TRUE(waitForWindow(QStringLiteral("other app"), 5000));

    openBar();
    ASSERT_TRUE(xdotool("type --delay 40 abc"));
    // A click into another app's window takes the focus from the bar.
    ASSERT_TRUE(xdotool("mousemove --sync 200 640 click 1"));
    EXPECT_TRUE(waitUntil([] { return !isViewable(kBar); }, 3000))
        << "the bar stayed open after losing the focus";

    // Shown again: an empty query, so typing "=7*6" alone makes the calculator row.
    openBar();
    enter("=7*6");
    EXPECT_TRUE(waitUntil([] { return clipboardText() == QStringLiteral("42"); }, 3000))
        << "clipboard: " << clipboardText().toStdString();
    other.terminate();
    other.waitForFinished(3000);
}

#include "X11Probe.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// The real program on a private display with a window manager, driven by its hot key.
namespace {

using X11Probe::isViewable;

bool waitFor(const std::function<bool()> &condition, int ms)
{
    // Keeps this process's own windows served while waiting.
    return QTest::qWaitFor(condition, ms);
}

void xdotool(const QStringList &arguments)
{
    ASSERT_TRUE(X11Probe::xdotool(arguments)) << "xdotool failed";
}

QString clipboardText()
{
    QProcess p;
    p.start(QStringLiteral("xclip"),
            {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    // Our own event loop keeps running in case this process owns the selection.
    waitFor([&] { return p.state() == QProcess::NotRunning; }, 5000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

class CommandBarX11 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(X11Probe::writeDefaults(R"({"Vantle.setupSeen": true})"));
        vantle.setProgram(QStringLiteral(KAIDRO_VANTLE_PATH));
        vantle.setProcessChannelMode(QProcess::ForwardedChannels);
        vantle.start();
        ASSERT_TRUE(vantle.waitForStarted(5000));
        ASSERT_TRUE(
            waitFor([] { return isViewable(QStringLiteral("Kaidro playerStatus")); }, 10000))
            << "the HUD never appeared";
    }
    void TearDown() override
    {
        vantle.terminate();
        vantle.waitForFinished(5000);
    }

    void openBar()
    {
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+super+space")});
        ASSERT_TRUE(waitFor([] { return isViewable(QStringLiteral("Kaidro commandBar")); }, 5000))
            << "the command bar did not open";
        // Let the window manager hand it the focus.
        QTest::qWait(300);
    }

    QProcess vantle;
};

} // namespace

TEST_F(CommandBarX11, CalculatorRowCopiesTheResult)
{
    openBar();
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"),
             QStringLiteral("=2+3*4")});
    QTest::qWait(200);
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    EXPECT_TRUE(waitFor([] { return !isViewable(QStringLiteral("Kaidro commandBar")); }, 3000))
        << "Return did not close the bar";
    EXPECT_EQ(clipboardText(), QStringLiteral("14"));
}

TEST_F(CommandBarX11, CopiedTextIsOfferedAndPastedIntoTheAppInFront)
{
    // Another app copies a text; the history picks it up at its next poll.
    const QString probe = QStringLiteral("kaidro paste probe 7361");
    QProcess copier;
    copier.start(
        QStringLiteral("sh"),
        {QStringLiteral("-c"),
         QStringLiteral("printf %s '%1' | xclip -selection clipboard >/dev/null 2>&1").arg(probe)});
    ASSERT_TRUE(copier.waitForFinished(5000));
    QTest::qWait(1500);

    // The app in front: a text field of this test, focused by a click.
    QLineEdit field;
    field.setWindowTitle(QStringLiteral("paste target"));
    field.resize(400, 40);
    field.move(100, 700);
    field.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&field));
    xdotool({QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("paste target"),
             QStringLiteral("windowactivate"), QStringLiteral("--sync")});
    ASSERT_TRUE(waitFor([&] { return field.hasFocus() && field.isActiveWindow(); }, 3000));

    openBar();
    EXPECT_FALSE(field.isActiveWindow()) << "the bar did not take the keyboard";
    // Nothing typed: the empty-query list starts with the newest clip; Return pastes it.
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    EXPECT_TRUE(waitFor([&] { return field.text() == probe; }, 5000))
        << "field holds: " << field.text().toStdString();
    EXPECT_TRUE(field.isActiveWindow());
}

TEST_F(CommandBarX11, ClickingElsewhereClosesAndTheNextShowStartsEmpty)
{
    QProcess other;
    other.start(QStringLiteral("xterm"),
                {QStringLiteral("-geometry"), QStringLiteral("40x5+100+600"), QStringLiteral("-T"),
                 QStringLiteral("other app")});
    ASSERT_TRUE(other.waitForStarted(5000));
    ASSERT_TRUE(waitFor([] { return isViewable(QStringLiteral("other app")); }, 5000));

    openBar();
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"),
             QStringLiteral("abc")});
    // A click into another app's window takes the focus from the bar.
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QStringLiteral("200"),
             QStringLiteral("640"), QStringLiteral("click"), QStringLiteral("1")});
    EXPECT_TRUE(waitFor([] { return !isViewable(QStringLiteral("Kaidro commandBar")); }, 3000))
        << "the bar stayed open after losing the focus";

    // Shown again: an empty query, so typing "=7*6" alone makes the calculator row.
    openBar();
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"),
             QStringLiteral("=7*6")});
    QTest::qWait(200);
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    EXPECT_TRUE(waitFor([] { return clipboardText() == QStringLiteral("42"); }, 3000))
        << "clipboard: " << clipboardText().toStdString();
    other.terminate();
    other.waitForFinished(3000);
}

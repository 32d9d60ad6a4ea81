#include "platform/linux/QtPasteboard.h"
#include "platform/linux/X11WindowSystem.h"

#include "X11Probe.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QTest>

// Runs on a private Xvfb display with openbox.
TEST(PasteKeystrokeX11, TypesCtrlVWithOnlyCtrlHeldEvenWhileAltIsDown)
{
    QtPasteboard pasteboard;
    const qint64 before = pasteboard.changeCount();
    pasteboard.setPlainText(QStringLiteral("typed by the paste keystroke"));
    // Our own write counts once, however the clipboard reports it.
    QCoreApplication::processEvents();
    EXPECT_EQ(pasteboard.changeCount(), before + 1);

    QLineEdit field;
    field.setWindowTitle(QStringLiteral("keystroke target"));
    field.setGeometry(200, 300, 400, 40);
    field.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&field));
    ASSERT_TRUE(X11Probe::xdotool(
        QStringList{"search", "--name", "keystroke target", "windowactivate", "--sync"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return field.hasFocus() && field.isActiveWindow(); }, 3000));

    // Alt still down, as after Alt+Return: Ctrl+Alt+V would not paste.
    ASSERT_TRUE(X11Probe::xdotool("keydown alt"));
    X11WindowSystem windows;
    ASSERT_TRUE(windows.sendPasteKeystroke());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return field.text() == QStringLiteral("typed by the paste keystroke"); }, 3000))
        << "field holds: " << field.text().toStdString();
    X11Probe::xdotool("keyup alt");
}

TEST(PasteKeystrokeX11, AnotherClientsCopyIsSeenAsTextAndAnImageIsNotRead)
{
    QtPasteboard pasteboard;
    const qint64 before = pasteboard.changeCount();
    QProcess::execute(QStringLiteral("sh"),
                      {QStringLiteral("-c"),
                       QStringLiteral("printf 'from another app' | xclip -selection clipboard "
                                      ">/dev/null 2>&1")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return pasteboard.changeCount() > before; }, 3000));
    EXPECT_EQ(pasteboard.plainText(), QStringLiteral("from another app"));
    EXPECT_FALSE(pasteboard.types().contains(QStringLiteral("TARGETS")));

    // An image on the clipboard: no text, and the image is never fetched.
    const qint64 textCount = pasteboard.changeCount();
    QProcess::execute(QStringLiteral("sh"),
                      {QStringLiteral("-c"),
                       QStringLiteral("printf '\\211PNG' | xclip -selection clipboard -t image/png "
                                      ">/dev/null 2>&1")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return pasteboard.changeCount() > textCount; }, 3000));
    EXPECT_TRUE(pasteboard.types().contains(QStringLiteral("image/png")));
    EXPECT_FALSE(pasteboard.plainText().has_value());
    // Taking the clipboard back ends the xclip that was serving it.
    pasteboard.setPlainText(QString());
}

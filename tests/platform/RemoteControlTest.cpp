#include "platform/linux/DBusRemoteControl.h"

#include "support/PrivateSessionBus.h"

#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QFuture>
#include <QTest>
#include <QtConcurrent>

// A sender blocks on its call, so it runs on the pool while this thread serves the listeners.
namespace {

QDBusConnection busConnection(const PrivateSessionBus &bus, const QString &name)
{
    return QDBusConnection::connectToBus(bus.address(), name);
}

DBusRemoteControl::Sent sendFromPool(const PrivateSessionBus &bus, const QString &command,
                                     QString *error, QString *answer = nullptr)
{
    QFuture<DBusRemoteControl::Sent> sent = QtConcurrent::run([&] {
        return DBusRemoteControl::send(command, error, busConnection(bus, "sender"), answer);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return sent.isFinished(); }, 6000));
    return sent.result();
}

} // namespace

TEST(DBusRemoteControl, DeliversKnownCommandsToTheNewestListenerAndRefusesOthers)
{
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    QString error;
    EXPECT_EQ(sendFromPool(bus, "hud", &error), DBusRemoteControl::Sent::noRunningCopy);

    const QStringList commands{"hud", "command-bar"};
    QStringList first, second;
    DBusRemoteControl a(busConnection(bus, "a"));
    ASSERT_TRUE(a.listen(
        commands, [&](const QString &c) { first << c; }, &error))
        << error.toStdString();
    EXPECT_EQ(sendFromPool(bus, "command-bar", &error), DBusRemoteControl::Sent::delivered);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first == QStringList{"command-bar"}; }, 2000));
    // A query is answered with the text made on this thread; it runs no command.
    int asked = 0;
    a.answer("stats", [&] { return QStringLiteral("cost %1").arg(++asked); });
    QString answer;
    EXPECT_EQ(sendFromPool(bus, "stats", &error, &answer), DBusRemoteControl::Sent::delivered);
    EXPECT_EQ(answer, "cost 1");
    EXPECT_EQ(first, QStringList{"command-bar"});

    // A name the copy does not take, or a known one with arguments, is an error for the sender.
    EXPECT_EQ(sendFromPool(bus, "quit", &error), DBusRemoteControl::Sent::failed);
    EXPECT_TRUE(error.contains("Quit")) << error.toStdString();
    QDBusMessage withArgument
        = QDBusMessage::createMethodCall(DBusRemoteControl::kService, DBusRemoteControl::kPath,
                                         DBusRemoteControl::kInterface, "Hud");
    withArgument << QStringLiteral("now");
    QFuture<QDBusMessage> reply = QtConcurrent::run(
        [&] { return busConnection(bus, "sender").call(withArgument, QDBus::Block, 4000); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return reply.isFinished(); }, 6000));
    EXPECT_EQ(reply.result().type(), QDBusMessage::ErrorMessage);

    // A copy on another display of the same session takes the name over.
    DBusRemoteControl b(busConnection(bus, "b"));
    ASSERT_TRUE(b.listen(
        commands, [&](const QString &c) { second << c; }, &error));
    EXPECT_EQ(sendFromPool(bus, "hud", &error), DBusRemoteControl::Sent::delivered);
    EXPECT_TRUE(QTest::qWaitFor([&] { return second == QStringList{"hud"}; }, 2000));
    EXPECT_EQ(first, QStringList{"command-bar"});
    EXPECT_EQ(DBusRemoteControl::methodFor("edit-layout"), "EditLayout");
}

#include "platform/wayland/PortalHotKeys.h"
#include "platform/wayland/SwayIpc.h"

#include "fakes/FakeClock.h"

#include "support/PrivateSessionBus.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The desktop portal's GlobalShortcuts on the test's own bus: each call answered at once and
// its verdict sent later as the request object's Response, as the real one does. It can keep
// the verdicts back, refuse some names, or answer with values of the wrong types.
class FakePortal final : public QDBusVirtualObject
{
public:
    bool answers = true;
    bool garbage = false;
    QStringList refused, triggers, closed;
    QList<QDBusMessage> heldBack;
    QHash<QString, QString> sessions; // the session each name was last bound in

    explicit FakePortal(QDBusConnection bus)
        : m_bus(std::move(bus))
    {
        m_bus.registerVirtualObject(PortalHotKeys::kPath, this, QDBusConnection::SubPath);
        m_bus.registerService(PortalHotKeys::kService);
    }
    // Off the bus before it goes: the bus thread hands messages over until then.
    ~FakePortal() override
    {
        m_bus.unregisterObject(PortalHotKeys::kPath, QDBusConnection::UnregisterTree);
    }
    QString introspect(const QString &) const override { return {}; }
    // The bus may hand a message over on its own thread: answered on the test's.
    bool handleMessage(const QDBusMessage &m, const QDBusConnection &) override
    {
        return QMetaObject::invokeMethod(
            this, [this, m] { answer(m); }, Qt::QueuedConnection);
    }
    void answer(const QDBusMessage &m)
    {
        const QList<QVariant> args = m.arguments();
        QVariantMap results;
        if (m.member() == "Get") { // the version
            const QVariant version = garbage ? QVariant("2") : QVariant(2u);
            m_bus.send(m.createReply(QVariant::fromValue(QDBusVariant(version))));
        } else if (m.member() == "Close") {
            closed << m.path();
            m_bus.send(m.createReply());
        } else if (m.member() == "CreateSession") {
            const QString session = "/org/freedesktop/portal/desktop/session/1/"
                + qdbus_cast<QVariantMap>(args[0])["session_handle_token"].toString();
            results["session_handle"] = garbage ? QVariant(7) : QVariant(session);
        } else if (m.member() == "BindShortcuts") {
            QList<PortalShortcut> bound;
            for (const PortalShortcut &s : qdbus_cast<QList<PortalShortcut>>(args[1])) {
                triggers << s.properties["preferred_trigger"].toString();
                sessions[s.name] = args[0].value<QDBusObjectPath>().path();
                if (!refused.contains(s.name))
                    bound << s;
            }
            results["shortcuts"] = garbage ? QVariant("all") : QVariant::fromValue(bound);
        } else {
            m_bus.send(m.createErrorReply(QDBusError::UnknownMethod, {}));
        }
        if (results.isEmpty())
            return;
        const QString request
            = QStringLiteral("%1/request/%2/%3")
                  .arg(PortalHotKeys::kPath, m.service().mid(1).replace('.', '_'),
                       qdbus_cast<QVariantMap>(args.last())["handle_token"].toString());
        m_bus.send(m.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response
            = QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
        response << 0u << results;
        answers ? void(m_bus.send(response)) : heldBack.append(response);
    }
    void answerNow()
    {
        for (const QDBusMessage &response : std::exchange(heldBack, {}))
            m_bus.send(response);
    }
    void activate(const QString &name)
    {
        m_bus.send(
            QDBusMessage::createSignal(PortalHotKeys::kPath, PortalHotKeys::kInterface, "Activated")
            << QVariant::fromValue(QDBusObjectPath(sessions[name])) << name << 1ull
            << QVariantMap());
    }

private:
    QDBusConnection m_bus;
};

struct PortalTest : ::testing::Test
{
    PrivateSessionBus bus;
    QDBusConnection client = QDBusConnection::connectToBus(bus.address(), "client");
    std::unique_ptr<FakePortal> portal;
    void SetUp() override { ASSERT_TRUE(client.isConnected()) << "dbus-daemon did not start"; }
    void TearDown() override
    {
        // The portal first, while its connection still runs; then the connections.
        portal.reset();
        QCoreApplication::processEvents();
        for (const char *name : {"client", "portal"})
            QDBusConnection::disconnectFromBus(name);
    }
    FakePortal &startPortal()
    {
        portal
            = std::make_unique<FakePortal>(QDBusConnection::connectToBus(bus.address(), "portal"));
        return *portal;
    }
};

} // namespace

// The four keys' triggers are checked where they are bound, below.
TEST(PortalHotKeysTriggers, NameOnlyWhatTheShortcutsNotationHas)
{
    EXPECT_EQ(PortalHotKeys::triggerFor(HotKeys::KeyX, HotKeys::Shift), "SHIFT+x");
    EXPECT_EQ(PortalHotKeys::triggerFor(99, HotKeys::Control), "");
    EXPECT_EQ(PortalHotKeys::triggerFor(HotKeys::KeyM, HotKeys::Control | 1u), "");
}

TEST_F(PortalTest, BindsTheFourKeysAndDeliversTheirActivations)
{
    startPortal().refused = {"hotkey-4"};
    EXPECT_TRUE(PortalHotKeys::available(client));
    PortalHotKeys keys(client);
    const quint32 all = HotKeys::Control | HotKeys::Option | HotKeys::Command;
    const quint32 letters[] = {HotKeys::KeyH, HotKeys::KeySpace, HotKeys::KeyM, HotKeys::KeyX};
    for (int id = 1; id <= 4; ++id)
        EXPECT_EQ(keys.grab(id, letters[id - 1], all), id != 4) << id; // the user refused 4
    EXPECT_EQ(portal->triggers,
              QStringList({"CTRL+ALT+LOGO+h", "CTRL+ALT+LOGO+space", "CTRL+ALT+LOGO+m",
                           "CTRL+ALT+LOGO+x"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !portal->closed.isEmpty(); }, 3000));
    EXPECT_EQ(portal->closed, QStringList{portal->sessions["hotkey-4"]});
    EXPECT_TRUE(keys.isAvailable());

    QSignalSpy pressed(&keys, &HotKeys::pressed);
    portal->activate("hotkey-3");
    ASSERT_TRUE(pressed.wait(3000));
    EXPECT_EQ(pressed.takeFirst().at(0).toInt(), 3);

    const QString session = portal->sessions["hotkey-3"];
    keys.release(3);
    portal->activate("hotkey-3");
    EXPECT_TRUE(QTest::qWaitFor([&] { return portal->closed.contains(session); }, 3000));
    EXPECT_TRUE(pressed.isEmpty());
}

TEST_F(PortalTest, ASilentPortalCostsOneShortWaitAndItsLateVerdictStillCounts)
{
    startPortal().answers = false;
    PortalHotKeys keys(client, 300);
    QSignalSpy regrabbed(&keys, &HotKeys::regrabbed);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(keys.grab(1, HotKeys::KeyH, HotKeys::Control));
    EXPECT_TRUE(clock.elapsed() >= 290 && clock.elapsed() < 1500) << clock.elapsed();
    EXPECT_GE(ticks, 5); // the event loop ran meanwhile
    clock.restart();
    EXPECT_FALSE(keys.grab(2, HotKeys::KeyM, HotKeys::Control));
    EXPECT_LT(clock.elapsed(), 100); // no second wait on a portal already late

    // The portal answers after all (a dialog the user took time over): both keys are held.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            portal->answerNow();
            return regrabbed.size() == 2;
        },
        3000));
    for (const QList<QVariant> &signal : regrabbed)
        EXPECT_TRUE(signal.at(1).toBool());
}

TEST_F(PortalTest, NoPortalOrAGarbledOneHoldsNothing)
{
    for (const bool present : {false, true}) {
        if (present)
            startPortal().garbage = true;
        EXPECT_FALSE(PortalHotKeys::available(client));
        PortalHotKeys keys(client, 5000);
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(keys.grab(1, HotKeys::KeyH, HotKeys::Control)) << present;
        EXPECT_LT(clock.elapsed(), 2000) << present; // refused, not timed out
    }
}

TEST_F(PortalTest, APortalThatGoesAwayTakesTheKeysAlongAndGivesThemBack)
{
    startPortal();
    PortalHotKeys keys(client);
    ASSERT_TRUE(keys.grab(1, HotKeys::KeyH, HotKeys::Control));
    QSignalSpy regrabbed(&keys, &HotKeys::regrabbed);
    portal.reset();
    QDBusConnection::disconnectFromBus("portal");
    ASSERT_TRUE(regrabbed.wait(3000));
    EXPECT_EQ(regrabbed.takeFirst(), QVariantList({1, false}));
    startPortal();
    ASSERT_TRUE(regrabbed.wait(3000));
    EXPECT_EQ(regrabbed.takeFirst(), QVariantList({1, true}));
}

TEST(SwayIpc, ASocketThatDoesNotAnswerFailsInTimeAndIsLeftAloneAWhile)
{
    QTemporaryDir folder;
    // Listens, never answers: the kernel takes the connection and nothing here reads it.
    const QByteArray path = QFile::encodeName(folder.filePath("sway-ipc.sock"));
    const int hung = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(hung, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(hung, 4), 0);
    const auto closeHung = qScopeGuard([hung] { ::close(hung); });
    FakeClock clock;
    SwayIpc ipc(QString::fromLocal8Bit(path), &clock, 200);
    QElapsedTimer elapsed;
    for (const double later : {0.0, 1.0, SwayIpc::kQuietSeconds}) {
        clock.advance(later);
        elapsed.start();
        EXPECT_FALSE(ipc.windows());
        // Waits the timeout at first and again once the quiet time is over, not in between.
        const bool waits = later != 1.0;
        EXPECT_EQ(elapsed.elapsed() >= 190, waits) << later;
        EXPECT_LT(elapsed.elapsed(), 1000) << later;
    }
    EXPECT_FALSE(SwayIpc(folder.filePath("none.sock")).reachable());
}

#include "monitors/NowPlayingMonitor.h"
#include "platform/linux/LauncherBadges.h"
#include "platform/linux/MprisPlayers.h"

#include "TestPlayer.h"
#include "fakes/FakeFeedback.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace {

QVariantMap song(const char *title, QStringList artists = {})
{
    return {{QStringLiteral("xesam:title"), title}, {QStringLiteral("xesam:artist"), artists}};
}

// The real players service, counting the reads that have been answered.
class CountedPlayers final : public MediaPlayers
{
public:
    explicit CountedPlayers(const QString &address)
        : real(address)
    { }
    MprisPlayers real;
    int answered = 0;

    QStringList runningPlayers() const override { return {}; }
    void readTracks(const QObject *context, std::function<void(QList<PlayerTrack>)> done) override
    {
        real.readTracks(context, [this, done = std::move(done)](QList<PlayerTrack> tracks) {
            ++answered;
            done(std::move(tracks));
        });
    }
    void send(const QString &player, PlayerCommand command, const QObject *context,
              std::function<void()> done) override
    {
        real.send(player, command, context, std::move(done));
    }
};

class SessionBus : public ::testing::Test
{
protected:
    PrivateSessionBus bus;
    std::unique_ptr<CountedPlayers> players;
    FakeFeedback feedback;
    std::unique_ptr<NowPlayingMonitor> monitor;

    void SetUp() override
    {
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon (Debian package dbus) is needed";
        players = std::make_unique<CountedPlayers>(bus.address());
        monitor = std::make_unique<NowPlayingMonitor>(*players, feedback);
    }

    // A player on the bus: its name's suffix, status, metadata and identity.
    template <typename... Args> std::unique_ptr<TestPlayer> player(Args &&...args)
    {
        return std::make_unique<TestPlayer>(bus.address(), std::forward<Args>(args)...);
    }

    // Shows the HUD (or polls again) and waits for the players' answer.
    const std::optional<PlayerTrack> &pollNow()
    {
        const int before = players->answered;
        if (monitor->isPolling())
            monitor->poll();
        else
            monitor->setHUDVisible(true);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(players->answered > before, 10000); }();
        return monitor->track();
    }
};

} // namespace

TEST_F(SessionBus, ThePlayingPlayerIsChosenElseTheFirstInOrderAndStoppedOnesNever)
{
    auto music = player("GnomeMusic", "Paused", song("Aria", {"Anna"}), "Music");
    auto spotify = player("spotify", "Playing", song("Blue"), "Spotify");
    const auto shown = [&] {
        const std::optional<PlayerTrack> &t = pollNow();
        return t
            ? QStringList{t->title, t->artist, t->app, t->isPlaying ? "playing" : "paused"}.join(
                '|')
            : QString();
    };
    EXPECT_EQ(shown(), "Blue||Spotify|playing");
    spotify->status = "Paused";
    EXPECT_EQ(shown(), "Aria|Anna|Music|paused");
    music->status = "Stopped";
    EXPECT_EQ(shown(), "Blue||Spotify|paused");
    spotify->status = "Stopped";
    EXPECT_EQ(shown(), "");
}

TEST_F(SessionBus, APlayerNotOnTheBusIsNeverStartedPlayPauseReachesTheTracksPlayer)
{
    bool done = false;
    players->send(QStringLiteral("org.mpris.MediaPlayer2.sleeper"), PlayerCommand::playPause,
                  monitor.get(), [&] { done = true; });
    QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
    EXPECT_FALSE(pollNow());
    QTest::qWait(300);
    EXPECT_FALSE(QFile::exists(bus.startedMarker()));

    auto music = player("GnomeMusic", "Paused", song("Aria"));
    auto spotify = player("spotify", "Playing", song("Blue"));
    monitor->playPause();
    // Nothing to send to before a track is known.
    EXPECT_TRUE(feedback.cues.isEmpty());
    // Players that come after the first look are known from the bus's reports of their names.
    bool seen = false;
    for (int i = 0; i < 50 && !seen; ++i) {
        seen = pollNow() && monitor->track()->title == "Blue";
        if (!seen)
            QTest::qWait(100);
    }
    ASSERT_TRUE(seen);
    monitor->playPause();
    EXPECT_EQ(feedback.cues.value(0), qMakePair(SoundCue::select, 0.5f));
    // The monitor polls by itself once the player took the command; both are paused then.
    QTRY_VERIFY_WITH_TIMEOUT(monitor->track() && monitor->track()->title == "Aria", 10000);
    EXPECT_EQ(spotify->commands, QStringList{"PlayPause"});
    EXPECT_TRUE(music->commands.isEmpty());
}

TEST_F(SessionBus, APlayerThatNeverAnswersIsGivenUpWithoutHoldingTheMainThread)
{
    auto stuck = player("aaa", "Playing", song("Never"));
    stuck->silent = true;
    auto vlc = player("vlc", "Playing", song("Heard"));
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    QElapsedTimer clock;
    clock.start();
    const auto track = pollNow();
    const double seconds = clock.elapsed() / 1000.0;
    ASSERT_TRUE(track);
    EXPECT_EQ(track->title, "Heard");
    // Heard only once the silent player's call ran out, the main loop running all along (a
    // blocking call would leave the ticker at one tick or none).
    EXPECT_GE(seconds, 3.5);
    EXPECT_GE(ticks, int(seconds * 5));
}

namespace {

void desktopEntry(const char *id, const char *categories)
{
    writeFile(TestEnvironment::home() + "/.local/share/applications/" + id,
              "[Desktop Entry]\nType=Application\nName=Test\nExec=true\nCategories="
                  + QByteArray(categories) + "\n");
}

void announce(QDBusConnection &sender, const char *app, QVariant count)
{
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/com/canonical/unity/launcherentry/1"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << QStringLiteral("application://%1").arg(QLatin1String(app))
           << QVariantMap{{QStringLiteral("count"), count},
                          {QStringLiteral("count-visible"), true}};
    sender.send(update);
}

} // namespace

TEST_F(SessionBus, UnreadCountsOnlyMailAndChatBadgesAndForgetsAppsThatLeave)
{
    desktopEntry("kaidro-test-mail.desktop", "Network;Email;");
    desktopEntry("kaidro-test-game.desktop", "Game;");
    LauncherBadges badges(bus.address());
    QDBusConnection sender = QDBusConnection::connectToBus(bus.address(), QStringLiteral("apps"));

    // The badge service subscribes on its own time; the apps repeat themselves until it hears.
    const auto until = [&](int wanted, const std::function<void()> &sendAll) {
        for (int i = 0; i < 50 && badges.unreadCount() != wanted; ++i) {
            sendAll();
            QTest::qWait(100);
        }
        return badges.unreadCount();
    };
    const auto mail = [&](QVariant count, int wanted) {
        return until(wanted, [&] { announce(sender, "kaidro-test-mail.desktop", count); });
    };
    EXPECT_EQ(until(3,
                    [&] {
                        announce(sender, "kaidro-test-mail.desktop", qint64(3));
                        announce(sender, "kaidro-test-game.desktop", qint64(5));
                    }),
              3);
    // A negative, absurd or non-numeric count is no count; each follows a valid one.
    for (const QVariant &bad : {QVariant(qint64(-4)), QVariant(qint64(1) << 40), QVariant("7")}) {
        EXPECT_EQ(mail(qint64(2), 2), 2);
        EXPECT_EQ(mail(bad, 0), 0) << bad.toString().toStdString();
    }
    EXPECT_EQ(mail(qint64(2), 2), 2);

    // The app leaves the bus: its connection closes with its last handle.
    QDBusConnection::disconnectFromBus(sender.name());
    sender = QDBusConnection(QString());
    QTRY_COMPARE_WITH_TIMEOUT(badges.unreadCount(), 0, 5000);
}

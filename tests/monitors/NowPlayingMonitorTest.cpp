#include "monitors/NowPlayingMonitor.h"

#include "fakes/FakeFeedback.h"

#include <gtest/gtest.h>

namespace {

PlayerTrack track(const char *player, const char *title, bool playing)
{
    return {player, player, title, {}, playing};
}

// Holds every read and command until the test answers it.
class HeldPlayers final : public MediaPlayers
{
public:
    QList<std::function<void(QList<PlayerTrack>)>> reads;

    QStringList runningPlayers() const override { return {}; }
    void readTracks(const QObject *, std::function<void(QList<PlayerTrack>)> done) override
    {
        reads << std::move(done);
    }
    void send(const QString &, PlayerCommand, const QObject *, std::function<void()>) override { }
    void answer(int read, QList<PlayerTrack> tracks) { reads[read](std::move(tracks)); }
};

} // namespace

class NowPlaying : public ::testing::Test
{
protected:
    HeldPlayers players;
    FakeFeedback feedback;
    NowPlayingMonitor monitor{players, feedback};
};

TEST_F(NowPlaying, HidingClearsAtOnceAndDropsLaterAnswersAndAnOlderPollNeverOverwritesANewer)
{
    monitor.setHUDVisible(true);
    players.answer(0, {track("music", "Aria", true)});
    ASSERT_TRUE(monitor.track());
    monitor.poll();
    monitor.setHUDVisible(false);
    EXPECT_FALSE(monitor.track());
    EXPECT_FALSE(monitor.isPolling());
    // The poll that was under way when the HUD went away answers now.
    players.answer(1, {track("music", "Aria", true)});
    EXPECT_FALSE(monitor.track());

    monitor.setHUDVisible(true);
    players.answer(2, {track("music", "Aria", true)});
    EXPECT_EQ(monitor.track()->title, "Aria");
    monitor.poll();
    monitor.poll();
    players.answer(4, {track("spotify", "New", true)});
    players.answer(3, {track("spotify", "Old", true)});
    EXPECT_EQ(monitor.track()->title, "New");
}

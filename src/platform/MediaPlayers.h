#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// What one media player is playing.
struct PlayerTrack
{
    // The player's address on the desktop; commands go there.
    QString player;
    // The player's name as people know it.
    QString app;
    QString title;
    QString artist;
    bool isPlaying = false;

    bool operator==(const PlayerTrack &) const = default;
};

enum class PlayerCommand { playPause, next, previous };

// The media players of the desktop session. A player that is not running is never started by
// any of these.
class MediaPlayers
{
public:
    virtual ~MediaPlayers() = default;

    // The players running now, by their bus names; empty when none can be listed. May wait on
    // the bus for a while: ask off the main thread.
    virtual QStringList runningPlayers() const = 0;

    // Reads the running players without waiting: `done` gets, on the main thread, the tracks of
    // the players that have one, in the players' fixed order. Every player gets a limited time
    // to answer; one that does not is left out. `done` is dropped once `context` is gone.
    virtual void readTracks(const QObject *context, std::function<void(QList<PlayerTrack>)> done)
        = 0;

    // Sends `command` to `player` without waiting; `done` runs on the main thread once the
    // player answered, refused or ran out of time, unless `context` is gone by then.
    virtual void send(const QString &player, PlayerCommand command, const QObject *context,
                      std::function<void()> done)
        = 0;
};

#pragma once

#include "platform/MediaPlayers.h"

#include <QObject>

#include <optional>

class Feedback;
class QTimer;

// What the music players are playing, for the now-playing strip, and their transport controls.
// Polls the players every 3 s while the HUD is on screen and shows nothing while it is not. The
// players answer without the main thread ever waiting on them. Main thread only.
class NowPlayingMonitor final : public QObject
{
    Q_OBJECT

public:
    using Track = PlayerTrack;

    static constexpr int pollIntervalMs = 3000;
    static constexpr float cueVolume = 0.5f;

    NowPlayingMonitor(MediaPlayers &players, Feedback &feedback, QObject *parent = nullptr);
    ~NowPlayingMonitor() override;

    const std::optional<Track> &track() const { return m_track; }

    // The first track that plays; else the first; else nothing.
    static std::optional<Track> choose(const QList<Track> &tracks);

    // Hiding stops the polls and clears the track; showing polls at once and every 3 s.
    void setHUDVisible(bool visible);
    bool isPolling() const;

    // Asks the players; the answer is published when it arrives. What the timer runs.
    void poll();

    // Send the command to the player of the current track, with the select cue, and poll as soon
    // as the player has taken it. Nothing without a track.
    void playPause();
    void nextTrack();
    void previousTrack();

signals:
    void trackChanged();

private:
    void send(PlayerCommand command);
    void publish(std::optional<Track> track);

    MediaPlayers &m_players;
    Feedback &m_feedback;
    QTimer *m_timer;
    bool m_visible = false;
    // Polls are numbered as they start; an answer older than the last one published, or one
    // that arrives after the HUD went away, is dropped.
    quint64 m_pollsStarted = 0;
    quint64 m_lastPublished = 0;
    quint64 m_hiddenAt = 0;
    std::optional<Track> m_track;
};

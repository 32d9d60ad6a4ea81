#include "monitors/NowPlayingMonitor.h"

#include "platform/Feedback.h"
#include "platform/Logging.h"

#include <QTimer>

NowPlayingMonitor::NowPlayingMonitor(MediaPlayers &players, Feedback &feedback, QObject *parent)
    : QObject(parent)
    , m_players(players)
    , m_feedback(feedback)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(pollIntervalMs);
    m_timer->setTimerType(Qt::VeryCoarseTimer); // on the second, with the other readouts
    connect(m_timer, &QTimer::timeout, this, &NowPlayingMonitor::poll);
}

NowPlayingMonitor::~NowPlayingMonitor() = default;

std::optional<NowPlayingMonitor::Track> NowPlayingMonitor::choose(const QList<Track> &tracks)
{
    for (const Track &track : tracks) {
        if (track.isPlaying)
            return track;
    }
    if (tracks.isEmpty())
        return std::nullopt;
    return tracks.constFirst();
}

void NowPlayingMonitor::setHUDVisible(bool visible)
{
    m_timer->stop();
    m_visible = visible;
    if (!visible) {
        m_hiddenAt = m_pollsStarted;
        publish(std::nullopt);
        return;
    }
    poll();
    m_timer->start();
}

bool NowPlayingMonitor::isPolling() const
{
    return m_timer->isActive();
}

void NowPlayingMonitor::poll()
{
    const quint64 number = ++m_pollsStarted;
    m_players.readTracks(this, [this, number](QList<Track> tracks) {
        if (!m_visible || number <= m_hiddenAt || number < m_lastPublished)
            return;
        m_lastPublished = number;
        publish(choose(tracks));
    });
}

void NowPlayingMonitor::playPause()
{
    send(PlayerCommand::playPause);
}

void NowPlayingMonitor::nextTrack()
{
    send(PlayerCommand::next);
}

void NowPlayingMonitor::previousTrack()
{
    send(PlayerCommand::previous);
}

void NowPlayingMonitor::send(PlayerCommand command)
{
    if (!m_track)
        return;
    m_feedback.play(SoundCue::select, cueVolume);
    m_players.send(m_track->player, command, this, [this] {
        if (m_visible)
            poll();
    });
}

void NowPlayingMonitor::publish(std::optional<Track> track)
{
    if (track == m_track)
        return;
    m_track = std::move(track);
    // The player's bus name only: titles and artists stay out of the log.
    qCDebug(lcMonitors) << "now playing from" << (m_track ? m_track->player : QString());
    emit trackChanged();
}

#pragma once

#include "platform/MediaPlayers.h"
#include "platform/linux/BusLink.h"

#include <QObject>

#include <atomic>
#include <optional>

class QDBusServiceWatcher;

// The MPRIS players on the session bus. Every call is sent without waiting and is given up after
// `callTimeoutMs`; only bus names that are listed as taken are addressed, and never with
// activation, so no player is started by a question or a command.
class MprisPlayers final : public QObject, public MediaPlayers
{
    Q_OBJECT

public:
    // How long the bus may take to list its names when asked from the setup check.
    static constexpr int busTimeoutMs = 2000;
    // How long a player may take to answer one call.
    static constexpr int callTimeoutMs = 4000;

    // `busAddress` empty: the session bus of the environment.
    explicit MprisPlayers(QString busAddress = {}, QObject *parent = nullptr);
    ~MprisPlayers() override;

    QStringList runningPlayers() const override;
    void readTracks(const QObject *context, std::function<void(QList<PlayerTrack>)> done) override;
    void send(const QString &player, PlayerCommand command, const QObject *context,
              std::function<void()> done) override;

private:
    void readPlayers(QDBusConnection bus, const QStringList &players,
                     std::function<void(QList<PlayerTrack>)> finish);
    // The players among the bus's names; beyond `MprisTracks::maxPlayers` they are ignored and
    // that is logged once.
    QStringList playersIn(const QStringList &busNames) const;

    // The players' names on the bus: listed once, then followed through the bus's reports of
    // names taken and let go, so a poll with no player on the bus sends nothing.
    void watchNames(const QDBusConnection &bus);
    void nameOwnerChanged(const QString &name, const QString &newOwner);

    BusLink m_link;
    QDBusServiceWatcher *m_watcher = nullptr;
    std::optional<QStringList> m_names;
    // The players of the last read, so the log says when one comes or goes.
    QStringList m_lastPlayers;
    // The setup check asks from a worker thread, the monitor from the main thread.
    mutable std::atomic_bool m_tooManyLogged{false};
};

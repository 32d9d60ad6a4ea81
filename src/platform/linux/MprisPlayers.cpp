#include "platform/linux/MprisPlayers.h"

#include "platform/Logging.h"

#include "platform/linux/MprisTracks.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QPointer>

#include <memory>

namespace {

const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

QDBusMessage callTo(const QString &service, const QString &path, const QString &interface,
                    const QString &method)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    // A name that is not taken must not start a program.
    call.setAutoStartService(false);
    return call;
}

QDBusMessage listNames()
{
    return callTo(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                  QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
}

QStringList namesIn(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    const QVariant names = reply.arguments().constFirst();
    return names.typeId() == QMetaType::QStringList ? names.toStringList() : QStringList();
}

// Runs `then` with the reply (or the error, or the time-out) on this thread.
void whenAnswered(QDBusPendingCall call, QObject *owner,
                  std::function<void(const QDBusMessage &reply)> then)
{
    auto *watcher = new QDBusPendingCallWatcher(call, owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                     [watcher, then = std::move(then)] {
                         then(watcher->reply());
                         watcher->deleteLater();
                     });
}

// The answers of one read, filled in as the players answer.
struct Reading
{
    QStringList players;
    QList<QVariantMap> properties;
    QList<QVariant> identities;
    int outstanding = 0;
};

} // namespace

MprisPlayers::MprisPlayers(QString busAddress, QObject *parent)
    : QObject(parent)
    , m_link(std::move(busAddress))
{ }

MprisPlayers::~MprisPlayers() = default;

QStringList MprisPlayers::runningPlayers() const
{
    QDBusConnection bus = m_link.openBlocking();
    if (!bus.isConnected())
        return {};
    return playersIn(namesIn(bus.call(listNames(), QDBus::Block, busTimeoutMs)));
}

QStringList MprisPlayers::playersIn(const QStringList &busNames) const
{
    bool more = false;
    QStringList players = MprisTracks::orderPlayers(busNames, &more);
    if (more && !m_tooManyLogged.exchange(true))
        qCInfo(lcDBus) << "more than" << MprisTracks::maxPlayers
                       << "media players on the bus: the others are ignored";
    return players;
}

void MprisPlayers::readTracks(const QObject *context, std::function<void(QList<PlayerTrack>)> done)
{
    const QPointer<const QObject> guard(context);
    auto finish = [guard, done = std::move(done)](QList<PlayerTrack> tracks) {
        if (guard)
            done(std::move(tracks));
    };
    m_link.whenOpen([this, finish](QDBusConnection *bus) {
        if (!bus) {
            finish({});
            return;
        }
        if (!m_watcher)
            watchNames(*bus);
        if (m_names) {
            readPlayers(*bus, playersIn(*m_names), finish);
            return;
        }
        whenAnswered(bus->asyncCall(listNames(), callTimeoutMs), this,
                     [this, bus = *bus, finish](const QDBusMessage &reply) {
                         // Names taken after the list was made are reported after it.
                         const QStringList names = namesIn(reply);
                         if (reply.type() == QDBusMessage::ReplyMessage && !m_names) {
                             m_names.emplace();
                             for (const QString &name : names) {
                                 if (name.startsWith(MprisTracks::busPrefix))
                                     m_names->append(name);
                             }
                         }
                         readPlayers(bus, playersIn(names), finish);
                     });
    });
}

void MprisPlayers::watchNames(const QDBusConnection &bus)
{
    // Only names under the players' prefix are reported, by the bus itself.
    m_watcher = new QDBusServiceWatcher(MprisTracks::busPrefix.chopped(1) + u'*', bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &name, const QString &, const QString &newOwner) {
                nameOwnerChanged(name, newOwner);
            });
}

void MprisPlayers::nameOwnerChanged(const QString &name, const QString &newOwner)
{
    if (!m_names || !name.startsWith(MprisTracks::busPrefix))
        return;
    m_names->removeAll(name);
    if (!newOwner.isEmpty())
        m_names->append(name);
}

void MprisPlayers::readPlayers(QDBusConnection bus, const QStringList &players,
                               std::function<void(QList<PlayerTrack>)> finish)
{
    if (players != m_lastPlayers) {
        qCDebug(lcDBus) << "media players on the bus:" << players;
        m_lastPlayers = players;
    }
    if (players.isEmpty()) {
        finish({});
        return;
    }
    auto reading = std::make_shared<Reading>();
    reading->players = players;
    reading->properties.resize(players.size());
    reading->identities.resize(players.size());
    reading->outstanding = int(players.size()) * 2;
    auto answered = [reading, finish] {
        if (--reading->outstanding > 0)
            return;
        QList<PlayerTrack> tracks;
        for (qsizetype i = 0; i < reading->players.size(); ++i) {
            if (auto track = MprisTracks::trackFrom(reading->players[i], reading->properties[i],
                                                    reading->identities[i]))
                tracks << *track;
        }
        finish(tracks);
    };
    // Every player is asked at once, so one that never answers costs the time-out once.
    for (qsizetype i = 0; i < players.size(); ++i) {
        QDBusMessage all = callTo(players[i], kPath, kProperties, QStringLiteral("GetAll"));
        all << kPlayerInterface;
        whenAnswered(bus.asyncCall(all, callTimeoutMs), this,
                     [reading, answered, i](const QDBusMessage &reply) {
                         if (reply.type() == QDBusMessage::ReplyMessage
                             && reply.arguments().size() == 1) {
                             if (auto map = BusLink::asMap(reply.arguments().constFirst()))
                                 reading->properties[i] = *map;
                         }
                         answered();
                     });
        QDBusMessage identity = callTo(players[i], kPath, kProperties, QStringLiteral("Get"));
        identity << QStringLiteral("org.mpris.MediaPlayer2") << QStringLiteral("Identity");
        whenAnswered(bus.asyncCall(identity, callTimeoutMs), this,
                     [reading, answered, i](const QDBusMessage &reply) {
                         if (reply.type() == QDBusMessage::ReplyMessage
                             && reply.arguments().size() == 1) {
                             const QVariant value = reply.arguments().constFirst();
                             if (value.userType() == qMetaTypeId<QDBusVariant>())
                                 reading->identities[i] = value.value<QDBusVariant>().variant();
                         }
                         answered();
                     });
    }
}

void MprisPlayers::send(const QString &player, PlayerCommand command, const QObject *context,
                        std::function<void()> done)
{
    const QPointer<const QObject> guard(context);
    auto finish = [guard, done = std::move(done)] {
        if (guard && done)
            done();
    };
    QString method;
    switch (command) {
    case PlayerCommand::playPause:
        method = QStringLiteral("PlayPause");
        break;
    case PlayerCommand::next:
        method = QStringLiteral("Next");
        break;
    case PlayerCommand::previous:
        method = QStringLiteral("Previous");
        break;
    }
    // Only an MPRIS name is ever addressed.
    if (!player.startsWith(MprisTracks::busPrefix)) {
        finish();
        return;
    }
    m_link.whenOpen([this, player, method, finish](QDBusConnection *bus) {
        if (!bus) {
            finish();
            return;
        }
        whenAnswered(bus->asyncCall(callTo(player, kPath, kPlayerInterface, method), callTimeoutMs),
                     this, [finish](const QDBusMessage &) { finish(); });
    });
}

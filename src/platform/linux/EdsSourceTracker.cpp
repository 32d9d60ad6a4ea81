#include "platform/linux/EdsSourceTracker.h"

#include "platform/Logging.h"
#include "platform/linux/BusLink.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QTimer>

namespace {

const QString kRegistry = QStringLiteral("org.gnome.evolution.dataserver.Sources5");
const QString kManager = QStringLiteral("/org/gnome/evolution/dataserver/SourceManager");
const QString kSource = QStringLiteral("org.gnome.evolution.dataserver.Source");
const QString kFactory = QStringLiteral("org.gnome.evolution.dataserver.Calendar8");
const QString kFactoryPath = QStringLiteral("/org/gnome/evolution/dataserver/CalendarFactory");
const QString kCalendar = QStringLiteral("org.gnome.evolution.dataserver.Calendar");
const QString kView = QStringLiteral("org.gnome.evolution.dataserver.CalendarView");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// How deep a chain of parent sources is followed: a registry never nests more than a few.
constexpr int kMaxParents = 16;

bool isOnline(const QString &backend)
{
    // The birthdays calendar is made from the local address books.
    return backend != QLatin1String("local") && backend != QLatin1String("contacts");
}

// An interface map a{sa{sv}} as it arrives in a message.
QMap<QString, QVariantMap> interfaces(const QVariant &value)
{
    QMap<QString, QVariantMap> out;
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() == QLatin1String("a{sa{sv}}"))
            argument >> out;
    }
    return out;
}

} // namespace

EdsSourceTracker::Known EdsSourceTracker::known(const QVariantMap &properties, Known k)
{
    if (const QVariant v = properties.value(QStringLiteral("UID"));
        v.typeId() == QMetaType::QString)
        k.uid = v.toString();
    if (const QVariant v = properties.value(QStringLiteral("Data"));
        v.typeId() == QMetaType::QString)
        k.file = EdsSession::readKeyFile(v.toString());
    if (const QVariant v = properties.value(QStringLiteral("ConnectionStatus"));
        v.typeId() == QMetaType::QString)
        k.status = v.toString();
    return k;
}

EdsSourceTracker::EdsSourceTracker(EdsSession &session, QString busName)
    : m_session(session)
    , m_busName(std::move(busName))
{ }

void EdsSourceTracker::start()
{
    // The bus the environment names now, on a connection of the session's own: the process's
    // shared session connection keeps the first address it was given.
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    m_bus = address.isEmpty()
        ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_busName)
        : QDBusConnection::connectToBus(address, m_busName);
    if (!m_bus.isConnected()) {
        const QString why = m_bus.lastError().message();
        m_session.registryFailed(why.isEmpty() ? QStringLiteral("no session bus") : why);
        return;
    }
    {
        std::lock_guard lock(m_session.m_mutex);
        m_session.m_bus = m_bus;
    }
    m_bus.connect(kRegistry, kManager, kObjectManager, QStringLiteral("InterfacesAdded"), this,
                  SLOT(interfacesAdded(QDBusMessage)));
    m_bus.connect(kRegistry, kManager, kObjectManager, QStringLiteral("InterfacesRemoved"), this,
                  SLOT(interfacesRemoved(QDBusMessage)));
    m_bus.connect(kRegistry, QString(), kProperties, QStringLiteral("PropertiesChanged"), this,
                  SLOT(propertiesChanged(QDBusMessage)));
    auto *factory = new QDBusServiceWatcher(kFactory, m_bus,
                                            QDBusServiceWatcher::WatchForUnregistration, this);
    connect(factory, &QDBusServiceWatcher::serviceUnregistered, this,
            &EdsSourceTracker::factoryGone);
    // A registry that was restarted has its sources anew.
    auto *registry = new QDBusServiceWatcher(kRegistry, m_bus,
                                             QDBusServiceWatcher::WatchForRegistration, this);
    connect(registry, &QDBusServiceWatcher::serviceRegistered, this,
            &EdsSourceTracker::registryBack);

    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(
        m_session.m_wakeAt - std::chrono::steady_clock::now());
    if (wait.count() <= 0)
        fetchRegistry();
    else
        QTimer::singleShot(wait, this, [this] {
            if (!m_fetched)
                fetchRegistry();
        });
}

void EdsSourceTracker::stop()
{
    for (auto &[key, e] : m_entries)
        close(e);
    m_entries.clear();
}

void EdsSourceTracker::call(const QString &service, const QString &path, const QString &interface,
                            const QString &method, const QVariantList &arguments,
                            std::function<void(const QDBusMessage &)> then)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    if (!then) {
        message.setAutoStartService(false);
        m_bus.send(message);
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, then = std::move(then)] {
        watcher->deleteLater();
        then(watcher->reply());
    });
}

void EdsSourceTracker::fetchRegistry()
{
    m_fetched = true;
    call(kRegistry, kManager, kObjectManager, QStringLiteral("GetManagedObjects"), {},
         [this](const QDBusMessage &reply) {
             QHash<QString, Known> found;
             if (reply.type() == QDBusMessage::ReplyMessage
                 && reply.signature() == QLatin1String("a{oa{sa{sv}}}")) {
                 const QDBusArgument all = reply.arguments().value(0).value<QDBusArgument>();
                 all.beginMap();
                 while (!all.atEnd()) {
                     QDBusObjectPath path;
                     QMap<QString, QVariantMap> ifaces;
                     all.beginMapEntry();
                     all >> path >> ifaces;
                     all.endMapEntry();
                     if (ifaces.contains(kSource))
                         found.insert(path.path(), known(ifaces.value(kSource)));
                 }
                 all.endMap();
             }
             // A running registry always lists its own built-in sources.
             if (found.isEmpty()) {
                 if (!m_registryUp)
                     m_session.registryFailed(reply.type() == QDBusMessage::ErrorMessage
                                                  ? reply.errorMessage()
                                                  : QStringLiteral("the data server lists no "
                                                                   "sources"));
                 return;
             }
             m_known = std::move(found);
             m_registryUp = true;
             rescan();
         });
}

void EdsSourceTracker::learn(const QString &path, const QVariantMap &properties)
{
    Known &k = m_known[path];
    k = known(properties, k);
}

void EdsSourceTracker::interfacesAdded(const QDBusMessage &message)
{
    const QList<QVariant> args = message.arguments();
    const QMap<QString, QVariantMap> ifaces = interfaces(args.value(1));
    if (!m_registryUp || args.size() != 2 || !ifaces.contains(kSource))
        return;
    learn(args[0].value<QDBusObjectPath>().path(), ifaces.value(kSource));
    rescan();
}

void EdsSourceTracker::interfacesRemoved(const QDBusMessage &message)
{
    const QList<QVariant> args = message.arguments();
    if (!m_registryUp || args.size() != 2 || !args[1].toStringList().contains(kSource))
        return;
    m_known.remove(args[0].value<QDBusObjectPath>().path());
    rescan();
}

void EdsSourceTracker::propertiesChanged(const QDBusMessage &message)
{
    const QList<QVariant> args = message.arguments();
    if (!m_registryUp || args.size() < 2 || args[0].toString() != kSource
        || !m_known.contains(message.path()))
        return;
    const QString uid = m_known.value(message.path()).uid;
    learn(message.path(), BusLink::asMap(args[1]).value_or(QVariantMap()));
    // A source whose server answers now serves it, without waiting out its connect time.
    if (statusOf(uid) == QLatin1String("connected")) {
        for (auto &[key, e] : m_entries) {
            if (e.uid == uid && e.awaitingServer)
                ready(e);
        }
    }
    rescan();
}

QString EdsSourceTracker::statusOf(const QString &uid) const
{
    for (const Known &k : m_known) {
        if (k.uid == uid)
            return k.status;
    }
    return {};
}

bool EdsSourceTracker::enabled(const QString &uid) const
{
    // A source is off when it or any source it belongs to (an account's collection) is off.
    QString at = uid;
    for (int depth = 0; depth < kMaxParents && !at.isEmpty(); ++depth) {
        const std::optional<EdsSession::KeyFile> *kf = nullptr;
        for (const Known &k : m_known) {
            if (k.uid == at)
                kf = &k.file;
        }
        if (!kf || !*kf)
            return depth > 0; // an unknown parent does not switch its children off
        if (!(*kf)->enabled)
            return false;
        at = (*kf)->parent;
    }
    return true;
}

void EdsSourceTracker::rescan()
{
    std::map<QString, Entry> wanted;
    for (const Known &k : std::as_const(m_known)) {
        const std::optional<EdsSession::KeyFile> &kf = k.file;
        if (k.uid.isEmpty() || !kf || !(kf->calendar || kf->taskList) || !enabled(k.uid))
            continue;
        if (kf->calendar)
            wanted[QStringLiteral("e:") + k.uid] = {k.uid, true, kf->calendarBackend};
        if (kf->taskList)
            wanted[QStringLiteral("t:") + k.uid] = {k.uid, false, kf->taskBackend};
    }
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (wanted.count(it->first)) {
            ++it;
            continue;
        }
        close(it->second);
        it = m_entries.erase(it);
    }
    for (auto &[key, e] : wanted) {
        if (m_entries.count(key))
            continue;
        m_entries.emplace(key, e);
        open(key);
    }
    publish();
}

EdsSourceTracker::Entry *EdsSourceTracker::find(const QString &key, quint64 serial)
{
    const auto it = m_entries.find(key);
    return it == m_entries.end() || it->second.serial != serial ? nullptr : &it->second;
}

void EdsSourceTracker::open(const QString &key)
{
    Entry &e = m_entries.at(key);
    e.serial = ++m_serial;
    e.state = EdsSession::State::connecting;
    const quint64 serial = e.serial;
    call(kFactory, kFactoryPath, QStringLiteral("org.gnome.evolution.dataserver.CalendarFactory"),
         e.events ? QStringLiteral("OpenCalendar") : QStringLiteral("OpenTaskList"), {e.uid},
         [this, key, serial](const QDBusMessage &reply) { opened(key, serial, reply); });
}

void EdsSourceTracker::opened(const QString &key, quint64 serial, const QDBusMessage &reply)
{
    const bool ok
        = reply.type() == QDBusMessage::ReplyMessage && reply.signature() == QLatin1String("ss");
    const QString path = ok ? reply.arguments()[0].toString() : QString();
    const QString service = ok ? reply.arguments()[1].toString() : QString();
    Entry *e = find(key, serial);
    if (!e) {
        if (ok) // dropped while it was opening
            call(service, path, kCalendar, QStringLiteral("Close"), {});
        return;
    }
    if (!ok || path.isEmpty() || service.isEmpty()) {
        e->state = EdsSession::State::failed;
        e->error = reply.type() == QDBusMessage::ErrorMessage
            ? reply.errorMessage()
            : QStringLiteral("the calendar factory gave no calendar");
        publish();
        return;
    }
    e->service = service;
    e->path = path;
    call(service, path, kCalendar, QStringLiteral("Open"), {},
         [this, key, serial](const QDBusMessage &reply) {
             Entry *e = find(key, serial);
             if (!e)
                 return;
             if (reply.type() != QDBusMessage::ReplyMessage) {
                 e->state = EdsSession::State::failed;
                 e->error = reply.errorMessage();
                 publish();
                 return;
             }
             if (!isOnline(e->backend) || statusOf(e->uid) == QLatin1String("connected")) {
                 ready(*e);
                 return;
             }
             e->awaitingServer = true;
             QTimer::singleShot(EdsSession::kConnectWaitSeconds * 1000, this, [this, key, serial] {
                 if (Entry *e = find(key, serial); e && e->awaitingServer)
                     ready(*e);
             });
         });
}

void EdsSourceTracker::ready(Entry &e)
{
    e.awaitingServer = false;
    e.state = EdsSession::State::ready;
    publish();
    // What is there already is read by the queries; the view only tells what changes.
    const QString key = (e.events ? QStringLiteral("e:") : QStringLiteral("t:")) + e.uid;
    call(e.service, e.path, kCalendar, QStringLiteral("GetView"), {QStringLiteral("#t")},
         [this, key, serial = e.serial](const QDBusMessage &reply) {
             watchView(key, serial, reply);
         });
}

void EdsSourceTracker::watchView(const QString &key, quint64 serial, const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("o"))
        return; // without a view the source is still read at every refresh
    const QString view = reply.arguments()[0].value<QDBusObjectPath>().path();
    Entry *e = find(key, serial);
    if (!e || !e->view.isEmpty()) {
        call(reply.service(), view, kView, QStringLiteral("Dispose"), {});
        return;
    }
    e->view = view;
    // The backend's own connection sends the view's signals, not the factory's name: match on
    // the view's path alone.
    for (const char *signal : {"ObjectsAdded", "ObjectsModified", "ObjectsRemoved"})
        m_bus.connect(QString(), view, kView, QLatin1String(signal), this, SLOT(viewChanged()));
    call(e->service, view, kView, QStringLiteral("SetFlags"), {QVariant::fromValue(0u)});
    call(e->service, view, kView, QStringLiteral("Start"), {});
}

void EdsSourceTracker::viewChanged()
{
    publish();
}

void EdsSourceTracker::close(Entry &e)
{
    if (!e.view.isEmpty()) {
        for (const char *signal : {"ObjectsAdded", "ObjectsModified", "ObjectsRemoved"})
            m_bus.disconnect(QString(), e.view, kView, QLatin1String(signal), this,
                             SLOT(viewChanged()));
        call(e.service, e.view, kView, QStringLiteral("Dispose"), {});
    }
    if (!e.path.isEmpty())
        call(e.service, e.path, kCalendar, QStringLiteral("Close"), {});
    e.view.clear();
    e.path.clear();
    e.service.clear();
}

void EdsSourceTracker::factoryGone()
{
    // Its calendars and views went with it; the sources wait, connecting, to be opened anew.
    for (auto &[key, e] : m_entries) {
        if (!e.view.isEmpty())
            for (const char *signal : {"ObjectsAdded", "ObjectsModified", "ObjectsRemoved"})
                m_bus.disconnect(QString(), e.view, kView, QLatin1String(signal), this,
                                 SLOT(viewChanged()));
        e = Entry{e.uid, e.events, e.backend, ++m_serial};
    }
    publish();
    const bool recent = m_lastReopen.isValid() && m_lastReopen.elapsed() < kReopenSpacingMs;
    m_lastReopen.start();
    QTimer::singleShot(recent ? kReopenSpacingMs : kReopenDelayMs, this, [this] {
        for (auto &[key, e] : m_entries) {
            if (e.state == EdsSession::State::connecting && e.path.isEmpty())
                open(key);
        }
    });
}

void EdsSourceTracker::registryBack()
{
    fetchRegistry();
}

void EdsSourceTracker::refreshOnline()
{
    for (const auto &[key, e] : m_entries) {
        if (e.state == EdsSession::State::ready && isOnline(e.backend))
            call(e.service, e.path, kCalendar, QStringLiteral("Refresh"), {});
    }
}

void EdsSourceTracker::publish()
{
    QList<EdsSession::Source> out;
    for (const auto &[key, e] : m_entries) {
        EdsSession::Source s;
        s.uid = e.uid;
        for (const Known &k : std::as_const(m_known)) {
            if (k.uid == e.uid)
                s.name = k.file ? k.file->name : QString();
        }
        s.backend = e.backend;
        s.events = e.events;
        s.online = isOnline(e.backend);
        const QString status = statusOf(e.uid);
        s.needsSignIn = status == QLatin1String("awaiting-credentials")
            || status == QLatin1String("ssl-failed");
        s.state = e.state;
        s.error = e.error;
        if (e.state == EdsSession::State::ready) {
            s.service = e.service;
            s.path = e.path;
        }
        out.append(s);
    }
    m_session.publish(std::move(out));
}

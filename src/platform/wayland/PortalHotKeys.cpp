#include "platform/wayland/PortalHotKeys.h"

#include "platform/Logging.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QList>
#include <QStringList>
#include <QTimer>

const QString PortalHotKeys::kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalHotKeys::kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString PortalHotKeys::kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString PortalHotKeys::kAppId = QStringLiteral("kaidro");

namespace {

const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kResponse = QStringLiteral("Response");
const char *const kResponseSlot = SLOT(handleResponse(uint, QVariantMap, QDBusMessage));

} // namespace

QDBusArgument &operator<<(QDBusArgument &out, const PortalShortcut &shortcut)
{
    out.beginStructure();
    out << shortcut.name << shortcut.properties;
    out.endStructure();
    return out;
}

const QDBusArgument &operator>>(const QDBusArgument &in, PortalShortcut &shortcut)
{
    in.beginStructure();
    in >> shortcut.name >> shortcut.properties;
    in.endStructure();
    return in;
}

namespace {

// The names BindShortcuts reports bound; nothing when the answer is not the list it should be.
QStringList boundNames(const QVariant &value)
{
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return {};
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a(sa{sv})"))
        return {};
    QList<PortalShortcut> shortcuts;
    argument >> shortcuts;
    QStringList names;
    for (const PortalShortcut &shortcut : shortcuts)
        names << shortcut.name;
    return names;
}

// The session CreateSession made: sent as a string by most portals, as an object path by some.
QString sessionHandle(const QVariant &value)
{
    QString path;
    if (value.typeId() == QMetaType::QString)
        path = value.toString();
    else if (value.userType() == qMetaTypeId<QDBusObjectPath>())
        path = value.value<QDBusObjectPath>().path();
    return path.startsWith(QLatin1Char('/')) ? path : QString();
}

bool offersShortcuts(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return false;
    const QVariant version = reply.arguments().constFirst().value<QDBusVariant>().variant();
    return version.typeId() == QMetaType::UInt && version.toUInt() >= 1;
}

QDBusMessage versionQuery()
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        PortalHotKeys::kService, PortalHotKeys::kPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << PortalHotKeys::kInterface << QStringLiteral("version");
    return get;
}

} // namespace

PortalHotKeys::PortalHotKeys(QDBusConnection bus, int answerTimeoutMs, QObject *parent)
    : HotKeys(parent)
    , m_bus(std::move(bus))
    , m_answerTimeoutMs(answerTimeoutMs)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    if (!m_bus.isConnected())
        return;
    // Outside a sandbox the portal learns our app id only from this, and only before our first
    // portal call; an older portal without the registry answers with an error we need not read.
    QDBusMessage registration = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.host.portal.Registry"),
        QStringLiteral("Register"));
    registration << kAppId << QVariantMap();
    m_bus.asyncCall(registration);

    m_bus.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                  SLOT(handleActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    m_watcher
        = new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &oldOwner, const QString &newOwner) {
                if (!oldOwner.isEmpty())
                    portalGone();
                if (!newOwner.isEmpty())
                    portalBack();
            });
    probe();
}

PortalHotKeys::~PortalHotKeys()
{
    for (const Shortcut &s : std::as_const(m_shortcuts))
        closeSession(s.session);
}

QString PortalHotKeys::triggerFor(quint32 key, quint32 modifiers)
{
    QString name;
    switch (key) {
    case KeyH:
        name = QStringLiteral("h");
        break;
    case KeyX:
        name = QStringLiteral("x");
        break;
    case KeyM:
        name = QStringLiteral("m");
        break;
    case KeySpace:
        name = QStringLiteral("space");
        break;
    default:
        return {};
    }
    if (modifiers & ~quint32(Control | Option | Shift | Command))
        return {};
    QStringList parts;
    if (modifiers & Control)
        parts << QStringLiteral("CTRL");
    if (modifiers & Option)
        parts << QStringLiteral("ALT");
    if (modifiers & Shift)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Command)
        parts << QStringLiteral("LOGO");
    parts << name;
    return parts.join(QLatin1Char('+'));
}

void PortalHotKeys::describe(int id, const QString &name, const QString &description)
{
    m_descriptions.insert(id, {name, description});
}

QString PortalHotKeys::nameOf(int id) const
{
    const QString name = m_descriptions.value(id).first;
    return name.isEmpty() ? QStringLiteral("hotkey-%1").arg(id) : name;
}

bool PortalHotKeys::grab(int id, quint32 key, quint32 modifiers)
{
    release(id);
    if (triggerFor(key, modifiers).isEmpty() || !m_bus.isConnected())
        return false;
    Shortcut s;
    s.key = key;
    s.modifiers = modifiers;
    s.generation = m_nextGeneration++;
    const quint64 generation = s.generation;
    m_shortcuts.insert(id, s);
    request(id);

    const auto mine = [this, id, generation] {
        const auto it = m_shortcuts.find(id);
        return it != m_shortcuts.end() && it->generation == generation ? it : m_shortcuts.end();
    };
    const auto waiting = [&] {
        const auto it = mine();
        return it != m_shortcuts.end()
            && (it->stage == Stage::creating || it->stage == Stage::binding);
    };
    if (!m_portalSlow && waiting()) {
        // The seam wants a verdict now; the portal gives it later. Wait for it a little, with
        // the event loop running but user input held back, so nothing the user does runs
        // inside this call.
        QEventLoop loop;
        QTimer::singleShot(m_answerTimeoutMs, &loop, &QEventLoop::quit);
        connect(this, &PortalHotKeys::settled, &loop, [&loop, id](int settledId) {
            if (settledId == id)
                loop.quit();
        });
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    const auto it = mine();
    if (it == m_shortcuts.end())
        return false;
    if (it->stage == Stage::held)
        return true;
    if (it->stage == Stage::refused) {
        m_shortcuts.erase(it);
        return false;
    }
    qCDebug(lcDBus) << "the portal has not answered for hot key" << id << "yet";
    it->answered = true;
    m_portalSlow = true;
    return false;
}

void PortalHotKeys::release(int id)
{
    const auto it = m_shortcuts.find(id);
    if (it == m_shortcuts.end())
        return;
    // A request still under way finds no shortcut of its generation and closes what it made.
    closeSession(it->session);
    m_shortcuts.erase(it);
}

void PortalHotKeys::request(int id)
{
    Shortcut &s = m_shortcuts[id];
    s.stage = Stage::creating;
    s.session.clear();
    const QString token = QStringLiteral("kaidro_session%1").arg(m_nextToken++);
    call(id, QStringLiteral("CreateSession"), {QVariantMap{{"session_handle_token", token}}});
}

void PortalHotKeys::call(int id, const QString &method, QVariantList arguments)
{
    const Pending pending{id, m_shortcuts.value(id).generation};
    const QString token = QStringLiteral("kaidro%1").arg(m_nextToken++);
    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments << options;

    // The Response may come before the method's own reply, so listen on the request object the
    // portal will make before asking: its path is our unique name and the token.
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString expected = QStringLiteral("%1/request/%2/%3").arg(kPath, sender, token);
    follow(expected, pending);

    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, expected, pending, watcher] {
        watcher->deleteLater();
        if (!m_requests.contains(expected))
            return; // answered already
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            qCDebug(lcDBus) << "the portal refused" << reply.error().name();
            m_requests.remove(expected);
            m_bus.disconnect(kService, expected, kRequestInterface, kResponse, this, kResponseSlot);
            const auto it = m_shortcuts.constFind(pending.id);
            if (it != m_shortcuts.constEnd() && it->generation == pending.generation)
                settle(pending.id, Stage::refused);
            return;
        }
        // An older portal may put the request object elsewhere.
        const QString actual = reply.value().path();
        if (actual != expected && !actual.isEmpty()) {
            m_requests.remove(expected);
            m_bus.disconnect(kService, expected, kRequestInterface, kResponse, this, kResponseSlot);
            follow(actual, pending);
        }
    });
}

void PortalHotKeys::follow(const QString &requestPath, const Pending &pending)
{
    m_requests.insert(requestPath, pending);
    m_bus.connect(kService, requestPath, kRequestInterface, kResponse, this, kResponseSlot);
}

void PortalHotKeys::handleResponse(uint response, const QVariantMap &results,
                                   const QDBusMessage &message)
{
    const QString path = message.path();
    const auto found = m_requests.constFind(path);
    if (found == m_requests.constEnd())
        return;
    const Pending pending = *found;
    m_requests.erase(found);
    m_bus.disconnect(kService, path, kRequestInterface, kResponse, this, kResponseSlot);
    m_portalSlow = false;

    const QString session = sessionHandle(results.value(QStringLiteral("session_handle")));
    const auto it = m_shortcuts.find(pending.id);
    if (it == m_shortcuts.end() || it->generation != pending.generation) {
        closeSession(session); // made for a grab since released
        return;
    }
    if (it->stage == Stage::creating) {
        if (response != 0 || session.isEmpty()) {
            settle(pending.id, Stage::refused);
            return;
        }
        it->session = session;
        it->stage = Stage::binding;
        const QString name = nameOf(pending.id);
        QString description = m_descriptions.value(pending.id).second;
        if (description.isEmpty())
            description = QStringLiteral("Kaidro hot key %1").arg(pending.id);
        const QList<PortalShortcut> shortcuts{
            {name,
             {{QStringLiteral("description"), description},
              {QStringLiteral("preferred_trigger"), triggerFor(it->key, it->modifiers)}}}};
        call(pending.id, QStringLiteral("BindShortcuts"),
             {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(shortcuts),
              QString(), QVariantMap()});
        return;
    }
    if (it->stage != Stage::binding)
        return;
    // The user may have bound fewer shortcuts than asked for, or none.
    const bool bound = response == 0
        && boundNames(results.value(QStringLiteral("shortcuts"))).contains(nameOf(pending.id));
    settle(pending.id, bound ? Stage::held : Stage::refused);
}

void PortalHotKeys::settle(int id, Stage stage)
{
    const auto it = m_shortcuts.find(id);
    if (it == m_shortcuts.end())
        return;
    it->stage = stage;
    qCDebug(lcDBus) << "hot key" << id << (stage == Stage::held ? "bound" : "not bound")
                    << "by the portal";
    const bool answered = it->answered;
    if (stage == Stage::refused) {
        closeSession(it->session);
        // Nothing waits for a late refusal: grab() already said false.
        if (answered)
            m_shortcuts.erase(it);
    } else if (answered) {
        emit regrabbed(id, true);
    }
    emit settled(id);
}

void PortalHotKeys::closeSession(const QString &session)
{
    if (session.isEmpty() || !m_bus.isConnected())
        return;
    m_bus.send(QDBusMessage::createMethodCall(kService, session,
                                              QStringLiteral("org.freedesktop.portal.Session"),
                                              QStringLiteral("Close")));
}

void PortalHotKeys::handleActivated(const QDBusObjectPath &session, const QString &name, qulonglong,
                                    const QVariantMap &)
{
    for (auto it = m_shortcuts.cbegin(); it != m_shortcuts.cend(); ++it) {
        if (it->stage != Stage::held || it->session != session.path() || nameOf(it.key()) != name)
            continue;
        // Delivered from the event loop, so the action may grab or release right away.
        QMetaObject::invokeMethod(
            this,
            [this, id = it.key(), generation = it->generation] {
                const auto held = m_shortcuts.constFind(id);
                if (held != m_shortcuts.constEnd() && held->generation == generation
                    && held->stage == Stage::held)
                    emit pressed(id);
            },
            Qt::QueuedConnection);
        return;
    }
}

bool PortalHotKeys::available(const QDBusConnection &bus, int timeoutMs)
{
    if (!bus.isConnected())
        return false;
    QDBusPendingCallWatcher watcher(bus.asyncCall(versionQuery(), timeoutMs));
    if (!watcher.isFinished()) {
        QEventLoop loop;
        connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return offersShortcuts(watcher.reply());
}

void PortalHotKeys::probe()
{
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(versionQuery()), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const bool available = offersShortcuts(watcher->reply());
        if (available == m_available)
            return;
        m_available = available;
        emit availabilityChanged(available);
    });
}

void PortalHotKeys::portalGone()
{
    qCDebug(lcDBus) << "the desktop portal went away";
    for (auto it = m_requests.cbegin(); it != m_requests.cend(); ++it)
        m_bus.disconnect(kService, it.key(), kRequestInterface, kResponse, this, kResponseSlot);
    m_requests.clear();
    m_portalSlow = false;
    if (m_available) {
        m_available = false;
        emit availabilityChanged(false);
    }
    // Its sessions went with it. What was held is lost until the portal is back; what was still
    // being asked for is asked again then.
    for (auto it = m_shortcuts.begin(); it != m_shortcuts.end(); ++it) {
        const bool held = it->stage == Stage::held;
        it->session.clear();
        it->stage = Stage::creating;
        it->generation = m_nextGeneration++;
        if (!it->answered)
            emit settled(it.key()); // a grab waiting for it gives up now
        it->answered = true;
        if (held)
            emit regrabbed(it.key(), false);
    }
}

void PortalHotKeys::portalBack()
{
    qCDebug(lcDBus) << "the desktop portal is back";
    probe();
    for (const int id : m_shortcuts.keys())
        request(id);
}

#include "platform/linux/EdsSession.h"

#include "platform/linux/EdsSourceTracker.h"
#include "platform/linux/KeyFileReader.h"

#include <QAtomicInteger>
#include <QThread>

#include <algorithm>
#include <map>

namespace {

QAtomicInteger<quint64> nextSession;

} // namespace

EdsSession::EdsSession(std::function<void()> changed, std::chrono::milliseconds wakeDelay)
    : m_changed(std::move(changed))
    , m_wakeAt(std::chrono::steady_clock::now() + wakeDelay)
    , m_busName(QStringLiteral("kaidro-eds-%1").arg(nextSession.fetchAndAddRelaxed(1)))
    , m_thread(std::make_unique<QThread>())
{
    m_thread->setObjectName(QStringLiteral("eds-session"));
    // The tracker only answers signals and replies: a small stack is plenty.
    m_thread->setStackSize(256 * 1024);
    m_tracker = new EdsSourceTracker(*this, m_busName);
    m_tracker->moveToThread(m_thread.get());
    m_thread->start();
}

EdsSession::~EdsSession()
{
    QMetaObject::invokeMethod(
        m_tracker,
        [tracker = m_tracker] {
            tracker->stop();
            delete tracker;
        },
        Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    {
        std::lock_guard lock(m_mutex);
        m_bus = QDBusConnection(QString());
        m_sources.clear();
    }
    QDBusConnection::disconnectFromBus(m_busName);
}

void EdsSession::publish(QList<Source> sources)
{
    {
        std::lock_guard lock(m_mutex);
        m_registry = Registry::up;
        m_sources = std::move(sources);
    }
    m_published.notify_all();
    if (m_changed)
        m_changed();
}

void EdsSession::registryFailed(const QString &reason)
{
    {
        std::lock_guard lock(m_mutex);
        m_registry = Registry::down;
        m_reason = reason;
    }
    m_published.notify_all();
}

void EdsSession::start() const
{
    std::call_once(m_started, [this] {
        QMetaObject::invokeMethod(m_tracker, &EdsSourceTracker::start, Qt::QueuedConnection);
    });
}

bool EdsSession::available(Deadline deadline) const
{
    start();
    std::unique_lock lock(m_mutex);
    m_published.wait_until(lock, deadline, [this] { return m_registry != Registry::pending; });
    return m_registry == Registry::up;
}

QString EdsSession::unavailableReason() const
{
    start();
    std::lock_guard lock(m_mutex);
    return m_registry == Registry::pending ? QStringLiteral("the data server does not answer")
                                           : m_reason;
}

QList<EdsSession::Source> EdsSession::sources(Deadline deadline) const
{
    start();
    std::unique_lock lock(m_mutex);
    m_published.wait_until(lock, deadline, [this] {
        return m_registry == Registry::down
            || (m_registry == Registry::up
                && std::none_of(m_sources.cbegin(), m_sources.cend(),
                                [](const Source &s) { return s.state == State::connecting; }));
    });
    return m_sources;
}

QDBusConnection EdsSession::bus() const
{
    start();
    std::lock_guard lock(m_mutex);
    return m_bus;
}

void EdsSession::refreshOnline()
{
    start();
    QMetaObject::invokeMethod(m_tracker, &EdsSourceTracker::refreshOnline, Qt::QueuedConnection);
}

std::optional<EdsSession::KeyFile> EdsSession::readKeyFile(const QString &data)
{
    // Read as the registry reads it: its escapes and localized keys.
    const std::optional<KeyFileReader> file = KeyFileReader::parse(data.toUtf8());
    if (!file)
        return std::nullopt;
    const auto text = [&file](const QString &group, QStringView key) {
        return file->localeString(group, key).value_or(QString()).trimmed();
    };
    const QString source = QStringLiteral("Data Source"), calendar = QStringLiteral("Calendar"),
                  tasks = QStringLiteral("Task List");
    KeyFile k;
    k.name = text(source, u"DisplayName");
    k.parent = text(source, u"Parent");
    k.enabled = file->boolean(source, u"Enabled").value_or(true); // on unless it says otherwise
    k.calendar = file->hasGroup(calendar);
    k.taskList = file->hasGroup(tasks);
    k.calendarBackend = text(calendar, u"BackendName");
    k.taskBackend = text(tasks, u"BackendName");
    return k;
}

QString EdsSession::backendKind(const QString &backend)
{
    static const std::map<QString, QString> kinds{
        {QStringLiteral("caldav"), QStringLiteral("CalDAV")},
        {QStringLiteral("google"), QStringLiteral("Google")},
        {QStringLiteral("gtasks"), QStringLiteral("Google Tasks")},
        {QStringLiteral("ews"), QStringLiteral("Exchange")},
        {QStringLiteral("microsoft365"), QStringLiteral("Microsoft 365")},
        {QStringLiteral("webcal"), QStringLiteral("On the Web")},
        {QStringLiteral("http"), QStringLiteral("On the Web")},
        {QStringLiteral("local"), QStringLiteral("On This Computer")},
        {QStringLiteral("contacts"), QStringLiteral("Birthdays")},
        {QStringLiteral("weather"), QStringLiteral("Weather")},
    };
    const auto it = kinds.find(backend);
    return it == kinds.end() ? backend : it->second;
}

#include "platform/linux/EdsSession.h"

#include "platform/linux/EdsSourceTracker.h"

#include <QAtomicInteger>
#include <QThread>

#include <glib.h>

#include <algorithm>
#include <map>

namespace {

QAtomicInteger<quint64> nextSession;

} // namespace

EdsSession::EdsSession(std::function<void()> changed)
    : m_changed(std::move(changed))
    , m_busName(QStringLiteral("kaidro-eds-%1").arg(nextSession.fetchAndAddRelaxed(1)))
    , m_thread(std::make_unique<QThread>())
{
    m_thread->setObjectName(QStringLiteral("eds-session"));
    // The tracker only answers signals and replies: a small stack is plenty.
    m_thread->setStackSize(256 * 1024);
    m_tracker = new EdsSourceTracker(*this, m_busName);
    m_tracker->moveToThread(m_thread.get());
    m_thread->start();
    QMetaObject::invokeMethod(m_tracker, &EdsSourceTracker::start, Qt::QueuedConnection);
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

bool EdsSession::available(Deadline deadline) const
{
    std::unique_lock lock(m_mutex);
    m_published.wait_until(lock, deadline, [this] { return m_registry != Registry::pending; });
    return m_registry == Registry::up;
}

QString EdsSession::unavailableReason() const
{
    std::lock_guard lock(m_mutex);
    return m_registry == Registry::pending ? QStringLiteral("the data server does not answer")
                                           : m_reason;
}

QList<EdsSession::Source> EdsSession::sources(Deadline deadline) const
{
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
    std::lock_guard lock(m_mutex);
    return m_bus;
}

void EdsSession::refreshOnline()
{
    QMetaObject::invokeMethod(m_tracker, &EdsSourceTracker::refreshOnline, Qt::QueuedConnection);
}

std::optional<EdsSession::KeyFile> EdsSession::readKeyFile(const QString &data)
{
    // The registry's own reader: it knows the format's escapes and localized keys.
    GKeyFile *file = g_key_file_new();
    const QByteArray bytes = data.toUtf8();
    std::optional<KeyFile> out;
    if (g_key_file_load_from_data(file, bytes.constData(), gsize(bytes.size()), G_KEY_FILE_NONE,
                                  nullptr)) {
        auto text = [file](const char *group, const char *key) {
            gchar *value = g_key_file_get_locale_string(file, group, key, nullptr, nullptr);
            const QString s = QString::fromUtf8(value).trimmed();
            g_free(value);
            return s;
        };
        KeyFile k;
        k.name = text("Data Source", "DisplayName");
        k.parent = text("Data Source", "Parent");
        GError *error = nullptr;
        const gboolean enabled = g_key_file_get_boolean(file, "Data Source", "Enabled", &error);
        k.enabled = error ? true : bool(enabled); // a source is on unless it says otherwise
        g_clear_error(&error);
        k.calendar = g_key_file_has_group(file, "Calendar");
        k.taskList = g_key_file_has_group(file, "Task List");
        k.calendarBackend = text("Calendar", "BackendName");
        k.taskBackend = text("Task List", "BackendName");
        out = k;
    }
    g_key_file_free(file);
    return out;
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

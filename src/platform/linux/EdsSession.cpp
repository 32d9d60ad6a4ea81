#include "platform/linux/EdsSession.h"

// GIO's D-Bus structs carry a member named `signals`, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>
#pragma pop_macro("signals")

#include <algorithm>
#include <map>

namespace {

using Handler = void (*)(gpointer, gpointer, gpointer);

QString takeString(gchar *text)
{
    const QString s = QString::fromUtf8(text);
    g_free(text);
    return s;
}

bool isOnline(const QString &backend)
{
    // The birthdays calendar is made from the local address books.
    return backend != QLatin1String("local") && backend != QLatin1String("contacts");
}

} // namespace

// What lives on the session's thread only.
struct EdsSession::Loop
{
    struct Entry
    {
        ESource *source = nullptr;
        bool events = true;
        QString backend;
        GCancellable *cancel = nullptr;
        ECalClient *client = nullptr;
        ECalClientView *view = nullptr;
        State state = State::connecting;
        QString error;
        gulong statusHandler = 0;
    };

    // What an asynchronous call gets back to: the entry it was made for, if still there.
    struct Pending
    {
        Loop *loop;
        QString key;
        GCancellable *cancel;
    };

    EdsSession *session = nullptr;
    GMainContext *context = g_main_context_new();
    GMainLoop *mainLoop = g_main_loop_new(context, FALSE);
    GCancellable *cancel = g_cancellable_new();
    ESourceRegistry *registry = nullptr;
    std::map<QString, Entry> entries; // by kind and source uid

    ~Loop()
    {
        g_object_unref(cancel);
        g_main_loop_unref(mainLoop);
        g_main_context_unref(context);
    }

    static void changed(gpointer, gpointer, gpointer self) { static_cast<Loop *>(self)->publish(); }

    void drop(Entry &e)
    {
        g_cancellable_cancel(e.cancel);
        g_object_unref(e.cancel);
        if (e.statusHandler)
            g_signal_handler_disconnect(e.source, e.statusHandler);
        if (e.view) {
            g_signal_handlers_disconnect_by_data(e.view, this);
            e_cal_client_view_stop(e.view, nullptr);
            g_object_unref(e.view);
        }
        if (e.client)
            g_object_unref(e.client);
        g_object_unref(e.source);
    }

    Entry *find(const Pending *p)
    {
        if (g_cancellable_is_cancelled(p->cancel))
            return nullptr;
        const auto it = entries.find(p->key);
        return it == entries.end() ? nullptr : &it->second;
    }

    static void onConnected(GObject *, GAsyncResult *result, gpointer data)
    {
        std::unique_ptr<Pending> p(static_cast<Pending *>(data));
        GError *error = nullptr;
        EClient *client = e_cal_client_connect_finish(result, &error);
        Entry *e = p->loop->find(p.get());
        g_object_unref(p->cancel);
        if (!e) {
            g_clear_object(&client);
            g_clear_error(&error);
            return;
        }
        if (!client) {
            e->state = State::failed;
            e->error = QString::fromUtf8(error->message);
            g_error_free(error);
            p->loop->publish();
            return;
        }
        e->client = E_CAL_CLIENT(client);
        // Floating times are the user's local time, as the desktop's calendar shows them.
        e_cal_client_set_default_timezone(e->client, e_cal_util_get_system_timezone());
        e->state = State::ready;
        e_cal_client_get_view(e->client, "#t", e->cancel, onView,
                              new Pending{p->loop, p->key, G_CANCELLABLE(g_object_ref(e->cancel))});
        p->loop->publish();
    }

    static void onView(GObject *client, GAsyncResult *result, gpointer data)
    {
        std::unique_ptr<Pending> p(static_cast<Pending *>(data));
        ECalClientView *view = nullptr;
        const bool ok = e_cal_client_get_view_finish(E_CAL_CLIENT(client), result, &view, nullptr);
        Entry *e = p->loop->find(p.get());
        g_object_unref(p->cancel);
        if (!e || !ok) {
            g_clear_object(&view);
            return; // without a view the source is still read at every refresh
        }
        e->view = view;
        // What is there already is read by the queries; the view only tells what changes.
        e_cal_client_view_set_flags(view, E_CAL_CLIENT_VIEW_FLAGS_NONE, nullptr);
        for (const char *signal : {"objects-added", "objects-modified", "objects-removed"})
            g_signal_connect(view, signal, G_CALLBACK(Handler(&Loop::changed)), p->loop);
        e_cal_client_view_start(view, nullptr);
    }

    void add(const QString &key, ESource *source, bool events)
    {
        Entry e;
        e.source = E_SOURCE(g_object_ref(source));
        e.events = events;
        e.backend
            = takeString(e_source_backend_dup_backend_name(E_SOURCE_BACKEND(e_source_get_extension(
                source, events ? E_SOURCE_EXTENSION_CALENDAR : E_SOURCE_EXTENSION_TASK_LIST))));
        e.cancel = g_cancellable_new();
        // A source that asks for a password the keyring does not have says so here.
        e.statusHandler = g_signal_connect(source, "notify::connection-status",
                                           G_CALLBACK(Handler(&Loop::changed)), this);
        entries.emplace(key, e);
        e_cal_client_connect(
            source, events ? E_CAL_CLIENT_SOURCE_TYPE_EVENTS : E_CAL_CLIENT_SOURCE_TYPE_TASKS,
            kConnectWaitSeconds, e.cancel, onConnected,
            new Pending{this, key, G_CANCELLABLE(g_object_ref(e.cancel))});
    }

    // Matches the clients to the registry's enabled calendars and task lists.
    void rescan()
    {
        std::map<QString, std::pair<ESource *, bool>> wanted;
        for (const auto &[extension, events] : {std::pair{E_SOURCE_EXTENSION_CALENDAR, true},
                                                std::pair{E_SOURCE_EXTENSION_TASK_LIST, false}}) {
            GList *list = e_source_registry_list_enabled(registry, extension);
            for (GList *l = list; l; l = l->next) {
                ESource *source = E_SOURCE(l->data);
                const QString key = QString::fromLatin1(events ? "e:" : "t:")
                    + QString::fromUtf8(e_source_get_uid(source));
                wanted[key] = {E_SOURCE(g_object_ref(source)), events};
            }
            g_list_free_full(list, g_object_unref);
        }
        for (auto it = entries.begin(); it != entries.end();) {
            if (wanted.count(it->first)) {
                ++it;
                continue;
            }
            drop(it->second);
            it = entries.erase(it);
        }
        for (const auto &[key, source] : wanted) {
            if (!entries.count(key))
                add(key, source.first, source.second);
            g_object_unref(source.first);
        }
        publish();
    }

    static void onRegistryChanged(gpointer, gpointer, gpointer self)
    {
        static_cast<Loop *>(self)->rescan();
    }

    static void onRegistry(GObject *, GAsyncResult *result, gpointer data)
    {
        auto *loop = static_cast<Loop *>(data);
        GError *error = nullptr;
        loop->registry = e_source_registry_new_finish(result, &error);
        if (!loop->registry) {
            loop->session->registryFailed(QString::fromUtf8(error->message));
            g_error_free(error);
            return;
        }
        // A running registry always lists its own built-in sources. None at all means nothing
        // owns its name on the bus (the data server is not installed or cannot start there),
        // and the client library made its proxy regardless: read the files instead.
        GList *all = e_source_registry_list_sources(loop->registry, nullptr);
        const bool empty = all == nullptr;
        g_list_free_full(all, g_object_unref);
        if (empty) {
            g_clear_object(&loop->registry);
            loop->session->registryFailed(QStringLiteral("no data server answers on the bus"));
            return;
        }
        for (const char *signal : {"source-added", "source-removed", "source-enabled",
                                   "source-disabled", "source-changed"})
            g_signal_connect(loop->registry, signal, G_CALLBACK(Handler(&Loop::onRegistryChanged)),
                             loop);
        loop->rescan();
    }

    void publish()
    {
        QList<Source> out;
        for (const auto &[key, e] : entries) {
            Source s;
            s.uid = QString::fromUtf8(e_source_get_uid(e.source));
            s.name = takeString(e_source_dup_display_name(e.source));
            s.backend = e.backend;
            s.events = e.events;
            s.online = isOnline(s.backend);
            const ESourceConnectionStatus status = e_source_get_connection_status(e.source);
            s.needsSignIn = status == E_SOURCE_CONNECTION_STATUS_AWAITING_CREDENTIALS
                || status == E_SOURCE_CONNECTION_STATUS_SSL_FAILED;
            s.state = e.state;
            s.error = e.error;
            if (e.client)
                s.client.reset(E_CAL_CLIENT(g_object_ref(e.client)), g_object_unref);
            out.append(s);
        }
        session->publish(std::move(out));
    }

    void refreshOnline()
    {
        for (const auto &[key, e] : entries) {
            if (e.client && isOnline(e.backend))
                e_client_refresh(
                    E_CLIENT(e.client), e.cancel,
                    [](GObject *client, GAsyncResult *result, gpointer) {
                        e_client_refresh_finish(E_CLIENT(client), result, nullptr);
                    },
                    nullptr);
        }
    }
};

EdsSession::EdsSession(std::function<void()> changed)
    : m_changed(std::move(changed))
    , m_loop(std::make_unique<Loop>())
{
    m_loop->session = this;
    m_thread = std::thread([this] { run(); });
}

EdsSession::~EdsSession()
{
    g_cancellable_cancel(m_loop->cancel);
    g_main_context_invoke(
        m_loop->context,
        [](gpointer loop) {
            g_main_loop_quit(static_cast<GMainLoop *>(loop));
            return G_SOURCE_REMOVE;
        },
        m_loop->mainLoop);
    m_thread.join();
}

void EdsSession::run()
{
    Loop &loop = *m_loop;
    g_main_context_push_thread_default(loop.context);
    e_source_registry_new(loop.cancel, &Loop::onRegistry, &loop);
    g_main_loop_run(loop.mainLoop);

    for (auto &[key, e] : loop.entries)
        loop.drop(e);
    loop.entries.clear();
    if (loop.registry) {
        g_signal_handlers_disconnect_by_data(loop.registry, &loop);
        g_object_unref(loop.registry);
    }
    // The cancelled calls still report back: let them, so each frees what it holds.
    for (int i = 0; i < 100 && g_main_context_iteration(loop.context, FALSE); ++i) { }
    g_main_context_pop_thread_default(loop.context);
    std::lock_guard lock(m_mutex);
    m_sources.clear();
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

void EdsSession::refreshOnline()
{
    g_main_context_invoke(
        m_loop->context,
        [](gpointer loop) {
            static_cast<Loop *>(loop)->refreshOnline();
            return G_SOURCE_REMOVE;
        },
        m_loop.get());
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

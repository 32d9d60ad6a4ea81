#pragma once

#include "platform/HotKeys.h"

#include <QDBusConnection>
#include <QHash>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

class QDBusArgument;
class QDBusMessage;
class QDBusObjectPath;
class QDBusServiceWatcher;

// One element of the a(sa{sv}) shortcut lists BindShortcuts takes and answers with.
struct PortalShortcut
{
    QString name;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcut)
QDBusArgument &operator<<(QDBusArgument &out, const PortalShortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &in, PortalShortcut &shortcut);

// Hot keys through the desktop's GlobalShortcuts portal (org.freedesktop.portal.Desktop), where
// a Wayland compositor gives no client a key grab of its own.
//
// Each combination gets a portal session of its own: a session binds its shortcuts once, so one
// session per id lets `release` close exactly what it gave up. The portal answers every call
// later, through a request object's Response signal, and may first ask the user in a dialog;
// `grab` waits for the verdict in a local event loop (user input held back) for at most
// `answerTimeoutMs`. A verdict that comes later still counts: a combination bound after `grab`
// returned false is reported through `regrabbed(id, true)`. When the portal goes away every held
// combination is reported lost, and bound again once the portal is back.
class PortalHotKeys final : public HotKeys
{
    Q_OBJECT
public:
    static const QString kService;
    static const QString kPath;
    static const QString kInterface;
    // The app id the portal files the shortcuts under: the desktop entry's name.
    static const QString kAppId;

    explicit PortalHotKeys(QDBusConnection bus = QDBusConnection::sessionBus(),
                           int answerTimeoutMs = 1500, QObject *parent = nullptr);
    ~PortalHotKeys() override;

    bool grab(int id, quint32 key, quint32 modifiers) override;
    void release(int id) override;

    // The shortcut id the portal stores for `id` and the text its dialog shows; "hotkey-<id>"
    // and a generic text otherwise. Takes effect at the next `grab` of `id`.
    void describe(int id, const QString &name, const QString &description);

    // Whether the portal is on `bus` and offers GlobalShortcuts version 1 or later. Waits for the
    // answer (at most `timeoutMs`) in a local event loop: for the one choice at start.
    static bool available(const QDBusConnection &bus = QDBusConnection::sessionBus(),
                          int timeoutMs = 1000);
    // The same, as last learned without waiting: asked at construction and whenever the portal
    // comes or goes.
    bool isAvailable() const { return m_available; }

    // The trigger in the freedesktop shortcuts notation ("CTRL+ALT+LOGO+space"); empty for a key
    // we have no name for.
    static QString triggerFor(quint32 key, quint32 modifiers);

signals:
    void availabilityChanged(bool available);

private:
    enum class Stage { creating, binding, held, refused };
    struct Shortcut
    {
        quint32 key = 0;
        quint32 modifiers = 0;
        Stage stage = Stage::creating;
        QString session;
        quint64 generation = 0;
        bool answered = false; // grab() has returned: later verdicts go out through `regrabbed`
    };
    struct Pending
    {
        int id = 0;
        quint64 generation = 0;
    };

    void request(int id);
    // Calls `method` with `arguments` (the last an options map that gets the handle token) and
    // routes the Response of its request object to `id`'s current generation.
    void call(int id, const QString &method, QVariantList arguments);
    void follow(const QString &requestPath, const Pending &pending);
    void settle(int id, Stage stage);
    void closeSession(const QString &session);
    void probe();
    void portalGone();
    void portalBack();

private slots:
    void handleResponse(uint response, const QVariantMap &results, const QDBusMessage &message);
    void handleActivated(const QDBusObjectPath &session, const QString &name, qulonglong timestamp,
                         const QVariantMap &options);

signals:
    void settled(int id);

private:
    QString nameOf(int id) const;

    QDBusConnection m_bus;
    int m_answerTimeoutMs;
    QHash<int, Shortcut> m_shortcuts;
    QHash<QString, Pending> m_requests; // request object path → who waits for its Response
    QHash<int, QPair<QString, QString>> m_descriptions;
    QDBusServiceWatcher *m_watcher = nullptr;
    quint64 m_nextGeneration = 1;
    quint64 m_nextToken = 1;
    bool m_available = false;
    // A grab gave up waiting and its answer is still missing: later grabs do not wait either.
    bool m_portalSlow = false;
};

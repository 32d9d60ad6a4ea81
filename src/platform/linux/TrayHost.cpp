#include "platform/linux/TrayHost.h"

#include "platform/linux/Xcb.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QObject>

namespace TrayHost {

namespace {

// The screen part of DISPLAY (":0.1" is screen 1), as the tray selection is named by it.
int screenNumber()
{
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype colon = display.lastIndexOf(':');
    const qsizetype dot = display.indexOf('.', colon + 1);
    return colon >= 0 && dot > colon ? display.mid(dot + 1).toInt() : 0;
}

bool xembedTrayOwned()
{
    xcb_connection_t *c = Xcb::connection();
    if (!c)
        return false;
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber());
    // Only if it exists: a selection nobody ever named has no owner.
    const Xcb::Reply<xcb_intern_atom_reply_t> atom
        = Xcb::take(xcb_intern_atom_reply(
                        c, xcb_intern_atom(c, 1, uint16_t(name.size()), name.constData()), nullptr),
                    nullptr);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    xcb_generic_error_t *error = nullptr;
    const Xcb::Reply<xcb_get_selection_owner_reply_t> owner = Xcb::take(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), &error), error);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

} // namespace

void ask(const QDBusConnection &bus, QObject *context, std::function<void(bool present)> answer,
         int timeoutMs)
{
    if (xembedTrayOwned()) {
        answer(true);
        return;
    }
    if (!bus.isConnected()) {
        answer(false);
        return;
    }
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcher, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    // A missing watcher is an error at once; the bus does not start one for the question.
    get.setAutoStartService(false);
    auto *call = new QDBusPendingCallWatcher(bus.asyncCall(get, timeoutMs), context);
    QObject::connect(call, &QDBusPendingCallWatcher::finished, context,
                     [call, answer = std::move(answer)] {
                         call->deleteLater();
                         const QDBusPendingReply<QDBusVariant> reply = *call;
                         answer(!reply.isError() && reply.value().variant().toBool());
                     });
}

} // namespace TrayHost

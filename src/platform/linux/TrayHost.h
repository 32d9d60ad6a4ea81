#pragma once

#include <QDBusConnection>

#include <functional>

class QObject;

// Whether the desktop has a tray to take an icon: an XEmbed tray owns the display's tray
// selection, or the StatusNotifierItem watcher on the session bus has a host. Asked without
// waiting on the bus, where a watcher that hangs would hold the caller for the bus's whole
// timeout: `answer` runs on `context`'s thread once known (at once for an XEmbed tray), and with
// false when the watcher has not answered within `timeoutMs`. Not at all once `context` is gone.
namespace TrayHost {

void ask(const QDBusConnection &bus, QObject *context, std::function<void(bool present)> answer,
         int timeoutMs = 3000);

} // namespace TrayHost

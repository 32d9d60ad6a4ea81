#pragma once

#include "platform/NetworkPath.h"
#include "platform/linux/NetlinkRoutes.h"

#include <QString>

class QSocketNotifier;

// The network path from the kernel's routing tables: a netlink socket subscribed to link and
// route changes wakes the object, which then reads the links and default routes afresh. Wi-Fi
// interfaces are told by their /sys/class/net entry, signal levels come from /proc/net/wireless,
// tunnels from getifaddrs after news of a link or an address, and the metered flag from
// NetworkManager when it runs.
class LinuxNetworkPath final : public NetworkPath
{
    Q_OBJECT

public:
    explicit LinuxNetworkPath(QObject *parent = nullptr);
    ~LinuxNetworkPath() override;

    NetworkPathState path() const override { return m_state; }
    std::optional<int> wifiRssi() const override;
    bool tunnelUp() const override;

    // Reads the links and routes again and emits pathChanged when the path differs.
    void refresh();

private:
    static bool readTunnels();
    void drainNotifications();
    void askMetered();

    int m_socket = -1;
    QSocketNotifier *m_notifier = nullptr;
    NetworkPathState m_state;
    QString m_wifiInterface;
    // The default routes last read, flattened, to tell when they change.
    QList<int> m_routes;
    quint64 m_meteredAsk = 0;
    bool m_metered = false;
    // Whether a tunnel was up at the last look, until news on the socket.
    mutable std::optional<bool> m_tunnel;
};

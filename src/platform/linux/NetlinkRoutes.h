#pragma once

#include "platform/NetworkPath.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <functional>
#include <optional>

// Reading the kernel's route netlink messages and the files beside them into a network path.
// Everything here works on bytes handed in, so it can be checked against captured messages and
// against garbage.
namespace NetlinkRoutes {

struct Link
{
    int index = 0;
    QString name;
    // IFF_* flags and the ARPHRD_* hardware type.
    unsigned flags = 0;
    unsigned short type = 0;
};

struct DefaultRoute
{
    int family = 0;
    // The interfaces the route leaves through (several for a multipath route).
    QList<int> interfaces;
};

// What a buffer of netlink messages said.
struct Messages
{
    QList<Link> links;
    QList<DefaultRoute> defaultRoutes;
    // A link appeared, went, or changed, or a default route did: the path must be read again.
    bool touchesPath = false;
    // The end of a dump was reached (NLMSG_DONE), or the kernel answered with an error.
    bool done = false;
    bool failed = false;
};

// Reads the messages in `size` bytes at `data`. A message that is cut short or lies about its
// length ends the reading; what came before it is kept.
Messages read(const char *data, std::size_t size);

enum class LinkKind { wired, wifi, other };

// Wi-Fi when the interface is wireless; wired for an Ethernet-type interface; anything else
// (point-to-point, raw IP modems, tunnels) is some other link.
LinkKind kindOf(const Link &link, bool wireless);

// The path from the interfaces and the default routes: satisfied when a default route leaves
// through an interface that is up and running (the loopback does not count). `wireless` tells
// whether an interface, by name, is a Wi-Fi one. The expensive flag is left false.
NetworkPathState pathFrom(const QList<Link> &links, const QList<DefaultRoute> &routes,
                          const std::function<bool(const QString &name)> &wireless);
// The first Wi-Fi interface the default routes leave through, or nothing.
QString wifiInterface(const QList<Link> &links, const QList<DefaultRoute> &routes,
                      const std::function<bool(const QString &name)> &wireless);

// The signal level of `interface` in the text of /proc/net/wireless, in dBm. Nothing when the
// interface is not listed, the line cannot be read, or the level is 0 or positive (a driver that
// reports a relative quality instead of dBm).
std::optional<int> wirelessLevel(const QByteArray &procNetWireless, const QString &interface);

// Interface names that belong to VPN tunnels.
bool isTunnelName(const QString &name);

struct InterfaceAddress
{
    QString name;
    // AF_INET, AF_INET6, ... or 0 for an interface without an address.
    int family = 0;
    bool up = false;
};
// Whether some tunnel interface is up with an IPv4 address.
bool tunnelUp(const QList<InterfaceAddress> &addresses);

} // namespace NetlinkRoutes

#include "platform/linux/NetlinkRoutes.h"

#include <QList>

#include <cstring>

// <net/if.h> before the kernel's headers, which then leave out what it already declares.
#include <net/if.h>
#include <sys/socket.h>

#include <linux/if_arp.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

namespace NetlinkRoutes {

namespace {

constexpr std::size_t align(std::size_t n)
{
    return (n + NLMSG_ALIGNTO - 1) & ~std::size_t(NLMSG_ALIGNTO - 1);
}

// Copies a fixed header out of the buffer; the buffer carries no alignment promise.
template <typename T> bool take(const char *data, std::size_t size, T &out)
{
    if (size < sizeof(T))
        return false;
    std::memcpy(&out, data, sizeof(T));
    return true;
}

// Walks the attributes in `size` bytes at `data`, calling `each(type, payload, length)`; stops at
// the first one whose length does not fit.
template <typename Each> void attributes(const char *data, std::size_t size, Each each)
{
    while (size >= sizeof(rtattr)) {
        rtattr a;
        std::memcpy(&a, data, sizeof a);
        if (a.rta_len < sizeof(rtattr) || a.rta_len > size)
            return;
        each(a.rta_type & NLA_TYPE_MASK, data + align(sizeof(rtattr)),
             std::size_t(a.rta_len) - align(sizeof(rtattr)));
        const std::size_t step = align(a.rta_len);
        if (step >= size)
            return;
        data += step;
        size -= step;
    }
}

int readInt(const char *payload, std::size_t length)
{
    int value = 0;
    if (length >= sizeof value)
        std::memcpy(&value, payload, sizeof value);
    return value;
}

void readLink(const char *body, std::size_t size, Messages &out)
{
    ifinfomsg info;
    if (!take(body, size, info))
        return;
    Link link;
    link.index = info.ifi_index;
    link.flags = info.ifi_flags;
    link.type = info.ifi_type;
    const std::size_t head = align(sizeof info);
    if (size > head) {
        attributes(body + head, size - head, [&](int type, const char *p, std::size_t n) {
            if (type == IFLA_IFNAME)
                link.name = QString::fromUtf8(p, qsizetype(strnlen(p, n)));
        });
    }
    out.links << link;
}

void readRoute(const char *body, std::size_t size, bool removed, Messages &out)
{
    rtmsg route;
    if (!take(body, size, route))
        return;
    if (route.rtm_family != AF_INET && route.rtm_family != AF_INET6)
        return;
    if (route.rtm_dst_len != 0 || route.rtm_type != RTN_UNICAST
        || route.rtm_table == RT_TABLE_LOCAL)
        return;
    out.touchesPath = true;
    if (removed)
        return;
    DefaultRoute found{route.rtm_family, {}};
    const std::size_t head = align(sizeof route);
    if (size > head) {
        attributes(body + head, size - head, [&](int type, const char *p, std::size_t n) {
            if (type == RTA_OIF) {
                found.interfaces << readInt(p, n);
            } else if (type == RTA_MULTIPATH) {
                // A list of next hops, each a header with its length and interface.
                while (n >= sizeof(rtnexthop)) {
                    rtnexthop hop;
                    std::memcpy(&hop, p, sizeof hop);
                    if (hop.rtnh_len < sizeof hop || hop.rtnh_len > n)
                        break;
                    found.interfaces << hop.rtnh_ifindex;
                    const std::size_t step = RTNH_ALIGN(hop.rtnh_len);
                    if (step >= n)
                        break;
                    p += step;
                    n -= step;
                }
            }
        });
    }
    if (!found.interfaces.isEmpty())
        out.defaultRoutes << found;
}

} // namespace

Messages read(const char *data, std::size_t size)
{
    Messages out;
    while (size >= sizeof(nlmsghdr)) {
        nlmsghdr h;
        std::memcpy(&h, data, sizeof h);
        if (h.nlmsg_len < sizeof h || h.nlmsg_len > size)
            break;
        const char *body = data + align(sizeof h);
        const std::size_t bodySize = h.nlmsg_len - align(sizeof h);
        switch (h.nlmsg_type) {
        case NLMSG_DONE:
            out.done = true;
            break;
        case NLMSG_ERROR: {
            nlmsgerr error;
            // An error of 0 is an acknowledgement.
            if (!take(body, bodySize, error) || error.error != 0)
                out.failed = true;
            out.done = true;
            break;
        }
        case RTM_NEWLINK:
            readLink(body, bodySize, out);
            out.touchesPath = true;
            break;
        case RTM_DELLINK:
            out.touchesPath = true;
            break;
        case RTM_NEWROUTE:
        case RTM_DELROUTE:
            readRoute(body, bodySize, h.nlmsg_type == RTM_DELROUTE, out);
            break;
        default:
            break;
        }
        const std::size_t step = align(h.nlmsg_len);
        if (step >= size)
            break;
        data += step;
        size -= step;
    }
    return out;
}

LinkKind kindOf(const Link &link, bool wireless)
{
    if (wireless)
        return LinkKind::wifi;
    return link.type == ARPHRD_ETHER ? LinkKind::wired : LinkKind::other;
}

namespace {

// The interfaces, in route order, that carry a default route and are up.
QList<const Link *> carriers(const QList<Link> &links, const QList<DefaultRoute> &routes)
{
    QList<const Link *> found;
    for (const DefaultRoute &route : routes) {
        for (int index : route.interfaces) {
            for (const Link &link : links) {
                if (link.index != index || (link.flags & IFF_LOOPBACK))
                    continue;
                if ((link.flags & IFF_UP) && (link.flags & IFF_RUNNING) && !found.contains(&link))
                    found << &link;
            }
        }
    }
    return found;
}

} // namespace

NetworkPathState pathFrom(const QList<Link> &links, const QList<DefaultRoute> &routes,
                          const std::function<bool(const QString &name)> &wireless)
{
    NetworkPathState path;
    for (const Link *link : carriers(links, routes)) {
        path.satisfied = true;
        switch (kindOf(*link, wireless && wireless(link->name))) {
        case LinkKind::wired:
            path.usesWired = true;
            break;
        case LinkKind::wifi:
            path.usesWifi = true;
            break;
        case LinkKind::other:
            break;
        }
    }
    return path;
}

QString wifiInterface(const QList<Link> &links, const QList<DefaultRoute> &routes,
                      const std::function<bool(const QString &name)> &wireless)
{
    for (const Link *link : carriers(links, routes)) {
        if (wireless && wireless(link->name))
            return link->name;
    }
    return {};
}

std::optional<int> wirelessLevel(const QByteArray &procNetWireless, const QString &interface)
{
    if (interface.isEmpty())
        return std::nullopt;
    const QByteArray wanted = interface.toUtf8();
    // The first two lines are headings; each interface line reads
    // "  wlan0: 0000   54.  -56.  -256 ...": name, status, link quality, level, noise, ...
    for (const QByteArray &raw : procNetWireless.split('\n')) {
        const qsizetype colon = raw.indexOf(':');
        if (colon <= 0 || raw.left(colon).trimmed() != wanted)
            continue;
        const QList<QByteArray> fields = raw.mid(colon + 1).simplified().split(' ');
        if (fields.size() < 3)
            return std::nullopt;
        QByteArray level = fields.at(2);
        if (level.endsWith('.'))
            level.chop(1);
        bool ok = false;
        const int dbm = level.toInt(&ok);
        // Levels outside what a radio can hear are a driver's own scale, not dBm.
        if (!ok || dbm >= 0 || dbm < -150)
            return std::nullopt;
        return dbm;
    }
    return std::nullopt;
}

bool isTunnelName(const QString &name)
{
    // WireGuard (wg0, wg0-mullvad), OpenVPN and other TUN/TAP tunnels, Tailscale, and the macOS
    // name for good measure. ppp* is left out: it is as often a DSL or modem link as a VPN.
    static const char *const prefixes[] = {"utun", "tun", "tap", "wg", "tailscale"};
    for (const char *prefix : prefixes) {
        if (name.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

bool tunnelUp(const QList<InterfaceAddress> &addresses)
{
    for (const InterfaceAddress &a : addresses) {
        if (a.up && a.family == AF_INET && isTunnelName(a.name))
            return true;
    }
    return false;
}

} // namespace NetlinkRoutes

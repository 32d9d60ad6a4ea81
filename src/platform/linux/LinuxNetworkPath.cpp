#include "platform/linux/LinuxNetworkPath.h"

#include "platform/OffThread.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

#include <ifaddrs.h>
// <net/if.h> before the kernel's headers, which then leave out what it already declares.
#include <net/if.h>
#include <sys/socket.h>

#include <linux/if_arp.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

constexpr int kBusTimeoutMs = 4000;
constexpr std::size_t kBufferSize = 32768;

bool isWireless(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')))
        return false;
    const QString base = QStringLiteral("/sys/class/net/") + name;
    return QFileInfo::exists(base + QStringLiteral("/wireless"))
        || QFileInfo::exists(base + QStringLiteral("/phy80211"));
}

int openRouteSocket(unsigned groups, int extraType)
{
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | extraType, NETLINK_ROUTE);
    if (fd < 0)
        return -1;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = groups;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Asks the kernel for every entry of one table and reads the answer to its end. The kernel
// answers a dump at once; the receive time-out only guards against the unexpected.
bool dump(int fd, int type, NetlinkRoutes::Messages &into)
{
    struct
    {
        nlmsghdr header;
        rtgenmsg body;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtgenmsg));
    request.header.nlmsg_type = quint16(type);
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = quint32(type);
    request.body.rtgen_family = AF_UNSPEC;
    if (::send(fd, &request, request.header.nlmsg_len, 0) < 0)
        return false;
    QByteArray buffer(kBufferSize, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0)
            return false;
        const NetlinkRoutes::Messages part = NetlinkRoutes::read(buffer.constData(), size_t(n));
        into.links << part.links;
        into.defaultRoutes << part.defaultRoutes;
        if (part.failed)
            return false;
        if (part.done)
            return true;
    }
}

// NetworkManager's verdict on the primary connection: yes or guess-yes is metered. Blocks on
// the system bus for at most the time-out; no NetworkManager (or no bus) is not metered.
bool meteredNow()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.NetworkManager"),
        QStringLiteral("/org/freedesktop/NetworkManager"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.freedesktop.NetworkManager") << QStringLiteral("Metered");
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kBusTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    const QVariant value = reply.arguments().constFirst().value<QDBusVariant>().variant();
    if (value.typeId() != QMetaType::UInt)
        return false;
    // NM_METERED_YES = 1, NM_METERED_GUESS_YES = 3.
    const uint metered = value.toUInt();
    return metered == 1 || metered == 3;
}

} // namespace

LinuxNetworkPath::LinuxNetworkPath(QObject *parent)
    : NetworkPath(parent)
{
    // Address news only tells that the tunnels must be looked at again, and a tunnel counts by
    // its IPv4 address alone: IPv6 address news (every router advertisement refreshes an
    // address's lifetime) would wake the HUD for nothing.
    m_socket = openRouteSocket(
        RTMGRP_LINK | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE | RTMGRP_IPV4_IFADDR, SOCK_NONBLOCK);
    if (m_socket >= 0) {
        m_notifier = new QSocketNotifier(m_socket, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this,
                &LinuxNetworkPath::drainNotifications);
    }
    refresh();
}

LinuxNetworkPath::~LinuxNetworkPath()
{
    delete m_notifier;
    if (m_socket >= 0)
        ::close(m_socket);
}

void LinuxNetworkPath::drainNotifications()
{
    QByteArray buffer(kBufferSize, Qt::Uninitialized);
    bool touched = false;
    m_tunnel.reset();
    for (;;) {
        const ssize_t n = ::recv(m_socket, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n < 0) {
            // ENOBUFS: the kernel dropped messages it could not queue, so read everything anew.
            if (errno == ENOBUFS)
                touched = true;
            else if (errno == EINTR)
                continue;
            break;
        }
        if (n == 0)
            break;
        touched |= NetlinkRoutes::read(buffer.constData(), size_t(n)).touchesPath;
    }
    if (touched)
        refresh();
}

void LinuxNetworkPath::refresh()
{
    NetlinkRoutes::Messages tables;
    const int fd = openRouteSocket(0, 0);
    bool read = false;
    if (fd >= 0) {
        timeval limit{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        read = dump(fd, RTM_GETLINK, tables) && dump(fd, RTM_GETROUTE, tables);
        ::close(fd);
    }
    // A table that cannot be read leaves the path as it was.
    if (!read)
        return;
    NetworkPathState next = NetlinkRoutes::pathFrom(tables.links, tables.defaultRoutes, isWireless);
    m_wifiInterface = NetlinkRoutes::wifiInterface(tables.links, tables.defaultRoutes, isWireless);
    next.expensive = next.satisfied && m_metered;
    const bool changed = next != m_state;
    m_state = next;
    // Whether the connection is metered is asked again whenever the default routes change; link
    // news alone (a Wi-Fi scan, a counter) does not ask.
    QList<int> routes;
    for (const NetlinkRoutes::DefaultRoute &route : std::as_const(tables.defaultRoutes))
        routes << route.family << route.interfaces << -1;
    if (routes != m_routes || m_meteredAsk == 0) {
        m_routes = routes;
        askMetered();
    }
    if (changed)
        emit pathChanged();
}

void LinuxNetworkPath::askMetered()
{
    const quint64 ask = ++m_meteredAsk;
    OffThread::run(
        *QThreadPool::globalInstance(), this, [] { return meteredNow(); },
        [this, ask](bool metered) {
            // Only the latest question counts.
            if (ask != m_meteredAsk)
                return;
            m_metered = metered;
            const bool expensive = m_state.satisfied && metered;
            if (expensive == m_state.expensive)
                return;
            m_state.expensive = expensive;
            emit pathChanged();
        });
}

std::optional<int> LinuxNetworkPath::wifiRssi() const
{
    if (m_wifiInterface.isEmpty())
        return std::nullopt;
    QFile file(QStringLiteral("/proc/net/wireless"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return NetlinkRoutes::wirelessLevel(file.read(65536), m_wifiInterface);
}

bool LinuxNetworkPath::tunnelUp() const
{
    // Every change to a link or an address comes as news on the socket, so the last answer
    // stands while none waits there (unread news may not have reached drainNotifications yet).
    if (m_socket < 0)
        return readTunnels();
    char peek = 0;
    const bool news = ::recv(m_socket, &peek, 1, MSG_PEEK | MSG_DONTWAIT) >= 0 || errno != EAGAIN;
    if (news || !m_tunnel)
        m_tunnel = readTunnels();
    return *m_tunnel;
}

bool LinuxNetworkPath::readTunnels()
{
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    QList<NetlinkRoutes::InterfaceAddress> addresses;
    for (const ifaddrs *a = list; a; a = a->ifa_next) {
        addresses << NetlinkRoutes::InterfaceAddress{
            QString::fromUtf8(a->ifa_name ? a->ifa_name : ""),
            a->ifa_addr ? a->ifa_addr->sa_family : 0, (a->ifa_flags & IFF_UP) != 0};
    }
    ::freeifaddrs(list);
    return NetlinkRoutes::tunnelUp(addresses);
}

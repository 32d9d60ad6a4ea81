#include "platform/linux/LauncherBadgeBook.h"
#include "platform/linux/MprisTracks.h"
#include "platform/linux/NetlinkRoutes.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <net/if.h>
#include <sys/socket.h>

#include <linux/if_arp.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

using namespace NetlinkRoutes;

namespace {

template <typename T> QByteArray bytesOf(const T &value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
}

QByteArray padded(QByteArray bytes, qsizetype size)
{
    bytes.resize(size, '\0');
    return bytes;
}

// Builds route netlink messages the way the kernel lays them out.
class Netlink
{
public:
    QByteArray bytes;

    template <typename Body> Netlink &message(quint16 type, const Body &body, QByteArray attrs = {})
    {
        const QByteArray payload = padded(bytesOf(body), NLMSG_ALIGN(sizeof body)) + attrs;
        const nlmsghdr h{quint32(NLMSG_HDRLEN + payload.size()), type, 0, 0, 0};
        bytes += padded(bytesOf(h) + payload, NLMSG_ALIGN(h.nlmsg_len));
        return *this;
    }
    Netlink &link(int index, const char *name, unsigned flags, quint16 type = ARPHRD_ETHER)
    {
        return message(RTM_NEWLINK, ifinfomsg{AF_UNSPEC, 0, type, index, flags, 0},
                       attr(IFLA_IFNAME, QByteArray(name) + '\0'));
    }
    Netlink &defaultRoute(int family, int oif, quint8 dstLen = 0, quint16 type = RTM_NEWROUTE)
    {
        const rtmsg r{quint8(family), dstLen, 0, 0, RT_TABLE_MAIN, 0, 0, RTN_UNICAST, 0};
        return message(type, r, attr(RTA_OIF, bytesOf(oif)));
    }
    Netlink &done() { return message(NLMSG_DONE, 0); }
    static QByteArray attr(quint16 type, const QByteArray &payload)
    {
        const rtattr a{quint16(RTA_LENGTH(payload.size())), type};
        return padded(bytesOf(a) + payload, RTA_ALIGN(a.rta_len));
    }
    Messages read() const { return NetlinkRoutes::read(bytes.constData(), size_t(bytes.size())); }
};

constexpr unsigned kLive = IFF_UP | IFF_RUNNING;
const auto wlan = [](const QString &name) { return name.startsWith(QLatin1String("wl")); };

} // namespace

TEST(NetlinkRoutes, ADefaultRouteOverALiveInterfaceIsTheWholePath)
{
    const Messages m = Netlink()
                           .link(1, "lo", kLive | IFF_LOOPBACK, ARPHRD_LOOPBACK)
                           .link(2, "enp3s0", IFF_UP)
                           .link(3, "wlp2s0", kLive)
                           .defaultRoute(AF_INET, 2)
                           .defaultRoute(AF_INET6, 3)
                           .defaultRoute(AF_INET, 1, 8)
                           .done()
                           .read();
    EXPECT_TRUE(m.done);
    ASSERT_EQ(m.links.size(), 3);
    EXPECT_EQ(m.links[1].name, "enp3s0");
    ASSERT_EQ(m.defaultRoutes.size(), 2);
    // The cable is plugged in but not running: only the Wi-Fi carries the path.
    const NetworkPathState path = pathFrom(m.links, m.defaultRoutes, wlan);
    EXPECT_EQ(path, (NetworkPathState{true, false, true, false}));
    EXPECT_EQ(wifiInterface(m.links, m.defaultRoutes, wlan), "wlp2s0");

    QList<Link> running = m.links;
    running[1].flags = kLive;
    EXPECT_EQ(pathFrom(running, m.defaultRoutes, wlan),
              (NetworkPathState{true, true, true, false}));
    EXPECT_FALSE(pathFrom(m.links, {}, wlan).satisfied);
    // Only default routes make news; a removed one too.
    EXPECT_FALSE(Netlink().defaultRoute(AF_INET, 2, 24).read().touchesPath);
    EXPECT_TRUE(Netlink().defaultRoute(AF_INET, 2, 0, RTM_DELROUTE).read().touchesPath);
    // A modem or tunnel carrying the route is neither wired nor Wi-Fi.
    const Messages ppp
        = Netlink().link(4, "ppp0", kLive, ARPHRD_PPP).defaultRoute(AF_INET, 4).read();
    EXPECT_EQ(pathFrom(ppp.links, ppp.defaultRoutes, wlan),
              (NetworkPathState{true, false, false, false}));
}

TEST(NetlinkRoutes, BrokenMessagesEndTheReadingWithoutHarm)
{
    const Netlink good = Netlink().link(2, "eth0", kLive).defaultRoute(AF_INET, 2);
    // Every cut of a valid buffer reads what fits, and never more.
    for (qsizetype cut = 0; cut < good.bytes.size(); ++cut) {
        const Messages m = NetlinkRoutes::read(good.bytes.constData(), size_t(cut));
        EXPECT_LE(m.links.size(), 1);
        EXPECT_TRUE(m.defaultRoutes.isEmpty());
    }
    // A header that claims more than the buffer holds, or less than itself.
    for (quint32 length : {0u, 4u, 0xFFFFFFF0u}) {
        QByteArray lying = good.bytes;
        std::memcpy(lying.data(), &length, sizeof length);
        EXPECT_TRUE(NetlinkRoutes::read(lying.constData(), size_t(lying.size())).links.isEmpty());
    }
    // An attribute whose length runs past its message, and a name without its terminator.
    ifinfomsg info{};
    QByteArray attr = Netlink::attr(IFLA_IFNAME, "eth0");
    attr[0] = char(0x7f);
    const Messages m = Netlink().message(RTM_NEWLINK, info, attr).read();
    ASSERT_EQ(m.links.size(), 1);
    EXPECT_TRUE(m.links[0].name.isEmpty());
    EXPECT_EQ(Netlink()
                  .message(RTM_NEWLINK, info, Netlink::attr(IFLA_IFNAME, "eth0"))
                  .read()
                  .links[0]
                  .name,
              "eth0");
    // An error answer ends a dump as failed.
    nlmsgerr error{};
    error.error = -EPERM;
    EXPECT_TRUE(Netlink().message(NLMSG_ERROR, error).read().failed);
}

TEST(WirelessLevelAndTunnels, TheDbmLevelOfTheInterfaceAndOnlyATunnelUpWithIPv4IsAVpn)
{
    // Two heading lines, then one line per interface.
    const QByteArray text = "Inter-| sta-|   Quality\n face | tus | link level noise\n"
                            " wlp2s0: 0000   54.  -56.  -256   0   0\n  wlan1: 0000   0   0   0\n"
                            "  wlan2: 0000   70.  60.  0\n wlan3: 0000\n";
    EXPECT_EQ(wirelessLevel(text, "wlp2s0"), -56);
    EXPECT_EQ(wirelessLevel(text, "wlan1"), std::nullopt);
    // A relative quality scale is not dBm, and a short line is no reading.
    EXPECT_EQ(wirelessLevel(text, "wlan2"), std::nullopt);
    EXPECT_EQ(wirelessLevel(text, "wlan3"), std::nullopt);
    EXPECT_EQ(wirelessLevel(QByteArray(), "wlp2s0"), std::nullopt);
    // Only a tunnel that is up with an IPv4 address is a VPN.
    EXPECT_FALSE(tunnelUp({{"wg0", AF_INET6, true}, {"wg0", AF_PACKET, true}}));
    EXPECT_FALSE(tunnelUp({{"tun0", AF_INET, false}}));
    EXPECT_FALSE(tunnelUp({{"eth0", AF_INET, true}, {"ppp0", AF_INET, true}}));
    EXPECT_TRUE(tunnelUp({{"eth0", AF_INET, true}, {"wg0-mullvad", AF_INET, true}}));
    for (const char *name : {"utun3", "tun0", "tap1", "tailscale0"})
        EXPECT_TRUE(isTunnelName(QString::fromLatin1(name))) << name;
}

namespace {
std::optional<PlayerTrack> track(const QVariant &metadata, const QString &status = "Playing",
                                 const QVariant &identity = {})
{
    return MprisTracks::trackFrom("org.mpris.MediaPlayer2.vlc.instance7",
                                  {{"PlaybackStatus", status}, {"Metadata", metadata}}, identity);
}
} // namespace

TEST(MprisTracks, TheTrackRulesGarbageFromAPlayerIsNoTrackAndHugeTextIsCut)
{
    for (const QVariant &none :
         {QVariant(QVariantMap{{"xesam:title", ""}}),
          QVariant(QVariantMap{{"xesam:title", " \n\t"}}), QVariant(QVariantMap{}), QVariant(42),
          QVariant(QVariantMap{{"xesam:title", 7}}), QVariant("xesam:title")})
        EXPECT_FALSE(track(none)) << none.toString().toStdString();
    EXPECT_FALSE(track(QVariantMap{{"xesam:title", "Aria"}}, "Stopped"));
    const auto noArtist = track(QVariantMap{{"xesam:title", "Aria"}}, "Paused", "VLC media player");
    ASSERT_TRUE(noArtist);
    EXPECT_EQ(std::tuple(noArtist->artist, noArtist->isPlaying, noArtist->app),
              std::tuple("", false, "VLC media player"));
    // Without an Identity, or with one that is no text, the bus name stands in.
    EXPECT_EQ(track(QVariantMap{{"xesam:title", "Aria"}})->app, "vlc");
    EXPECT_EQ(track(QVariantMap{{"xesam:title", "Aria"}}, "Playing", 12)->app, "vlc");
    const auto both
        = track(QVariantMap{{"xesam:title", "Aria"}, {"xesam:artist", QStringList{"A", "", "B"}}});
    EXPECT_EQ(both->artist, "A, B");
    EXPECT_EQ(track(QVariantMap{{"xesam:title", "T"}, {"xesam:artist", 5}})->artist, "");
    // Separators, line breaks and right-to-left text stay readable on one line.
    const QString odd = QString::fromUtf8("Tr\x1f"
                                          "ack\n2 \u05E9\u05DC\u05D5\u05DD \U0001F3B5");
    EXPECT_EQ(track(QVariantMap{{"xesam:title", odd}})->title,
              QString::fromUtf8("Tr ack 2 \u05E9\u05DC\u05D5\u05DD \U0001F3B5"));

    // Ten million characters, the last of the kept ones half of a surrogate pair.
    QString huge
        = QString(MprisTracks::maxTextLength - 2, QChar(u'a')) + QString::fromUtf8("\U0001F3B5");
    huge += QString(10'000'000, QChar(u'b'));
    const auto cut = track(QVariantMap{{"xesam:title", huge}});
    ASSERT_TRUE(cut);
    EXPECT_LE(cut->title.size(), MprisTracks::maxTextLength);
    EXPECT_TRUE(cut->title.endsWith(QChar(0x2026)));
    EXPECT_FALSE(cut->title.at(cut->title.size() - 2).isHighSurrogate());
}

TEST(MprisTracks, PlayersComeInOrderOnceEachAndAtMostThirtyTwo)
{
    QStringList names{"org.mpris.MediaPlayer2.playerctld", "org.freedesktop.DBus", ":1.4"};
    for (int i = 0; i < 5000; ++i)
        names << QStringLiteral("org.mpris.MediaPlayer2.p%1").arg(i % 100, 3, 10, QChar('0'));
    names << "org.mpris.MediaPlayer2.spotify"
          << "org.mpris.MediaPlayer2.GnomeMusic";
    bool more = false;
    const QStringList players = MprisTracks::orderPlayers(names, &more);
    ASSERT_EQ(players.size(), MprisTracks::maxPlayers);
    EXPECT_TRUE(more);
    EXPECT_EQ(players.mid(0, 3),
              (QStringList{"org.mpris.MediaPlayer2.GnomeMusic", "org.mpris.MediaPlayer2.spotify",
                           "org.mpris.MediaPlayer2.p000"}));
    EXPECT_EQ(players.last(), "org.mpris.MediaPlayer2.p029");
    EXPECT_EQ(MprisTracks::orderPlayers(names.mid(0, 13), &more).size(), 10);
    EXPECT_FALSE(more);
}

TEST(LauncherBadgeBook, KnowsMailAndChatAppsAndStaysBounded)
{
    EXPECT_EQ(LauncherBadgeBook::desktopId("application://thunderbird.desktop"),
              "thunderbird.desktop");
    EXPECT_EQ(LauncherBadgeBook::desktopId("application://org.telegram"), "org.telegram.desktop");
    EXPECT_EQ(LauncherBadgeBook::desktopId("file:///etc/passwd"), "");
    EXPECT_EQ(LauncherBadgeBook::desktopId("application://../x.desktop/y"), "");
    EXPECT_TRUE(LauncherBadgeBook::isMessagingApp({"Network;Email;"}));
    EXPECT_TRUE(LauncherBadgeBook::isMessagingApp({"Network", "Chat"}));
    EXPECT_FALSE(LauncherBadgeBook::isMessagingApp({"Network;EmailClient;Game;"}));

    LauncherBadgeBook book;
    book.update("application://mail.desktop", {{"count", qint64(4)}, {"count-visible", true}},
                ":1.1");
    book.setMessaging("mail.desktop", true);
    EXPECT_EQ(book.unread(), 4);
    // A peer inventing apps does not grow the book without end, nor by coming back again and
    // again under new names.
    for (int i = 0; i < 1000; ++i) {
        const QString id = QStringLiteral("spam%1.desktop").arg(i);
        book.update("application://" + id, {{"count", 1}}, QStringLiteral(":2.%1").arg(i / 200));
        book.setMessaging(id, false);
        if (i % 200 == 199)
            book.senderGone(QStringLiteral(":2.%1").arg(i / 200));
    }
    EXPECT_LE(book.appCount(), LauncherBadgeBook::maxApps);
    for (int i = 0; i < 1000; ++i)
        book.update(QStringLiteral("application://spam%1.desktop").arg(i), {{"count", 1}}, ":1.9");
    EXPECT_FALSE(book.update("application://late.desktop", {{"count", 1}}, ":1.9"));
    EXPECT_EQ(book.appCount(), LauncherBadgeBook::maxApps);
    EXPECT_EQ(book.unread(), 4);
}

#include "FuzzSupport.h"

#include "platform/linux/NetlinkRoutes.h"

// Route netlink messages as the kernel sends them (links and default routes, dumps and
// changes), the path read from them, and /proc/net/wireless.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const NetlinkRoutes::Messages messages
        = NetlinkRoutes::read(reinterpret_cast<const char *>(data), size);
    const auto wireless = [](const QString &name) { return name.startsWith(QLatin1Char('w')); };
    const NetworkPathState path
        = NetlinkRoutes::pathFrom(messages.links, messages.defaultRoutes, wireless);
    Fuzz::require(path.satisfied || (!path.usesWired && !path.usesWifi),
                  "an unsatisfied path uses nothing");
    (void)NetlinkRoutes::wifiInterface(messages.links, messages.defaultRoutes, wireless);
    QList<NetlinkRoutes::InterfaceAddress> addresses;
    for (const NetlinkRoutes::Link &link : messages.links) {
        (void)NetlinkRoutes::kindOf(link, wireless(link.name));
        (void)NetlinkRoutes::isTunnelName(link.name);
        addresses.append({link.name, int(link.type % 16), (link.flags & 1) != 0});
    }
    (void)NetlinkRoutes::tunnelUp(addresses);
    const QByteArray text = Fuzz::bytes(data, size);
    if (const std::optional<int> level
        = NetlinkRoutes::wirelessLevel(text, QStringLiteral("wlan0")))
        Fuzz::require(*level < 0, "a level is in dBm");
    return 0;
}

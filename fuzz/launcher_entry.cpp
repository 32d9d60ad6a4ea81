#include "FuzzSupport.h"
#include "FuzzVariants.h"

#include "platform/linux/LauncherBadgeBook.h"

// Launcher-entry badges as any program on the bus may announce them (Update signals with an app
// URI and a property map, senders coming and going), as the unread readout counts them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::initializer_list<const char *> keys{"count", "count-visible", "progress", "urgent"};
    LauncherBadgeBook book;
    while (in.remaining_bytes() > 0) {
        const QString sender = Fuzz::text(in, {":1.7", ":1.8"});
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: {
            const QString uri = Fuzz::text(in,
                                           {"application://thunderbird.desktop",
                                            "application://org.gnome.Fractal", "application://",
                                            "application://a/b.desktop"});
            QVariantMap properties;
            for (int n = in.ConsumeIntegralInRange<int>(0, 3); n > 0; --n)
                properties.insert(Fuzz::text(in, keys), Fuzz::variant(in, keys));
            if (const auto id = book.update(uri, properties, sender))
                Fuzz::require(*id == LauncherBadgeBook::desktopId(uri), "the id is the URI's");
            break;
        }
        case 1:
            book.senderGone(sender);
            break;
        case 2: {
            const QString id = LauncherBadgeBook::desktopId(Fuzz::text(in, {}));
            const QStringList categories{Fuzz::text(in, {"Network;Email;", "Chat", ";;"})};
            book.setMessaging(id, LauncherBadgeBook::isMessagingApp(categories));
            break;
        }
        default:
            break;
        }
        const int unread = book.unread();
        Fuzz::require(unread >= 0, "the unread count is not negative");
    }
    return 0;
}

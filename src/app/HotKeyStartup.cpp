#include "app/HotKeyStartup.h"

#include <algorithm>

namespace {

// How the reports order the keys, and what the log calls each.
struct KeyReport
{
    int rank;
    int logRank;
    const char *logName;
};

KeyReport keyReport(const HotKeyBinding &key)
{
    if (key.id == HUDHotKey.id)
        return {0, 3, "global"};
    if (key.id == MenuHotKey.id)
        return {1, 1, "menu"};
    if (key.id == CommandBarHotKey.id)
        return {2, 2, "command bar"};
    if (key.id == HideAllHotKey.id)
        return {3, 0, "hide-all"};
    return {4, 4, "hotkey"};
}

} // namespace

HotKeyStartup::Report HotKeyStartup::report(const QList<Registration> &registrations)
{
    QList<HotKeyBinding> failed;
    for (const Registration &r : registrations) {
        if (!r.registered)
            failed << r.key;
    }
    std::stable_sort(failed.begin(), failed.end(), [](const auto &a, const auto &b) {
        return keyReport(a).rank < keyReport(b).rank;
    });
    Report out;
    for (const HotKeyBinding &key : failed)
        out.failures << key.displayText;
    std::stable_sort(failed.begin(), failed.end(), [](const auto &a, const auto &b) {
        return keyReport(a).logRank < keyReport(b).logRank;
    });
    for (const HotKeyBinding &key : failed) {
        out.logLines << QStringLiteral("%1 hotkey %2 failed to register")
                            .arg(QLatin1String(keyReport(key).logName), key.displayText);
    }
    return out;
}

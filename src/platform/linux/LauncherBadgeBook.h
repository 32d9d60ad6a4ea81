#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <algorithm>
#include <optional>

// The launcher badges apps announce with com.canonical.Unity.LauncherEntry, kept per app. The
// announcements come from any program on the bus, so nothing in them is trusted.
class LauncherBadgeBook final
{
public:
    // Counts outside this range are not unread counts.
    static constexpr qint64 maxCount = 1'000'000;
    // Apps beyond this many are ignored (and logged once): a peer inventing app names must not
    // grow the book, neither its badges nor what it knows of the apps' categories.
    static constexpr qsizetype maxApps = 256;

    struct Badge
    {
        qint64 count = 0;
        bool visible = false;
        // The bus connection that announced it; the badge goes when that connection does.
        QString sender;
    };

    // The desktop entry id in an app URI ("application://thunderbird.desktop" gives
    // "thunderbird.desktop"); empty for anything that is not one.
    static QString desktopId(const QString &appUri);
    // Whether desktop entry categories (as listed, or as the "A;B;" text) make a mail or chat app.
    static bool isMessagingApp(const QStringList &categories);

    // One Update signal from `sender`. A count that is negative, absurd or not an integer counts
    // as no count. Answers the app's desktop id, or nothing when the update was not usable.
    std::optional<QString> update(const QString &appUri, const QVariantMap &properties,
                                  const QString &sender);
    // A bus connection went away: its badges go too. Answers whether any did.
    bool senderGone(const QString &sender);

    // Whether the categories of `desktopId` are known, and what they make it. Only the apps
    // with a badge are kept; the others are learned again when they set one.
    bool knows(const QString &desktopId) const { return m_messaging.contains(desktopId); }
    void setMessaging(const QString &desktopId, bool messaging);
    // How many apps the book holds anything for.
    qsizetype appCount() const { return std::max(m_badges.size(), m_messaging.size()); }

    // The visible counts of the mail and chat apps, added together.
    int unread() const;

private:
    QHash<QString, Badge> m_badges;
    QHash<QString, bool> m_messaging;
    bool m_fullLogged = false;
};

#include "platform/linux/LauncherBadgeBook.h"

#include "platform/Logging.h"

#include <algorithm>
#include <climits>

namespace {

std::optional<qint64> integer(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UChar:
        return value.toLongLong();
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort: {
        const qulonglong v = value.toULongLong();
        return v > qulonglong(LLONG_MAX) ? std::optional<qint64>(-1) : qint64(v);
    }
    default:
        return std::nullopt;
    }
}

} // namespace

QString LauncherBadgeBook::desktopId(const QString &appUri)
{
    const QLatin1String scheme("application://");
    if (!appUri.startsWith(scheme))
        return {};
    QString id = appUri.mid(scheme.size());
    if (id.isEmpty() || id.size() > 255 || id.contains(QLatin1Char('/')))
        return {};
    if (!id.endsWith(QLatin1String(".desktop")))
        id += QLatin1String(".desktop");
    return id;
}

bool LauncherBadgeBook::isMessagingApp(const QStringList &categories)
{
    for (const QString &category : categories) {
        for (const QString &one : category.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString c = one.trimmed();
            if (c == QLatin1String("Email") || c == QLatin1String("InstantMessaging")
                || c == QLatin1String("Chat"))
                return true;
        }
    }
    return false;
}

std::optional<QString> LauncherBadgeBook::update(const QString &appUri,
                                                 const QVariantMap &properties,
                                                 const QString &sender)
{
    const QString id = desktopId(appUri);
    if (id.isEmpty())
        return std::nullopt;
    if (!m_badges.contains(id) && m_badges.size() >= maxApps) {
        if (!std::exchange(m_fullLogged, true))
            qCInfo(lcDBus) << "launcher badges of more than" << maxApps
                           << "apps: the others are ignored";
        return std::nullopt;
    }
    Badge &badge = m_badges[id];
    badge.sender = sender;
    const auto count = properties.constFind(QStringLiteral("count"));
    if (count != properties.constEnd()) {
        const std::optional<qint64> n = integer(*count);
        badge.count = n && *n >= 0 && *n <= maxCount ? *n : 0;
    }
    const auto visible = properties.constFind(QStringLiteral("count-visible"));
    if (visible != properties.constEnd() && visible->typeId() == QMetaType::Bool)
        badge.visible = visible->toBool();
    return id;
}

bool LauncherBadgeBook::senderGone(const QString &sender)
{
    const bool any = m_badges.removeIf([&](QHash<QString, Badge>::iterator it) {
        return it.value().sender == sender;
    }) > 0;
    if (any)
        m_messaging.removeIf(
            [&](QHash<QString, bool>::iterator it) { return !m_badges.contains(it.key()); });
    return any;
}

void LauncherBadgeBook::setMessaging(const QString &desktopId, bool messaging)
{
    // An answer about an app whose badge has gone meanwhile is not kept.
    if (m_badges.contains(desktopId))
        m_messaging.insert(desktopId, messaging);
}

int LauncherBadgeBook::unread() const
{
    qint64 sum = 0;
    for (auto it = m_badges.constBegin(); it != m_badges.constEnd(); ++it) {
        if (it->visible && m_messaging.value(it.key(), false))
            sum += it->count;
    }
    return int(std::min<qint64>(sum, INT_MAX));
}

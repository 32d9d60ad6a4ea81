#include "commandbar/CommandUsage.h"

#include "platform/StoredValues.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kSecondsPerDay = 86400;

double decayed(double count, const QDateTime &at, const QDateTime &now)
{
    // A clock set back counts as no time passed, never as a gain.
    const double days = std::max<qint64>(0, at.secsTo(now)) / kSecondsPerDay;
    return count * std::exp2(-days / CommandUsage::halfLifeDays);
}

} // namespace

QString CommandUsage::keyOf(const CommandItem::Target &target)
{
    using Kind = CommandItem::Target::Kind;
    const char *prefix = nullptr;
    switch (target.kind) {
    case Kind::app:
        prefix = "app:";
        break;
    case Kind::skill:
        prefix = "skill:";
        break;
    case Kind::command:
        prefix = "cmd:";
        break;
    case Kind::widget:
        prefix = "widget:";
        break;
    case Kind::clip:
        prefix = "clip:";
        break;
    case Kind::none:
    case Kind::copyText:
    case Kind::url:
        return {};
    }
    return target.value.isEmpty() ? QString() : QLatin1String(prefix) + target.value;
}

QString CommandUsage::queryKey(const QString &query)
{
    const QString normal
        = query.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    if (normal.trimmed().isEmpty())
        return {};
    return QString::fromLatin1(
        QCryptographicHash::hash(normal.trimmed().toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(32));
}

double CommandUsage::weight(const QString &key, const QDateTime &now) const
{
    const auto it = m_uses.constFind(key);
    return it == m_uses.cend() ? 0 : decayed(it->count, it->at, now);
}

CommandUsage::Use CommandUsage::use(double count, const QDateTime &at)
{
    // count × 2^(−(now − at)/h) compares as log2(count) + at/h, whatever `now` is.
    const double halfLives = at.toSecsSinceEpoch() / (halfLifeDays * kSecondsPerDay);
    return {count, at, std::log2(count) + halfLives};
}

double CommandUsage::rank(const QString &key) const
{
    const auto it = m_uses.constFind(key);
    return it == m_uses.cend() ? -std::numeric_limits<double>::infinity() : it->rank;
}

QHash<QString, double> CommandUsage::ranks(CommandItem::Target::Kind kind) const
{
    const QString prefix = keyOf({kind, QStringLiteral("-")}).chopped(1);
    QHash<QString, double> out;
    if (prefix.isEmpty())
        return out;
    for (auto it = m_uses.cbegin(); it != m_uses.cend(); ++it) {
        if (it.key().startsWith(prefix))
            out.insert(it.key().mid(prefix.size()), it->rank);
    }
    return out;
}

QString CommandUsage::lastPick(const QString &queryKey) const
{
    return m_picks.value(queryKey).key;
}

QHash<QString, double> CommandUsage::weights(const QDateTime &now) const
{
    QHash<QString, double> out;
    out.reserve(m_uses.size());
    for (auto it = m_uses.cbegin(); it != m_uses.cend(); ++it)
        out.insert(it.key(), decayed(it->count, it->at, now));
    return out;
}

void CommandUsage::record(const QString &query, const CommandItem::Target &target,
                          const QDateTime &now)
{
    const QString key = keyOf(target);
    if (key.isEmpty())
        return;
    m_uses.insert(key, use(weight(key, now) + 1, now));
    if (const QString q = queryKey(query); !q.isEmpty())
        m_picks.insert(q, {key, now});
    trim(now);
}

bool CommandUsage::forget(const CommandItem::Target &target)
{
    const QString key = keyOf(target);
    if (key.isEmpty())
        return false;
    const bool counted = m_uses.remove(key) > 0;
    const bool picked = m_picks.removeIf([&key](const auto &it) { return it->key == key; }) > 0;
    return counted || picked;
}

void CommandUsage::clear()
{
    m_uses.clear();
    m_picks.clear();
}

void CommandUsage::trim(const QDateTime &now)
{
    if (m_uses.size() > maxTargets) {
        QList<std::pair<double, QString>> ranked;
        for (auto it = m_uses.cbegin(); it != m_uses.cend(); ++it)
            ranked.append({decayed(it->count, it->at, now), it.key()});
        std::sort(ranked.begin(), ranked.end());
        for (qsizetype i = 0; i < ranked.size() - maxTargets; ++i)
            m_uses.remove(ranked[i].second);
    }
    if (m_picks.size() > maxQueries) {
        QList<std::pair<QDateTime, QString>> ranked;
        for (auto it = m_picks.cbegin(); it != m_picks.cend(); ++it)
            ranked.append({it->at, it.key()});
        std::sort(ranked.begin(), ranked.end());
        for (qsizetype i = 0; i < ranked.size() - maxQueries; ++i)
            m_picks.remove(ranked[i].second);
    }
}

QByteArray CommandUsage::encode() const
{
    QJsonObject uses;
    for (auto it = m_uses.cbegin(); it != m_uses.cend(); ++it)
        uses.insert(it.key(),
                    QJsonObject{{QStringLiteral("n"), it->count},
                                {QStringLiteral("t"), StoredValues::referenceSeconds(it->at)}});
    QJsonObject picks;
    for (auto it = m_picks.cbegin(); it != m_picks.cend(); ++it)
        picks.insert(it.key(),
                     QJsonObject{{QStringLiteral("key"), it->key},
                                 {QStringLiteral("t"), StoredValues::referenceSeconds(it->at)}});
    return QJsonDocument(
               QJsonObject{{QStringLiteral("targets"), uses}, {QStringLiteral("queries"), picks}})
        .toJson(QJsonDocument::Compact);
}

std::optional<CommandUsage> CommandUsage::decode(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject root = doc.object();
    CommandUsage usage;
    const QJsonObject uses = root.value(QLatin1String("targets")).toObject();
    for (auto it = uses.begin(); it != uses.end(); ++it) {
        const QJsonObject o = it->toObject();
        const double count = o.value(QLatin1String("n")).toDouble(-1);
        const QJsonValue t = o.value(QLatin1String("t"));
        // A negative, infinite or missing count would rank a row for good: skipped.
        if (!std::isfinite(count) || count <= 0 || !t.isDouble())
            continue;
        usage.m_uses.insert(it.key(), use(count, StoredValues::fromReferenceSeconds(t.toDouble())));
    }
    const QJsonObject picks = root.value(QLatin1String("queries")).toObject();
    for (auto it = picks.begin(); it != picks.end(); ++it) {
        const QJsonObject o = it->toObject();
        const QString key = o.value(QLatin1String("key")).toString();
        const QJsonValue t = o.value(QLatin1String("t"));
        if (key.isEmpty() || !t.isDouble())
            continue;
        usage.m_picks.insert(it.key(), {key, StoredValues::fromReferenceSeconds(t.toDouble())});
    }
    // A file grown past the caps elsewhere is cut back to them.
    usage.trim(QDateTime::currentDateTimeUtc());
    return usage;
}

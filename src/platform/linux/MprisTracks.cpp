#include "platform/linux/MprisTracks.h"

#include "platform/linux/BusLink.h"

#include <QDBusArgument>
#include <QSet>

#include <algorithm>

namespace MprisTracks {

namespace {

bool isPlayer(const QString &busName, const QString &player)
{
    const QString name = busPrefix + player;
    return busName == name || busName.startsWith(name + QLatin1Char('.'));
}

int rank(const QString &busName)
{
    if (isPlayer(busName, QStringLiteral("GnomeMusic")))
        return 0;
    if (isPlayer(busName, QStringLiteral("spotify")))
        return 1;
    return 2;
}

QString textOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    QStringList parts;
    if (value.typeId() == QMetaType::QStringList) {
        parts = value.toStringList();
    } else if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() != QLatin1String("as"))
            return {};
        argument >> parts;
    }
    parts.removeIf([](const QString &part) { return part.trimmed().isEmpty(); });
    return parts.join(QStringLiteral(", "));
}

} // namespace

QStringList orderPlayers(const QStringList &busNames, bool *more)
{
    // The bus lists every name of every peer: the duplicates are found in a set, not by
    // searching the list for each name.
    QSet<QString> seen;
    QStringList players;
    for (const QString &name : busNames) {
        // playerctld only mirrors another player, which is listed on its own.
        if (name.startsWith(busPrefix) && name.size() > busPrefix.size()
            && !isPlayer(name, QStringLiteral("playerctld")) && !seen.contains(name)) {
            seen.insert(name);
            players << name;
        }
    }
    std::stable_sort(players.begin(), players.end(), [](const QString &a, const QString &b) {
        const int ra = rank(a), rb = rank(b);
        return ra != rb ? ra < rb : a < b;
    });
    if (more)
        *more = players.size() > maxPlayers;
    if (players.size() > maxPlayers)
        players.resize(maxPlayers);
    return players;
}

QString cleanText(const QString &text)
{
    QString out;
    const qsizetype limit = std::min<qsizetype>(text.size(), maxTextLength * 4);
    out.reserve(limit);
    for (qsizetype i = 0; i < limit; ++i) {
        const QChar c = text.at(i);
        const auto category = c.category();
        const bool breaks = category == QChar::Other_Control || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph;
        out += breaks ? QChar(u' ') : c;
    }
    out = out.simplified();
    if (out.size() <= maxTextLength && limit == text.size())
        return out;
    qsizetype cut = std::min(out.size(), maxTextLength - 1);
    if (cut > 0 && out.at(cut - 1).isHighSurrogate())
        --cut;
    return out.left(cut).trimmed() + QChar(0x2026);
}

std::optional<PlayerTrack> trackFrom(const QString &busName, const QVariantMap &playerProperties,
                                     const QVariant &identity)
{
    const QVariant statusValue = playerProperties.value(QStringLiteral("PlaybackStatus"));
    const QString status
        = statusValue.typeId() == QMetaType::QString ? statusValue.toString() : QString();
    if (status.compare(QLatin1String("Stopped"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    const std::optional<QVariantMap> metadata
        = BusLink::asMap(playerProperties.value(QStringLiteral("Metadata")));
    if (!metadata)
        return std::nullopt;
    const QVariant titleValue = metadata->value(QStringLiteral("xesam:title"));
    if (titleValue.typeId() != QMetaType::QString)
        return std::nullopt;
    PlayerTrack track;
    track.player = busName;
    track.title = cleanText(titleValue.toString());
    if (track.title.isEmpty())
        return std::nullopt;
    track.artist = cleanText(textOf(metadata->value(QStringLiteral("xesam:artist"))));
    track.isPlaying = status.toLower().contains(QLatin1String("playing"));
    track.app
        = identity.typeId() == QMetaType::QString ? cleanText(identity.toString()) : QString();
    if (track.app.isEmpty())
        track.app = busName.mid(busPrefix.size()).section(QLatin1Char('.'), 0, 0);
    return track;
}

} // namespace MprisTracks

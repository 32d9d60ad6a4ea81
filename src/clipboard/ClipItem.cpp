#include "clipboard/ClipItem.h"

#include "platform/StoredValues.h"

#include <QJsonValue>
#include <QRegularExpression>

ClipItem::Kind ClipItem::kind() const
{
    static const QRegularExpression link(QStringLiteral("^[a-zA-Z][a-zA-Z0-9+.-]*://\\S+$"));
    const QString t = text.trimmed();
    if (t.contains(QLatin1Char('\n')))
        return Kind::text;
    if (link.match(t).hasMatch())
        return Kind::link;
    if (t.startsWith(QLatin1Char('/')) || t.startsWith(QLatin1String("~/")))
        return Kind::path;
    return Kind::text;
}

QJsonObject ClipItem::toJson() const
{
    QJsonObject o{
        {QStringLiteral("id"), StoredValues::uuidText(id)},
        {QStringLiteral("text"), text},
        {QStringLiteral("date"), StoredValues::referenceSeconds(date)},
        {QStringLiteral("pinned"), pinned},
    };
    if (!sourceApp.isEmpty())
        o.insert(QStringLiteral("sourceApp"), sourceApp);
    if (!sourceBundle.isEmpty())
        o.insert(QStringLiteral("sourceBundle"), sourceBundle);
    return o;
}

std::optional<ClipItem> ClipItem::fromJson(const QJsonObject &object)
{
    const QJsonValue id = object.value(QStringLiteral("id"));
    const QJsonValue text = object.value(QStringLiteral("text"));
    const QJsonValue date = object.value(QStringLiteral("date"));
    const QJsonValue pinned = object.value(QStringLiteral("pinned"));
    if (!id.isString() || !text.isString() || !date.isDouble() || !pinned.isBool())
        return std::nullopt;
    const QUuid uuid(id.toString());
    if (uuid.isNull())
        return std::nullopt;
    // An optional key of the wrong type fails the entry, as a strict decoder would.
    const QJsonValue app = object.value(QStringLiteral("sourceApp"));
    const QJsonValue bundle = object.value(QStringLiteral("sourceBundle"));
    if ((!app.isUndefined() && !app.isNull() && !app.isString())
        || (!bundle.isUndefined() && !bundle.isNull() && !bundle.isString()))
        return std::nullopt;

    ClipItem item;
    item.id = uuid;
    item.text = text.toString();
    item.date = StoredValues::fromReferenceSeconds(date.toDouble());
    item.pinned = pinned.toBool();
    item.sourceApp = app.toString();
    item.sourceBundle = bundle.toString();
    return item;
}

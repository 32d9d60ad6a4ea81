#include "clipboard/ClipItem.h"

#include "platform/StoredValues.h"

#include <QJsonValue>

#include <algorithm>

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// A scheme (an ASCII letter, then letters, digits, '+', '.' or '-'), "://" and at least one more
// character, none of them white space. Plain code, no pattern: the clipboard pack and the
// command bar's rows ask this of every clip they show.
bool isLink(const QString &t)
{
    const qsizetype colon = t.indexOf(QLatin1Char(':'));
    if (colon < 1 || !isAsciiLetter(t.front()) || !QStringView(t).mid(colon).startsWith(u"://")
        || colon + 3 == t.size())
        return false;
    const bool scheme = std::all_of(t.cbegin() + 1, t.cbegin() + colon, [](QChar c) {
        return isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'.' || c == u'-';
    });
    // NEL (U+0085) is a control character, not white space, inside a link.
    return scheme && std::none_of(t.cbegin() + colon + 3, t.cend(), [](QChar c) {
               return c.isSpace() && c != QChar(0x85);
           });
}

} // namespace

ClipItem::Kind ClipItem::kind() const
{
    const QString t = text.trimmed();
    if (t.contains(QLatin1Char('\n')))
        return Kind::text;
    if (isLink(t))
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

#include "windows/Loadout.h"

#include <algorithm>

#include "platform/StoredValues.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QSet>
#include <QTimeZone>

#include <cmath>

namespace {

std::optional<QString> stringAt(const QJsonObject &o, const char *key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isString() ? std::optional<QString>(v.toString()) : std::nullopt;
}

std::optional<double> numberAt(const QJsonObject &o, const char *key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isDouble() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

} // namespace

QJsonObject Loadout::Entry::toJson() const
{
    QJsonObject o{
        {QStringLiteral("bundleID"), bundleID},
        {QStringLiteral("appName"), appName},
        {QStringLiteral("index"), index},
        {QStringLiteral("x"), x},
        {QStringLiteral("y"), y},
        {QStringLiteral("w"), w},
        {QStringLiteral("h"), h},
        {QStringLiteral("display"), display},
    };
    if (!screen.isEmpty())
        o.insert(QStringLiteral("screen"), screen);
    return o;
}

std::optional<Loadout::Entry> Loadout::Entry::fromJson(const QJsonObject &o)
{
    const auto bundleID = stringAt(o, "bundleID");
    const auto appName = stringAt(o, "appName");
    const auto index = numberAt(o, "index");
    const auto x = numberAt(o, "x");
    const auto y = numberAt(o, "y");
    const auto w = numberAt(o, "w");
    const auto h = numberAt(o, "h");
    const auto display = stringAt(o, "display");
    if (!bundleID || !appName || !index || !x || !y || !w || !h || !display)
        return std::nullopt;
    // Optional: an entry without it is matched by size alone, as before.
    const QString screen = stringAt(o, "screen").value_or(QString());
    // An index is a whole number that fits an int; 1.5 or 1e12 is a damaged file.
    if (std::trunc(*index) != *index || std::abs(*index) > 2147483647.0)
        return std::nullopt;
    Entry e;
    e.bundleID = *bundleID;
    e.appName = *appName;
    e.index = int(*index);
    e.x = *x;
    e.y = *y;
    e.w = *w;
    e.h = *h;
    e.display = *display;
    e.screen = screen;
    return e;
}

int Loadout::appCount() const
{
    QSet<QString> ids;
    for (const Entry &e : entries)
        ids.insert(e.bundleID);
    return int(ids.size());
}

QJsonObject Loadout::toJson() const
{
    QJsonArray list;
    for (const Entry &e : entries)
        list.append(e.toJson());
    QJsonObject o{
        {QStringLiteral("id"), uuidText(id)},
        {QStringLiteral("name"), name},
        {QStringLiteral("date"), referenceSeconds(date)},
        {QStringLiteral("entries"), list},
    };
    if (!monitors.isEmpty()) {
        QJsonArray bound;
        for (const Monitor &m : monitors)
            bound.append(QJsonObject{{QStringLiteral("name"), m.name},
                                     {QStringLiteral("identity"), m.identity},
                                     {QStringLiteral("x"), m.frame.x()},
                                     {QStringLiteral("y"), m.frame.y()},
                                     {QStringLiteral("w"), m.frame.width()},
                                     {QStringLiteral("h"), m.frame.height()}});
        o.insert(QStringLiteral("monitors"), bound);
    }
    return o;
}

namespace {

// A damaged monitor list leaves the loadout unbound rather than losing it.
QList<Loadout::Monitor> monitorsFromJson(const QJsonValue &value)
{
    QList<Loadout::Monitor> out;
    for (const QJsonValue &v : value.toArray()) {
        const QJsonObject o = v.toObject();
        const auto name = stringAt(o, "name");
        const auto identity = stringAt(o, "identity");
        const auto x = numberAt(o, "x"), y = numberAt(o, "y");
        const auto w = numberAt(o, "w"), h = numberAt(o, "h");
        if (!name || name->isEmpty() || !identity || !x || !y || !w || !h)
            return {};
        const auto whole = [](double d) { return std::trunc(d) == d && std::abs(d) < 1e6; };
        if (!whole(*x) || !whole(*y) || !whole(*w) || !whole(*h) || *w <= 0 || *h <= 0)
            return {};
        out.append({*name, *identity, QRect(int(*x), int(*y), int(*w), int(*h))});
    }
    return out;
}

} // namespace

std::optional<Loadout> Loadout::fromJson(const QJsonObject &o)
{
    const auto idText = stringAt(o, "id");
    const auto name = stringAt(o, "name");
    const auto date = numberAt(o, "date");
    const QJsonValue entries = o.value(QLatin1String("entries"));
    if (!idText || !name || !date || !entries.isArray())
        return std::nullopt;
    // Only the bare 36-character form is a valid id, in either case.
    const QUuid id = QUuid::fromString(*idText);
    if (idText->size() != 36 || id.isNull())
        return std::nullopt;
    Loadout l;
    l.id = id;
    l.name = *name;
    l.date = fromReferenceSeconds(*date);
    for (const QJsonValue &v : entries.toArray()) {
        if (!v.isObject())
            return std::nullopt;
        const auto entry = Entry::fromJson(v.toObject());
        if (!entry)
            return std::nullopt;
        l.entries.append(*entry);
    }
    l.monitors = monitorsFromJson(o.value(QLatin1String("monitors")));
    return l;
}

QByteArray Loadout::encode(const QList<Loadout> &loadouts)
{
    QJsonArray list;
    for (const Loadout &l : loadouts)
        list.append(l.toJson());
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

std::optional<QList<Loadout>> Loadout::decode(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    QList<Loadout> loadouts;
    for (const QJsonValue &v : doc.array()) {
        if (!v.isObject())
            return std::nullopt;
        const auto loadout = fromJson(v.toObject());
        if (!loadout)
            return std::nullopt;
        loadouts.append(*loadout);
    }
    return loadouts;
}

QList<Loadout::Monitor> Loadout::monitorsOf(const QList<ScreenInfo> &screens)
{
    QList<Monitor> out;
    for (const ScreenInfo &s : screens)
        out.append({s.name, s.identity, s.frame.toRect()});
    return out;
}

bool Loadout::sameMonitors(const QList<Monitor> &a, const QList<Monitor> &b)
{
    if (a.isEmpty() || a.size() != b.size())
        return false;
    const auto sorted = [](QList<Monitor> list) {
        std::sort(list.begin(), list.end(),
                  [](const Monitor &x, const Monitor &y) { return x.name < y.name; });
        return list;
    };
    return sorted(a) == sorted(b);
}

QString Loadout::dockName(const QList<Monitor> &monitors)
{
    QStringList names;
    for (const Monitor &m : monitors)
        names.append(m.name);
    return dockPrefix + names.join(QStringLiteral(" + "));
}

QString Loadout::makeName(const QStringList &appNames)
{
    QStringList distinct;
    for (const QString &n : appNames) {
        if (!distinct.contains(n))
            distinct.append(n);
    }
    QString name = distinct.mid(0, 3).join(QStringLiteral(" + "));
    if (distinct.size() > 3)
        name += QStringLiteral(" +") + QString::number(distinct.size() - 3);
    return name;
}

QString Loadout::displayString(const QRectF &screenFrame)
{
    // Truncation, not rounding: a 1511.7-point screen is still "1511".
    return QString::number(qint64(screenFrame.width())) + QLatin1Char('x')
        + QString::number(qint64(screenFrame.height()));
}

double Loadout::referenceSeconds(const QDateTime &date)
{
    return StoredValues::referenceSeconds(date);
}

QDateTime Loadout::fromReferenceSeconds(double seconds)
{
    return StoredValues::fromReferenceSeconds(seconds);
}

QString Loadout::uuidText(const QUuid &id)
{
    return StoredValues::uuidText(id);
}

bool Loadout::isDesktopId(const QString &appId)
{
    if (appId.isEmpty() || appId.size() > 255 || appId.startsWith(QLatin1Char('.')))
        return false;
    return std::none_of(appId.cbegin(), appId.cend(), [](QChar c) {
        return c == QLatin1Char('/') || c == QLatin1Char('\\')
            || c.category() == QChar::Other_Control;
    });
}

#include "platform/linux/EdsCalendarClient.h"

#include "platform/linux/ICalendarText.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QRegularExpression>
#include <QSet>

namespace EdsCalendarClient {
namespace {

using Clock = std::chrono::steady_clock;

const QString kCalendar = QStringLiteral("org.gnome.evolution.dataserver.Calendar");
// The data server's errors reach the bus as GLib errors of its client domain; code 1 is
// E_CAL_CLIENT_ERROR_OBJECT_NOT_FOUND.
const QString kNotFound
    = QStringLiteral("org.gtk.GDBus.UnmappedGError.Quark._e_2dcal_2dclient_2derror_2dquark.Code1");
// More zones or series than this in one answer are not followed up: no calendar names that many,
// and each is one more call.
constexpr qsizetype kMaxFollowUps = 64;

int remainingMs(Deadline deadline)
{
    const auto left
        = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return int(std::clamp<qint64>(left, 0, 600000));
}

QDBusMessage method(const Target &target, const QString &name, const QVariantList &arguments)
{
    QDBusMessage m = QDBusMessage::createMethodCall(target.service, target.path, kCalendar, name);
    m.setArguments(arguments);
    return m;
}

// Sends every call at once and waits for all of them, none past `deadline`.
QList<QDBusMessage> callAll(const QDBusConnection &bus, const QList<QDBusMessage> &calls,
                            Deadline deadline)
{
    QList<QDBusPendingCall> pending;
    for (const QDBusMessage &m : calls)
        pending << bus.asyncCall(m, std::max(1, remainingMs(deadline)));
    QList<QDBusMessage> replies;
    for (QDBusPendingCall &p : pending) {
        // Ends by the call's own timeout at the latest.
        p.waitForFinished();
        replies << p.reply();
    }
    return replies;
}

// The text with folded lines joined, so a property's name starts each line.
QByteArray unfolded(QByteArray text)
{
    return text.replace("\r\n ", "").replace("\r\n\t", "").replace("\n ", "").replace("\n\t", "");
}

QString quoted(const QString &s)
{
    QString out = s;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), "\\\"");
    return QLatin1Char('"') + out + QLatin1Char('"');
}

bool isCalendarText(const QByteArray &text)
{
    return text.trimmed().left(6).toUpper() == "BEGIN:";
}

} // namespace

QString occurringIn(const QDateTime &from, const QDateTime &to)
{
    auto stamp = [](const QDateTime &t) {
        return QLatin1Char('"') + t.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"))
            + QLatin1Char('"');
    };
    return QStringLiteral("(occur-in-time-range? (make-time %1) (make-time %2))")
        .arg(stamp(from.addDays(-1)), stamp(to.addDays(1)));
}

std::optional<QList<QByteArray>> objectsOf(const QDBusMessage &reply)
{
    // A list of strings (as) is what QtDBus reads into a string list; anything else is not.
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1
        || reply.arguments().constFirst().typeId() != QMetaType::QStringList)
        return std::nullopt;
    QList<QByteArray> out;
    qsizetype bytes = 0;
    for (const QString &object : reply.arguments().constFirst().toStringList()) {
        out << object.toUtf8();
        bytes += out.constLast().size();
        if (!isCalendarText(out.constLast()) || bytes > ICalendarText::kMaxBytes
            || out.size() > ICalendarText::kMaxComponents)
            return std::nullopt;
    }
    return out;
}

QStringList zonesNamed(const QList<QByteArray> &objects)
{
    static const QRegularExpression tzid(QStringLiteral(";TZID=(\"[^\"]*\"|[^;:\\r\\n]*)"),
                                         QRegularExpression::CaseInsensitiveOption);
    QSet<QString> seen;
    QStringList out;
    for (const QByteArray &object : objects) {
        const QString text = QString::fromUtf8(unfolded(object));
        for (auto it = tzid.globalMatch(text); it.hasNext();) {
            QString name = it.next().captured(1);
            if (name.startsWith(QLatin1Char('"')))
                name = name.mid(1, name.size() - 2);
            if (!name.isEmpty() && !seen.contains(name)) {
                seen.insert(name);
                out << name;
            }
        }
    }
    return out;
}

QStringList seriesNamed(const QList<QByteArray> &objects)
{
    QStringList out;
    for (const QByteArray &object : objects) {
        QString uid;
        bool series = false;
        for (const QByteArray &line : unfolded(object).split('\n')) {
            const QByteArray upper = line.left(14).toUpper();
            if (upper.startsWith("UID:") || upper.startsWith("UID;"))
                uid = QString::fromUtf8(line.mid(line.indexOf(':') + 1)).trimmed();
            series = series || upper.startsWith("RRULE") || upper.startsWith("RDATE")
                || upper.startsWith("RECURRENCE-ID");
        }
        if (series && !uid.isEmpty() && !out.contains(uid))
            out << uid;
    }
    return out;
}

QByteArray calendarOf(const QList<QByteArray> &zones, const QList<QByteArray> &objects)
{
    QByteArray out = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Kaidro//EDS//EN\r\n";
    auto add = [&out](QByteArray text) {
        text = text.trimmed();
        if (text.left(15).toUpper() == "BEGIN:VCALENDAR") {
            // A series comes as a calendar of its parts: take the parts.
            text = text.mid(text.indexOf('\n') + 1);
            const qsizetype end = text.toUpper().lastIndexOf("END:VCALENDAR");
            text = text.left(end < 0 ? text.size() : end).trimmed();
        }
        out += text + "\r\n";
    };
    for (const QByteArray &zone : zones)
        add(zone);
    for (const QByteArray &object : objects)
        add(object);
    return out + "END:VCALENDAR\r\n";
}

QList<std::optional<QByteArray>> fetch(const QDBusConnection &bus, const QList<Target> &targets,
                                       const QString &query, bool wholeSeries, Deadline deadline)
{
    QList<QDBusMessage> calls;
    for (const Target &t : targets)
        calls << method(t, QStringLiteral("GetObjectList"), {query});
    QList<std::optional<QList<QByteArray>>> objects;
    for (const QDBusMessage &reply : callAll(bus, calls, deadline))
        objects << objectsOf(reply);

    // A rule whose occurrence was moved out of the range still names that occurrence, and a
    // moved one inside it still needs its rule: ask for the whole of each series found.
    if (wholeSeries) {
        calls.clear();
        QList<qsizetype> asked;
        for (qsizetype i = 0; i < targets.size(); ++i) {
            const QStringList uids = objects[i] ? seriesNamed(*objects[i]) : QStringList();
            if (uids.isEmpty() || uids.size() > kMaxFollowUps)
                continue;
            QString any = QStringLiteral("(or");
            for (const QString &uid : uids)
                any += QStringLiteral(" (uid? %1)").arg(quoted(uid));
            calls << method(targets[i], QStringLiteral("GetObjectList"), {any + ')'});
            asked << i;
        }
        const QList<QDBusMessage> replies = callAll(bus, calls, deadline);
        for (qsizetype n = 0; n < asked.size(); ++n) {
            QList<QByteArray> &found = *objects[asked[n]];
            for (const QByteArray &part : objectsOf(replies[n]).value_or(QList<QByteArray>())) {
                if (!found.contains(part))
                    found << part;
            }
        }
    }

    calls.clear();
    QList<std::pair<qsizetype, QString>> zonesAsked;
    for (qsizetype i = 0; i < targets.size(); ++i) {
        const QStringList zones = objects[i] ? zonesNamed(*objects[i]) : QStringList();
        for (const QString &zone : zones.mid(0, kMaxFollowUps)) {
            calls << method(targets[i], QStringLiteral("GetTimezone"), {zone});
            zonesAsked << std::pair{i, zone};
        }
    }
    QList<QList<QByteArray>> zones(targets.size());
    const QList<QDBusMessage> replies = callAll(bus, calls, deadline);
    for (qsizetype n = 0; n < zonesAsked.size(); ++n) {
        const QDBusMessage &r = replies[n];
        // A zone the data server does not know is read as the system's zone of that name.
        if (r.type() != QDBusMessage::ReplyMessage || r.signature() != QLatin1String("s"))
            continue;
        const QByteArray zone = r.arguments().constFirst().toString().toUtf8();
        if (zone.trimmed().left(15).toUpper() == "BEGIN:VTIMEZONE")
            zones[zonesAsked[n].first] << zone;
    }

    QList<std::optional<QByteArray>> out;
    for (qsizetype i = 0; i < targets.size(); ++i)
        out << (objects[i] ? std::optional(calendarOf(zones[i], *objects[i])) : std::nullopt);
    return out;
}

ReminderCompletion complete(const QDBusConnection &bus, const Target &target, const QString &uid,
                            const QDateTime &when, Deadline deadline)
{
    using Outcome = ReminderCompletion::Outcome;
    auto failure = [](const QDBusMessage &reply) -> ReminderCompletion {
        if (reply.errorName() == kNotFound)
            return {};
        // Late: the caller names who did not answer.
        if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply")
            || reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Timeout"))
            return {Outcome::failed, {}};
        if (reply.type() == QDBusMessage::ErrorMessage)
            return {Outcome::failed, reply.errorMessage()};
        return {Outcome::failed, QStringLiteral("The calendar gave an answer Kaidro cannot read.")};
    };
    const QDBusMessage got = callAll(
        bus, {method(target, QStringLiteral("GetObject"), {uid, QString()})}, deadline)[0];
    if (got.type() != QDBusMessage::ReplyMessage || got.signature() != QLatin1String("s"))
        return failure(got);
    const QByteArray object = got.arguments().constFirst().toString().toUtf8();
    if (!isCalendarText(object))
        return failure(QDBusMessage());
    const ICalendarText::Completed done
        = ICalendarText::withTaskCompleted(calendarOf({}, {object}), uid, when);
    if (done.outcome == ICalendarText::Completed::Outcome::notFound)
        return {};
    if (done.outcome == ICalendarText::Completed::Outcome::unreadable)
        return {Outcome::failed,
                QStringLiteral("Kaidro could not read all of this reminder, so it left it as it "
                               "was.")};
    const QDBusMessage saved = callAll(bus,
                                       {method(target, QStringLiteral("ModifyObjects"),
                                               {QStringList{QString::fromUtf8(done.task)},
                                                QStringLiteral("all"), QVariant::fromValue(0u)})},
                                       deadline)[0];
    if (saved.type() != QDBusMessage::ReplyMessage)
        return failure(saved);
    return {Outcome::completed, {}};
}

} // namespace EdsCalendarClient

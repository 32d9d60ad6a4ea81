#include "platform/linux/ICalendarReader.h"

#include <QHash>
#include <QSet>
#include <QUuid>

#include <libical/ical.h>

#include <cstring>
#include <memory>
#include <set>

namespace {

// A rule that never reaches the window (hourly since 1990) is given up after this many
// occurrences rather than walked for good.
constexpr int kMaxOccurrences = 200000;
constexpr qint64 kDaySeconds = 86400;

struct ComponentFree
{
    void operator()(icalcomponent *c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// ICalendarText hands over only texts within its limits.
Component parse(const QByteArray &text)
{
    if (text.trimmed().isEmpty())
        return nullptr;
    return Component(icalparser_parse_string(text.constData()));
}

// Calls `visit` for every component of `kind` in a calendar, a file of several calendars, or a
// lone component. Calendars inside calendars are walked with a list of their own, not the stack.
template <typename Visit> void forEach(icalcomponent *root, icalcomponent_kind kind, Visit visit)
{
    if (!root)
        return;
    if (icalcomponent_isa(root) == kind) {
        visit(root);
        return;
    }
    QList<icalcomponent *> calendars{root};
    while (!calendars.isEmpty()) {
        icalcomponent *parent = calendars.takeFirst();
        QList<icalcomponent *> children;
        for (icalcomponent *c = icalcomponent_get_first_component(parent, ICAL_ANY_COMPONENT); c;
             c = icalcomponent_get_next_component(parent, ICAL_ANY_COMPONENT))
            children << c;
        for (icalcomponent *c : std::as_const(children)) {
            if (icalcomponent_isa(c) == kind)
                visit(c);
            else if (icalcomponent_isa(c) == ICAL_VCALENDAR_COMPONENT)
                calendars << c;
        }
    }
}

QString text(const char *value)
{
    return value ? QString::fromUtf8(value) : QString();
}

// The zone a date-time is written in: the one libical resolved, else the TZID parameter looked
// up among the system's zones; none for UTC and floating times.
const icaltimezone *zoneOf(icalproperty *prop, const icaltimetype &t)
{
    if (t.zone)
        return t.zone;
    icalparameter *param
        = prop ? icalproperty_get_first_parameter(prop, ICAL_TZID_PARAMETER) : nullptr;
    const char *tzid = param ? icalparameter_get_tzid(param) : nullptr;
    if (!tzid || !*tzid)
        return nullptr;
    if (const icaltimezone *zone = icaltimezone_get_builtin_timezone(tzid))
        return zone;
    return icaltimezone_get_builtin_timezone_from_tzid(tzid);
}

// Seconds since the epoch. A date is its local midnight; a floating time is local time.
std::optional<qint64> epoch(const icaltimetype &t, const icaltimezone *zone)
{
    if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t))
        return std::nullopt;
    const QDate date(t.year, t.month, t.day);
    if (!date.isValid())
        return std::nullopt;
    if (t.is_date)
        return QDateTime(date, QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch();
    if (zone)
        return qint64(icaltime_as_timet_with_zone(t, zone));
    const QDateTime local(date, QTime(t.hour, t.minute, t.second), Qt::LocalTime);
    if (!local.isValid())
        return std::nullopt;
    return local.toSecsSinceEpoch();
}

// A date-time property of `owner`, read in its own zone, else in `fallback`.
std::optional<qint64> propertyTime(icalcomponent *owner, icalproperty *prop,
                                   const icaltimezone *fallback = nullptr)
{
    if (!prop)
        return std::nullopt;
    const icaltimetype t = icalproperty_get_datetime_with_component(prop, owner);
    const icaltimezone *zone = zoneOf(prop, t);
    return epoch(t, zone ? zone : (t.is_date || icaltime_is_utc(t) ? nullptr : fallback));
}

QDateTime local(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime);
}

QString movedKey(const QString &uid, qint64 start)
{
    return uid + QLatin1Char('|') + QString::number(start);
}

struct Window
{
    qint64 from = 0;
    qint64 to = 0;
    bool overlaps(qint64 start, qint64 length) const
    {
        return start < to && (start + length > from || start >= from);
    }
};

// The occurrence starts of one event inside the window.
std::set<qint64> occurrences(icalcomponent *event, const icaltimetype &dtstart,
                             const icaltimezone *zone, qint64 start, qint64 length,
                             const Window &window)
{
    std::set<qint64> starts;
    if (window.overlaps(start, length))
        starts.insert(start);
    // A moved occurrence stands for itself only.
    if (icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY))
        return starts;

    for (icalproperty *p = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY)) {
        icalrecur_iterator *it = icalrecur_iterator_new(icalproperty_get_rrule(p), dtstart);
        if (!it)
            continue;
        for (int n = 0; n < kMaxOccurrences; ++n) {
            const icaltimetype next = icalrecur_iterator_next(it);
            const std::optional<qint64> s = epoch(next, next.is_date ? nullptr : zone);
            if (!s || *s >= window.to)
                break;
            if (window.overlaps(*s, length))
                starts.insert(*s);
        }
        icalrecur_iterator_free(it);
    }
    for (icalproperty *p = icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype rdate = icalproperty_get_rdate(p);
        const icaltimetype t = icaltime_is_null_time(rdate.time) ? rdate.period.start : rdate.time;
        const icaltimezone *own = zoneOf(p, t);
        if (const auto s = epoch(t, own ? own : (icaltime_is_utc(t) ? nullptr : zone));
            s && window.overlaps(*s, length))
            starts.insert(*s);
    }
    for (icalproperty *p = icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_EXDATE_PROPERTY)) {
        const icaltimetype t = icalproperty_get_datetime_with_component(p, event);
        if (t.is_date && !dtstart.is_date) {
            // A whole day excluded from a timed event.
            const QDate day(t.year, t.month, t.day);
            std::erase_if(starts, [&](qint64 s) { return local(s).date() == day; });
        } else if (const auto s = propertyTime(event, p, zone)) {
            starts.erase(*s);
        }
    }
    return starts;
}

} // namespace

namespace {

using ICalendarText::Completed;

QList<CalendarEvent> events(const QByteArray &ics, const QDateTime &from, const QDateTime &to,
                            const QString &source)
{
    QList<CalendarEvent> out;
    const Component root = parse(ics);
    const Window window{from.toSecsSinceEpoch(), to.toSecsSinceEpoch()};

    // Occurrences moved or changed on their own replace the ones their rule gives.
    QSet<QString> moved;
    forEach(root.get(), ICAL_VEVENT_COMPONENT, [&](icalcomponent *event) {
        icalproperty *rid = icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY);
        if (const auto s = propertyTime(event, rid))
            moved.insert(movedKey(text(icalcomponent_get_uid(event)), *s));
    });

    forEach(root.get(), ICAL_VEVENT_COMPONENT, [&](icalcomponent *event) {
        icalproperty *dtstartProp = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        if (!dtstartProp)
            return;
        const icaltimetype dtstart = icalproperty_get_datetime_with_component(dtstartProp, event);
        const icaltimezone *zone = zoneOf(dtstartProp, dtstart);
        const std::optional<qint64> start = epoch(dtstart, zone);
        if (!start)
            return;
        const bool allDay = dtstart.is_date;

        qint64 length = allDay ? kDaySeconds : 0;
        if (icalproperty *p = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY)) {
            if (const auto end = propertyTime(event, p, zone))
                length = std::max<qint64>(0, *end - *start);
        } else if (icalproperty *d
                   = icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY)) {
            length = std::max(0, icaldurationtype_as_int(icalproperty_get_duration(d)));
        }

        const QString uid = text(icalcomponent_get_uid(event));
        const bool isMove = icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY);
        for (qint64 s : occurrences(event, dtstart, zone, *start, length, window)) {
            if (!isMove && moved.contains(movedKey(uid, s)))
                continue;
            CalendarEvent e;
            e.id = source + QLatin1Char('/')
                + (uid.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : uid)
                + QLatin1Char('/') + QString::number(s);
            e.title = text(icalcomponent_get_summary(event));
            e.location = text(icalcomponent_get_location(event));
            e.start = local(s);
            e.end = local(s + length);
            e.allDay = allDay;
            e.cancelled = icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED;
            out << e;
        }
    });
    return out;
}

QList<CalendarReminder> incompleteReminders(const QByteArray &ics, const QDateTime &dueBefore,
                                            const QString &source, const QString &list)
{
    QList<CalendarReminder> out;
    const Component root = parse(ics);
    const qint64 limit = dueBefore.toSecsSinceEpoch();
    forEach(root.get(), ICAL_VTODO_COMPONENT, [&](icalcomponent *task) {
        const icalproperty_status status = icalcomponent_get_status(task);
        if (status == ICAL_STATUS_COMPLETED || status == ICAL_STATUS_CANCELLED)
            return;
        if (icalcomponent_get_first_property(task, ICAL_COMPLETED_PROPERTY))
            return;
        if (icalproperty *p = icalcomponent_get_first_property(task, ICAL_PERCENTCOMPLETE_PROPERTY);
            p && icalproperty_get_percentcomplete(p) >= 100)
            return;
        // Single occurrences of a repeating task are not listed on their own.
        if (icalcomponent_get_first_property(task, ICAL_RECURRENCEID_PROPERTY))
            return;
        const QString uid = text(icalcomponent_get_uid(task));
        if (uid.isEmpty())
            return; // nothing could name it to complete it
        CalendarReminder r;
        r.id = source + QLatin1Char('/') + uid;
        r.title = text(icalcomponent_get_summary(task));
        r.list = list;
        if (const auto due
            = propertyTime(task, icalcomponent_get_first_property(task, ICAL_DUE_PROPERTY))) {
            if (*due >= limit)
                return;
            r.due = local(*due);
        }
        out << r;
    });
    return out;
}

QString calendarName(const QByteArray &ics)
{
    const Component root = parse(ics);
    QString name;
    forEach(root.get(), ICAL_VCALENDAR_COMPONENT, [&](icalcomponent *calendar) {
        for (icalproperty *p = icalcomponent_get_first_property(calendar, ICAL_X_PROPERTY);
             p && name.isEmpty(); p = icalcomponent_get_next_property(calendar, ICAL_X_PROPERTY)) {
            if (qstrcmp(icalproperty_get_x_name(p), "X-WR-CALNAME") == 0)
                name = text(icalproperty_get_x(p)).trimmed();
        }
    });
    return name;
}

Completed withTaskCompleted(const QByteArray &ics, const QString &uid, const QDateTime &when)
{
    // The store is rewritten around the one task: every other line keeps its bytes, so what
    // the calendar app wrote (and what libical would spell differently) stays as it was.
    QList<QByteArray> lines;
    for (qsizetype at = 0; at < ics.size();) {
        const qsizetype nl = ics.indexOf('\n', at);
        const qsizetype end = nl < 0 ? ics.size() : nl + 1;
        lines << ics.mid(at, end - at);
        at = end;
    }
    auto startsWith = [](const QByteArray &line, const char *word) {
        return line.size() > 0 && line[0] != ' ' && line[0] != '\t'
            && line.trimmed().toUpper().startsWith(word);
    };

    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!startsWith(lines[i], "BEGIN:VTODO"))
            continue;
        qsizetype depth = 0, last = -1;
        for (qsizetype j = i; j < lines.size(); ++j) {
            if (startsWith(lines[j], "BEGIN:"))
                ++depth;
            else if (startsWith(lines[j], "END:") && --depth == 0) {
                last = j;
                break;
            }
        }
        if (last < 0)
            return {Completed::Outcome::unreadable, {}}; // the task never ends
        QByteArray block;
        for (qsizetype j = i; j <= last; ++j)
            block += lines[j];
        const Component task = parse(block);
        if (!task || icalcomponent_isa(task.get()) != ICAL_VTODO_COMPONENT
            || text(icalcomponent_get_uid(task.get())) != uid
            || icalcomponent_get_first_property(task.get(), ICAL_RECURRENCEID_PROPERTY)) {
            i = last;
            continue;
        }

        icalcomponent *t = task.get();
        if (icalcomponent_count_errors(t) > 0)
            return {Completed::Outcome::unreadable, {}};
        for (icalproperty_kind kind : {ICAL_COMPLETED_PROPERTY, ICAL_PERCENTCOMPLETE_PROPERTY}) {
            while (icalproperty *p = icalcomponent_get_first_property(t, kind)) {
                icalcomponent_remove_property(t, p);
                icalproperty_free(p);
            }
        }
        icalcomponent_set_status(t, ICAL_STATUS_COMPLETED);
        icalcomponent_add_property(
            t,
            icalproperty_new_completed(icaltime_from_timet_with_zone(
                time_t(when.toSecsSinceEpoch()), 0, icaltimezone_get_utc_timezone())));
        icalcomponent_add_property(t, icalproperty_new_percentcomplete(100));

        char *written = icalcomponent_as_ical_string_r(t);
        if (!written)
            return {Completed::Outcome::unreadable, {}};
        QByteArray replacement(written);
        icalmemory_free_buffer(written);
        // libical does not always write what it can read back: it drops control characters
        // from values (a task whose UID held one would come back as another task), and it
        // spells a date-only stamp as a DATE value, which it then refuses. A store that would
        // not read back is left as it was rather than handed to the calendar app half broken.
        const Component rewritten = parse(replacement);
        if (!rewritten || icalcomponent_count_errors(rewritten.get()) > 0
            || text(icalcomponent_get_uid(rewritten.get())) != uid)
            return {Completed::Outcome::unreadable, {}};
        if (!lines[i].endsWith("\r\n"))
            replacement.replace("\r\n", "\n");

        QByteArray out;
        for (qsizetype j = 0; j < i; ++j)
            out += lines[j];
        out += replacement;
        for (qsizetype j = last + 1; j < lines.size(); ++j)
            out += lines[j];
        return {Completed::Outcome::completed, out, replacement};
    }
    return {};
}

} // namespace

extern "C" Q_DECL_EXPORT const ICalendarReader::Functions *vantleICalendarReader()
{
    // libical aborts the process on a parse error unless told otherwise, once, before any text.
    static const ICalendarReader::Functions functions = [] {
        icalerror_set_errors_are_fatal(0);
        return ICalendarReader::Functions{&events, &incompleteReminders, &calendarName,
                                          &withTaskCompleted};
    }();
    return &functions;
}

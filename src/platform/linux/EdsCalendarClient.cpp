#include "platform/linux/EdsCalendarClient.h"

// GIO's D-Bus structs carry a member named `signals`, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <libecal/libecal.h>
#pragma pop_macro("signals")

#include <memory>

namespace EdsCalendarClient {
namespace {

template <typename T> struct Unref
{
    void operator()(T *p) const { g_object_unref(p); }
};
template <typename T> using Ref = std::unique_ptr<T, Unref<T>>;

QString text(const char *s)
{
    return QString::fromUtf8(s).trimmed();
}

// A time of the client's objects as an instant: a zone it names, else UTC or, for a floating
// time or a date, the client's default zone (the user's).
std::optional<QDateTime> instant(ECalClient *client, ICalTime *t, const char *tzid,
                                 GCancellable *cancel)
{
    if (!t || !i_cal_time_is_valid_time(t) || i_cal_time_is_null_time(t))
        return std::nullopt;
    ICalTimezone *zone = i_cal_time_get_timezone(t);
    if (i_cal_time_is_utc(t))
        zone = i_cal_timezone_get_utc_timezone();
    else if (!zone && tzid && !i_cal_time_is_date(t))
        e_cal_client_get_timezone_sync(client, tzid, &zone, cancel, nullptr);
    if (!zone)
        zone = e_cal_client_get_default_timezone(client);
    return QDateTime::fromSecsSinceEpoch(i_cal_time_as_timet_with_zone(t, zone));
}

struct Expansion
{
    ECalClient *client;
    QString source;
    GCancellable *cancel;
    QList<CalendarEvent> found;
};

gboolean onInstance(ICalComponent *comp, ICalTime *start, ICalTime *end, gpointer data,
                    GCancellable *, GError **)
{
    auto *x = static_cast<Expansion *>(data);
    const auto from = instant(x->client, start, nullptr, x->cancel);
    const auto to = instant(x->client, end, nullptr, x->cancel);
    if (!from)
        return TRUE;
    CalendarEvent e;
    e.id = x->source + QLatin1Char('/') + QString::fromUtf8(i_cal_component_get_uid(comp))
        + QLatin1Char('/') + QString::number(from->toSecsSinceEpoch());
    e.title = text(i_cal_component_get_summary(comp));
    e.location = text(i_cal_component_get_location(comp));
    e.start = *from;
    e.end = to && *to > *from ? *to : *from;
    e.allDay = i_cal_time_is_date(start);
    e.cancelled = i_cal_component_get_status(comp) == I_CAL_STATUS_CANCELLED;
    x->found.append(e);
    return TRUE;
}

bool isComplete(ECalComponent *task)
{
    ICalComponent *ic = e_cal_component_get_icalcomponent(task);
    const ICalPropertyStatus status = i_cal_component_get_status(ic);
    if (status == I_CAL_STATUS_COMPLETED || status == I_CAL_STATUS_CANCELLED)
        return true;
    if (Ref<ICalProperty> done{i_cal_component_get_first_property(ic, I_CAL_COMPLETED_PROPERTY)})
        return true;
    return e_cal_component_get_percent_complete(task) >= 100;
}

} // namespace

QList<CalendarEvent> events(ECalClient *client, const QString &source, const QDateTime &from,
                            const QDateTime &to, GCancellable *cancel)
{
    Expansion x{client, source, cancel, {}};
    e_cal_client_generate_instances_sync(client, time_t(from.toSecsSinceEpoch()),
                                         time_t(to.toSecsSinceEpoch()), cancel, onInstance, &x);
    return x.found;
}

QList<CalendarReminder> incompleteReminders(ECalClient *client, const QString &source,
                                            const QString &list, const QDateTime &dueBefore,
                                            GCancellable *cancel)
{
    QList<CalendarReminder> found;
    GSList *tasks = nullptr;
    if (!e_cal_client_get_object_list_as_comps_sync(client, "(not (is-completed?))", &tasks, cancel,
                                                    nullptr))
        return found;
    for (GSList *l = tasks; l; l = l->next) {
        auto *task = E_CAL_COMPONENT(l->data);
        if (isComplete(task) || e_cal_component_is_instance(task))
            continue;
        CalendarReminder r;
        r.id = source + QLatin1Char('/') + QString::fromUtf8(e_cal_component_get_uid(task));
        r.list = list;
        if (ECalComponentText *summary = e_cal_component_get_summary(task)) {
            r.title = text(e_cal_component_text_get_value(summary));
            e_cal_component_text_free(summary);
        }
        if (ECalComponentDateTime *due = e_cal_component_get_due(task)) {
            r.due = instant(client, e_cal_component_datetime_get_value(due),
                            e_cal_component_datetime_get_tzid(due), cancel);
            e_cal_component_datetime_free(due);
        }
        if (!r.due || *r.due < dueBefore)
            found.append(r);
    }
    g_slist_free_full(tasks, g_object_unref);
    return found;
}

ReminderCompletion complete(ECalClient *client, const QString &uid, const QDateTime &when,
                            GCancellable *cancel)
{
    using Outcome = ReminderCompletion::Outcome;
    GError *error = nullptr;
    ICalComponent *found = nullptr;
    if (!e_cal_client_get_object_sync(client, uid.toUtf8().constData(), nullptr, &found, cancel,
                                      &error)) {
        const bool gone
            = g_error_matches(error, E_CAL_CLIENT_ERROR, E_CAL_CLIENT_ERROR_OBJECT_NOT_FOUND);
        const QString message = QString::fromUtf8(error->message);
        g_error_free(error);
        if (gone)
            return {};
        return {Outcome::failed, message};
    }
    // The component takes the object over.
    Ref<ECalComponent> task{e_cal_component_new_from_icalcomponent(found)};
    if (!task || e_cal_component_get_vtype(task.get()) != E_CAL_COMPONENT_TODO)
        return {};
    Ref<ICalTime> at{i_cal_time_new_from_timet_with_zone(time_t(when.toSecsSinceEpoch()), FALSE,
                                                         i_cal_timezone_get_utc_timezone())};
    e_cal_component_set_status(task.get(), I_CAL_STATUS_COMPLETED);
    e_cal_component_set_completed(task.get(), at.get());
    e_cal_component_set_percent_complete(task.get(), 100);
    if (!e_cal_client_modify_object_sync(client, e_cal_component_get_icalcomponent(task.get()),
                                         E_CAL_OBJ_MOD_ALL, E_CAL_OPERATION_FLAG_NONE, cancel,
                                         &error)) {
        const QString message = QString::fromUtf8(error->message);
        g_error_free(error);
        return {Outcome::failed, message};
    }
    return {Outcome::completed, {}};
}

} // namespace EdsCalendarClient

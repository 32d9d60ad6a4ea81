#pragma once

#include "platform/CalendarStore.h"

#include <QString>

// The iCalendar stores Evolution and its data server keep under the user's data folder:
// `evolution/calendar/<source>/calendar.ics` for events, `evolution/tasks/<source>/tasks.ics`
// for reminders.
class EvolutionCalendarStore final : public CalendarStore
{
public:
    explicit EvolutionCalendarStore(QString dataHome);

    Access eventAccess() const override;
    Access reminderAccess() const override;

    // Access to the stores `root/*/fileName`: granted when one can be read, denied when some
    // exist and none can, not determined when there are none.
    static Access storeAccess(const QString &root, const QString &fileName);

private:
    QString m_dataHome;
};

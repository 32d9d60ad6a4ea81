#include "FuzzSupport.h"

#include "platform/linux/ICalendarText.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::application();
    return 0;
}

// Checking off a reminder: the task store rewritten around the task with the first UID.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = Fuzz::bytes(data, size);
    QString uid;
    const qsizetype at = text.indexOf("UID:");
    if (at >= 0) {
        const qsizetype end = text.indexOf('\n', at);
        uid = QString::fromUtf8(text.mid(at + 4, end < 0 ? -1 : end - at - 4)).trimmed();
    }
    const QDateTime when(QDate(2026, 12, 6), QTime(9, 30), Qt::UTC);
    const ICalendarText::Completed done = ICalendarText::withTaskCompleted(text, uid, when);
    if (done.outcome != ICalendarText::Completed::Outcome::completed)
        return 0;
    Fuzz::require(!done.text.isEmpty(), "a completed store is not empty");
    // What was written can be completed again: it is never a text the next check-off refuses.
    const ICalendarText::Completed again = ICalendarText::withTaskCompleted(done.text, uid, when);
    Fuzz::require(again.outcome != ICalendarText::Completed::Outcome::unreadable,
                  "the rewritten task reads back");
    return 0;
}

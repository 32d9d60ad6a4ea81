#include "commandbar/RelativeDate.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/unistr.h>

#include <memory>

namespace {

// Building a formatter loads locale data; the search asks for a few dates on every keystroke,
// so each thread keeps the last one it built.
struct Formatting
{
    QString locale;
    std::unique_ptr<icu::Calendar> calendar;
    std::unique_ptr<icu::RelativeDateTimeFormatter> formatter;
};

Formatting *formattingFor(const QString &locale)
{
    thread_local Formatting cached;
    if (cached.formatter && cached.calendar && cached.locale == locale)
        return &cached;
    const icu::Locale where = locale.isEmpty()
        ? icu::Locale::getDefault()
        : icu::Locale::createCanonical(locale.toUtf8().constData());
    UErrorCode status = U_ZERO_ERROR;
    auto calendar = std::unique_ptr<icu::Calendar>(icu::Calendar::createInstance(where, status));
    auto formatter = std::make_unique<icu::RelativeDateTimeFormatter>(
        where, nullptr, UDAT_STYLE_LONG, UDISPCTX_CAPITALIZATION_NONE, status);
    if (U_FAILURE(status) || !calendar)
        return nullptr;
    cached.locale = locale;
    cached.calendar = std::move(calendar);
    cached.formatter = std::move(formatter);
    return &cached;
}

} // namespace

namespace RelativeDate {

QString text(const QDateTime &date, const QDateTime &now, const QString &locale)
{
    if (!date.isValid() || !now.isValid())
        return {};
    Formatting *f = formattingFor(locale);
    if (!f)
        return {};
    struct Unit
    {
        UCalendarDateFields field;
        URelativeDateTimeUnit unit;
    };
    static constexpr Unit units[] = {
        {UCAL_YEAR, UDAT_REL_UNIT_YEAR},         {UCAL_MONTH, UDAT_REL_UNIT_MONTH},
        {UCAL_WEEK_OF_YEAR, UDAT_REL_UNIT_WEEK}, {UCAL_DATE, UDAT_REL_UNIT_DAY},
        {UCAL_HOUR_OF_DAY, UDAT_REL_UNIT_HOUR},  {UCAL_MINUTE, UDAT_REL_UNIT_MINUTE},
        {UCAL_SECOND, UDAT_REL_UNIT_SECOND},
    };
    UErrorCode status = U_ZERO_ERROR;
    f->calendar->setTime(UDate(now.toMSecsSinceEpoch()), status);
    const UDate when = UDate(date.toMSecsSinceEpoch());
    // Each difference moves the calendar on by that many units, so the next, smaller unit
    // counts only the remainder, as calendar components between two dates do. Less than a
    // second apart still reads in seconds ("in 0 seconds").
    int32_t amount = 0;
    URelativeDateTimeUnit unit = UDAT_REL_UNIT_SECOND;
    for (const Unit &u : units) {
        amount = f->calendar->fieldDifference(when, u.field, status);
        unit = u.unit;
        if (U_FAILURE(status))
            return {};
        if (amount != 0)
            break;
    }
    icu::UnicodeString out;
    f->formatter->formatNumeric(double(amount), unit, out, status);
    if (U_FAILURE(status))
        return {};
    return QString(reinterpret_cast<const QChar *>(out.getBuffer()), out.length());
}

} // namespace RelativeDate

#include "platform/linux/ICalendarText.h"

#include "platform/linux/ICalendarReader.h"
#include "platform/linux/ModuleFiles.h"

#include "platform/Logging.h"

#include <cstring>

// Where the reader is linked into the program this names it; otherwise it is null and the
// reader comes from the module.
extern "C" const ICalendarReader::Functions *vantleICalendarReader() __attribute__((weak));

namespace {

const ICalendarReader::Functions *loadReader()
{
    if (vantleICalendarReader)
        return vantleICalendarReader();
    using Entry = const ICalendarReader::Functions *(*)();
    QString error;
    if (const auto entry = reinterpret_cast<Entry>(
            ModuleFiles::entry(QStringLiteral("vantle-ical.so"), "vantleICalendarReader", &error)))
        return entry();
    qCWarning(lcQuests, "%s: calendar files are not read", qPrintable(error));
    return nullptr;
}

// Whether a line of `text` opens a component of `kind` ("VEVENT"). Only a line's own start can:
// a folded line goes on after a space or a tab.
bool holds(const QByteArray &text, const char *kind)
{
    const QByteArray begin = QByteArray("BEGIN:") + kind;
    for (qsizetype at = 0; at >= 0 && at < text.size();) {
        if (qstrnicmp(text.constData() + at, begin.constData(), size_t(begin.size())) == 0)
            return true;
        at = text.indexOf('\n', at);
        at += at < 0 ? 0 : 1;
    }
    return false;
}

// The reader for a text worth reading: one within the limits with a component of `kind` in it
// (any for none). The module is loaded at the first such text, once: the data server's
// empty calendars, which every desktop with it has, do not load it.
const ICalendarReader::Functions *readerFor(const QByteArray &text, const char *kind = nullptr)
{
    if (text.trimmed().isEmpty() || (kind && !holds(text, kind))
        || !ICalendarText::pastLimits(text).isEmpty())
        return nullptr;
    static const ICalendarReader::Functions *const reader = loadReader();
    return reader;
}

} // namespace

namespace ICalendarText {

QString pastLimits(const QByteArray &ics)
{
    if (ics.size() > kMaxBytes)
        return QStringLiteral("larger than %1 bytes").arg(kMaxBytes);
    // A folded line goes on after a space or a tab, so only a line's own start can open or
    // close a component.
    auto startsWith = [](const char *line, qsizetype length, const char *word, qsizetype n) {
        return length >= n && qstrnicmp(line, word, n) == 0;
    };
    int depth = 0;
    qsizetype components = 0;
    const char *data = ics.constData();
    for (qsizetype at = 0; at < ics.size();) {
        const char *end = static_cast<const char *>(std::memchr(data + at, '\n', ics.size() - at));
        const qsizetype length = end ? end - (data + at) : ics.size() - at;
        if (startsWith(data + at, length, "BEGIN:", 6)) {
            if (++depth > kMaxDepth)
                return QStringLiteral("components nested more than %1 deep").arg(kMaxDepth);
            if (++components > kMaxComponents)
                return QStringLiteral("more than %1 components").arg(kMaxComponents);
        } else if (depth > 0 && startsWith(data + at, length, "END:", 4)) {
            --depth;
        }
        at += length + 1;
    }
    return {};
}

QList<CalendarEvent> events(const QByteArray &text, const QDateTime &from, const QDateTime &to,
                            const QString &source)
{
    const auto *reader = readerFor(text, "VEVENT");
    return reader ? reader->events(text, from, to, source) : QList<CalendarEvent>();
}

QList<CalendarReminder> incompleteReminders(const QByteArray &text, const QDateTime &dueBefore,
                                            const QString &source, const QString &list)
{
    const auto *reader = readerFor(text, "VTODO");
    return reader ? reader->incompleteReminders(text, dueBefore, source, list)
                  : QList<CalendarReminder>();
}

QString calendarName(const QByteArray &text)
{
    const auto *reader = readerFor(text);
    return reader ? reader->calendarName(text) : QString();
}

Completed withTaskCompleted(const QByteArray &text, const QString &uid, const QDateTime &when)
{
    if (text.trimmed().isEmpty() || !holds(text, "VTODO"))
        return {Completed::Outcome::notFound, {}, {}};
    // Without the reader the task cannot be rewritten safely: the store is left as it is.
    const auto *reader = readerFor(text);
    return reader ? reader->withTaskCompleted(text, uid, when)
                  : Completed{Completed::Outcome::unreadable, {}, {}};
}

} // namespace ICalendarText

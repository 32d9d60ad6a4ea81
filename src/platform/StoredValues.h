#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

// How dates and identifiers are spelled in the stored JSON files.
namespace StoredValues {

// Seconds since 2001-01-01 00:00:00 UTC.
double referenceSeconds(const QDateTime &date);
QDateTime fromReferenceSeconds(double seconds);

// The canonical upper-case hyphenated form, without braces.
QString uuidText(const QUuid &id);

} // namespace StoredValues

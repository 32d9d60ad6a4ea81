#include "platform/StoredValues.h"

#include <QTimeZone>

#include <cmath>

namespace {

// 2001-01-01 00:00:00 UTC in seconds since the Unix epoch.
constexpr qint64 referenceEpoch = 978307200;

} // namespace

namespace StoredValues {

double referenceSeconds(const QDateTime &date)
{
    return double(date.toMSecsSinceEpoch()) / 1000.0 - double(referenceEpoch);
}

QDateTime fromReferenceSeconds(double seconds)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround((seconds + referenceEpoch) * 1000.0)),
                                          QTimeZone::utc());
}

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

} // namespace StoredValues

#pragma once

#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <fuzzer/FuzzedDataProvider.h>

#include <initializer_list>
#include <string>

// Values as a peer on the bus may send them: any type under any key, nested, with the keys the
// readers look for coming up often.
namespace Fuzz {

inline QString text(FuzzedDataProvider &in, std::initializer_list<const char *> likely)
{
    if (likely.size() > 0 && in.ConsumeBool()) {
        const size_t i = in.ConsumeIntegralInRange<size_t>(0, likely.size() - 1);
        return QString::fromUtf8(likely.begin()[i]);
    }
    return QString::fromStdString(in.ConsumeRandomLengthString(300));
}

inline QVariant variant(FuzzedDataProvider &in, std::initializer_list<const char *> keys,
                        int depth = 0)
{
    switch (in.ConsumeIntegralInRange<int>(0, depth > 3 ? 7 : 10)) {
    case 0:
        return text(in, {"Playing", "Paused", "Stopped", "application://thunderbird.desktop"});
    case 1: {
        QStringList list;
        for (int n = in.ConsumeIntegralInRange<int>(0, 4); n > 0; --n)
            list << text(in, {});
        return list;
    }
    case 2:
        return QVariant::fromValue(in.ConsumeIntegral<qint64>());
    case 3:
        return QVariant::fromValue(in.ConsumeIntegral<quint64>());
    case 4:
        return in.ConsumeFloatingPoint<double>();
    case 5:
        return in.ConsumeBool();
    case 6:
        return in.ConsumeIntegral<int>();
    case 7:
        return QVariant();
    case 8: {
        QVariantMap map;
        for (int n = in.ConsumeIntegralInRange<int>(0, 6); n > 0; --n) {
            const QString key = text(in, keys);
            map.insert(key, variant(in, keys, depth + 1));
        }
        return map;
    }
    case 9: {
        QVariantList list;
        for (int n = in.ConsumeIntegralInRange<int>(0, 4); n > 0; --n)
            list << variant(in, keys, depth + 1);
        return list;
    }
    default:
        return in.ConsumeBool()
            ? QVariant::fromValue(QDBusVariant(variant(in, keys, depth + 1)))
            : QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2")));
    }
}

} // namespace Fuzz

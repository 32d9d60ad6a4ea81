#include "platform/UserDefaults.h"

#include <cmath>

std::optional<double> UserDefaults::toNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        const double d = v.toDouble();
        if (std::isfinite(d))
            return d;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<double> UserDefaults::number(const QString &key) const
{
    return toNumber(value(key));
}

std::optional<bool> UserDefaults::boolean(const QString &key) const
{
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::Bool)
        return std::nullopt;
    return v.toBool();
}

std::optional<QString> UserDefaults::string(const QString &key) const
{
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

std::optional<QStringList> UserDefaults::stringList(const QString &key) const
{
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList();
    if (v.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList out;
    for (const QVariant &e : v.toList()) {
        if (e.typeId() != QMetaType::QString)
            return std::nullopt;
        out << e.toString();
    }
    return out;
}

std::optional<QVariantMap> UserDefaults::dictionary(const QString &key) const
{
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return v.toMap();
}

std::optional<QVariantList> UserDefaults::array(const QString &key) const
{
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QStringList) {
        QVariantList out;
        for (const QString &s : v.toStringList())
            out << s;
        return out;
    }
    if (v.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    return v.toList();
}

#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// The user's defaults: one value per key, of the JSON types (number, bool, string, array,
// dictionary). The typed readers answer nothing for a missing key and for a value of another
// type, so a hand-edited or stale value reads as missing instead of as garbage.
class UserDefaults
{
public:
    virtual ~UserDefaults() = default;

    virtual QVariant value(const QString &key) const = 0;
    virtual void setValue(const QString &key, const QVariant &value) = 0;
    virtual void remove(const QString &key) = 0;

    std::optional<double> number(const QString &key) const;
    std::optional<bool> boolean(const QString &key) const;
    std::optional<QString> string(const QString &key) const;
    // An array whose every element is a string.
    std::optional<QStringList> stringList(const QString &key) const;
    std::optional<QVariantMap> dictionary(const QString &key) const;
    std::optional<QVariantList> array(const QString &key) const;

    // Whether a stored value is a finite JSON number (not a bool, not a numeric string).
    static std::optional<double> toNumber(const QVariant &v);
};

#pragma once

#include "platform/UserDefaults.h"

#include <QJsonValue>

// In-memory defaults that pass values through JSON, so types read back as after a restart.
class FakeUserDefaults final : public UserDefaults
{
public:
    QVariant value(const QString &key) const override { return m_values.value(key); }
    void setValue(const QString &key, const QVariant &value) override
    {
        m_values.insert(key, QJsonValue::fromVariant(value).toVariant());
    }
    void remove(const QString &key) override { m_values.remove(key); }
    bool contains(const QString &key) const { return m_values.contains(key); }

private:
    QVariantMap m_values;
};

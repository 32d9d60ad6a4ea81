#pragma once

#include "platform/AppPaths.h"

#include <QDir>

// Folders chosen by the test (normally inside the private HOME).
class FakeAppPaths final : public AppPaths
{
public:
    FakeAppPaths(QString data, QString resources)
        : m_data(std::move(data))
        , m_resources(std::move(resources))
    { }
    QString dataFolder() const override
    {
        QDir().mkpath(m_data);
        return m_data;
    }
    QString resourcesFolder() const override { return m_resources; }

private:
    QString m_data, m_resources;
};

#pragma once

#include "platform/SystemLog.h"

#include <QStringList>

// Keeps every line, prefix included, in order.
class FakeSystemLog final : public SystemLog
{
public:
    void log(const QString &message) override { lines << line(message); }
    QStringList lines;
};

#pragma once

#include "platform/SystemLog.h"

// syslog(3) with the ident "Vantle" (journald picks it up), and stderr when that is a terminal.
class SyslogLog final : public SystemLog
{
public:
    SyslogLog();
    ~SyslogLog() override;
    void log(const QString &message) override;

private:
    bool m_toTerminal;
};

#include "platform/linux/SyslogLog.h"

#include <cstdio>
#include <syslog.h>
#include <unistd.h>

SyslogLog::SyslogLog()
    : m_toTerminal(::isatty(STDERR_FILENO) == 1)
{
    ::openlog("Vantle", LOG_PID, LOG_USER);
}

SyslogLog::~SyslogLog()
{
    ::closelog();
}

void SyslogLog::log(const QString &message)
{
    const QByteArray text = line(message).toUtf8();
    ::syslog(LOG_NOTICE, "%s", text.constData());
    if (m_toTerminal) {
        std::fprintf(stderr, "%s\n", text.constData());
        std::fflush(stderr);
    }
}

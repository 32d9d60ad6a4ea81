#include "platform/linux/PasswdUserAccount.h"

#include <pwd.h>
#include <unistd.h>

UserAccount currentUserAccount()
{
    UserAccount account;
    const passwd *entry = getpwuid(getuid());
    if (!entry)
        return account;
    if (entry->pw_name)
        account.loginName = QString::fromLocal8Bit(entry->pw_name);
    // GECOS holds "Full Name,Room,Work phone,Home phone,Other"; only the name matters here.
    if (entry->pw_gecos)
        account.fullName
            = QString::fromLocal8Bit(entry->pw_gecos).section(QLatin1Char(','), 0, 0).trimmed();
    return account;
}

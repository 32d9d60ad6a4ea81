#include "setup/LoginItemService.h"

#include "platform/Logging.h"
#include "platform/Platform.h"
#include "platform/SystemLog.h"

#include <QDir>
#include <QFileInfo>

LoginItemService::LoginItemService(LoginItems &items, SystemLog &log)
    : m_items(items)
    , m_log(log)
{ }

bool LoginItemService::isBuildFolder(const QString &executablePath)
{
    if (executablePath.isEmpty())
        return false;
    QDir folder = QFileInfo(executablePath).absoluteDir();
    while (true) {
        if (QFileInfo::exists(folder.filePath(QStringLiteral("CMakeCache.txt"))))
            return true;
        if (!folder.cdUp())
            return false;
    }
}

bool LoginItemService::isEnabled() const
{
    return m_items.status() == LoginItems::Status::enabled;
}

LoginItems::Status LoginItemService::status()
{
    const LoginItems::Status current = m_items.status();
    if (current != LoginItems::Status::notRegistered && current != LoginItems::Status::notFound)
        return current;
    registerLoginItem();
    return m_items.status();
}

void LoginItemService::registerLoginItem()
{
    if (isBuildFolder(m_items.executablePath())) {
        m_log.log(QStringLiteral("refusing to register a login item from a build folder"));
        return;
    }
    QString error;
    if (m_items.registerItem(&error))
        qCDebug(lcSetup) << "login item registered for" << m_items.executablePath();
    else
        m_log.log(QStringLiteral("failed to enable login item: %1").arg(error));
}

bool LoginItemService::unregisterLoginItem()
{
    QString error;
    if (!m_items.unregisterItem(&error))
        m_log.log(QStringLiteral("failed to disable login item: %1").arg(error));
    return isEnabled();
}

void LoginItemService::toggle()
{
    if (isEnabled()) {
        unregisterLoginItem();
        return;
    }
    if (status() == LoginItems::Status::requiresApproval)
        openSettings();
}

void LoginItemService::openSettings() const
{
    // Freedesktop sessions have no pane that approves login items: an autostart entry is active
    // as soon as it is written, so there is nothing to send the user to, and nothing to log.
}

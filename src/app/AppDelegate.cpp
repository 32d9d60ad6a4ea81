#include "app/AppDelegate.h"

#include "app/SingleCopy.h"
#include "platform/AppPaths.h"
#include "platform/Platform.h"
#include "ui/CoreSoundEngine.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>

AppDelegate::AppDelegate(Platform &platform, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
{ }

AppDelegate::~AppDelegate() = default;

int AppDelegate::registerFonts(const QString &folder)
{
    if (folder.isEmpty())
        return 0;
    const QDir dir(folder);
    int registered = 0;
    for (const QString &name : dir.entryList({QStringLiteral("*.ttf")}, QDir::Files, QDir::Name)) {
        // A file that does not load is skipped: text falls back to the system font.
        if (QFontDatabase::addApplicationFont(dir.filePath(name)) >= 0)
            ++registered;
    }
    return registered;
}

void AppDelegate::applicationDidFinishLaunching()
{
    // An accessory: no taskbar entry (every window is a tool window) and no quitting when the
    // last window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleCopy::endOtherCopies(*m_platform.processes, *m_platform.log);

    const QString resources = m_platform.paths->resourcesFolder();
    registerFonts(resources.isEmpty() ? QString() : resources + QStringLiteral("/fonts"));

    CoreSoundEngine::shared().setEnabled(true);
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
}

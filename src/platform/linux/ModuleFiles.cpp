#include "platform/linux/ModuleFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace ModuleFiles {

QStringList folders(const QString &executableFolder)
{
    const QDir exe(executableFolder);
    return {QDir::cleanPath(exe.filePath(QStringLiteral(KAIDRO_MODULE_DIR))),
            QDir::cleanPath(exe.filePath(QStringLiteral("../" KAIDRO_MODULE_DIR)))};
}

QFunctionPointer entry(const QString &name, const char *symbol, QString *error)
{
    // The executable's folder, also before the application object exists (the display path is
    // chosen before it is made).
    const QString exe
        = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).path();
    for (const QString &folder : folders(exe)) {
        const QString file = folder + QLatin1Char('/') + name;
        if (!QFileInfo::exists(file))
            continue;
        // Never unloaded: what the module made lives as long as the program.
        QLibrary library(file);
        if (const QFunctionPointer found = library.resolve(symbol))
            return found;
        *error
            = QStringLiteral("the module %1 does not load (%2)").arg(file, library.errorString());
        return nullptr;
    }
    *error = QStringLiteral("the module %1 is missing").arg(name);
    return nullptr;
}

} // namespace ModuleFiles

#include "platform/linux/ModuleFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace ModuleFiles {

QFunctionPointer entry(const QString &name, const char *symbol, QString *error)
{
    // The executable's folder, also before the application object exists (the display path is
    // chosen before it is made).
    const QDir exe
        = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).dir();
    for (const QString &folder : {exe.filePath(QStringLiteral(KAIDRO_MODULE_DIR)),
                                  exe.filePath(QStringLiteral("../" KAIDRO_MODULE_DIR))}) {
        const QString file = QDir::cleanPath(folder + QLatin1Char('/') + name);
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

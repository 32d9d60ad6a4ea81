#include "platform/AppPaths.h"

#include <QDir>

QString AppPaths::dataFile(const QString &name) const
{
    const QString folder = dataFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
}

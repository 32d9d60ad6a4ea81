#include "platform/AppPaths.h"

#include <QDir>

QString AppPaths::dataFile(const QString &name) const
{
    return QDir(dataFolder()).filePath(name);
}

#include "platform/AtomicFile.h"

#include <QFile>
#include <QSaveFile>

namespace AtomicFile {

bool write(const QString &path, const QByteArray &contents)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // QSaveFile gives a new file the umask's permissions and an existing one its old ones;
    // either may be wider than owner-only.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.cancelWriting();
        return false;
    }
    if (file.write(contents) != contents.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool keepAside(const QString &path)
{
    const QString bad = path + QStringLiteral(".bad");
    QFile::remove(bad);
    return QFile::rename(path, bad);
}

} // namespace AtomicFile

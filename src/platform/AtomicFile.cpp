#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

namespace AtomicFile {

namespace {

struct Reporting
{
    QMutex mutex;
    std::function<void(const QString &)> reporter;
    QSet<QString> failing;
    QSet<QString> tidied;
};

Reporting &reporting()
{
    static Reporting r;
    return r;
}

bool failed(QSaveFile &file, QString *error)
{
    const QString why = file.errorString();
    file.cancelWriting();
    noteResult(file.fileName(), false, why);
    if (error)
        *error = why;
    return false;
}

} // namespace

bool write(const QString &path, const QByteArray &contents)
{
    return write(path, contents, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool write(const QString &path, const QByteArray &contents, QFileDevice::Permissions permissions,
           QString *error)
{
    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile flushes its last bytes only in commit(), which does not
    // notice when that fails (a full disk) and renames a truncated file over the good one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(file, error);
    // QSaveFile gives a new file the umask's permissions and an existing one its old ones;
    // either may be wider than asked for.
    if (!file.setPermissions(permissions))
        return failed(file, error);
    if (file.write(contents) != contents.size() || file.error() != QFileDevice::NoError)
        return failed(file, error);
    if (!file.commit()) {
        const QString why = file.errorString();
        noteResult(path, false, why);
        if (error)
            *error = why;
        return false;
    }
    noteResult(path, true);
    bool first = false;
    {
        Reporting &r = reporting();
        const QMutexLocker lock(&r.mutex);
        first = !r.tidied.contains(path);
        r.tidied.insert(path);
    }
    if (first)
        removeLeftovers(path);
    return true;
}

void removeLeftovers(const QString &path)
{
    const QFileInfo target(path);
    const QRegularExpression temporary(
        QStringLiteral("^%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(target.fileName())));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-60);
    const QFileInfoList candidates = target.dir().entryInfoList(
        {target.fileName() + QStringLiteral(".??????")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo &file : candidates) {
        if (temporary.match(file.fileName()).hasMatch() && file.lastModified() < before)
            QFile::remove(file.filePath());
    }
}

bool keepAside(const QString &path)
{
    const QString bad = path + QStringLiteral(".bad");
    QFile::remove(bad);
    return QFile::rename(path, bad);
}

void setFailureReporter(std::function<void(const QString &line)> reporter)
{
    Reporting &r = reporting();
    const QMutexLocker lock(&r.mutex);
    r.reporter = std::move(reporter);
}

void noteResult(const QString &path, bool saved, const QString &error)
{
    Reporting &r = reporting();
    const QMutexLocker lock(&r.mutex);
    if (saved) {
        r.failing.remove(path);
        return;
    }
    if (r.failing.contains(path))
        return;
    r.failing.insert(path);
    if (r.reporter)
        r.reporter(QStringLiteral("could not save %1: %2")
                       .arg(QFileInfo(path).fileName(),
                            error.isEmpty() ? QStringLiteral("unknown error") : error));
}

} // namespace AtomicFile

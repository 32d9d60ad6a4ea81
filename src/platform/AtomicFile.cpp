#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <tuple>
#include <vector>

#include <unistd.h>

namespace AtomicFile {

namespace {

// QSaveFile's bound on a chain of links.
constexpr int kMaxLinks = 128;

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

} // namespace

QString temporaryPrefix(const QString &path)
{
    return QStringLiteral(".%1.vantle-save.").arg(QFileInfo(path).fileName());
}

bool write(const QString &path, const QByteArray &contents)
{
    return write(path, contents, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool write(const QString &path, const QByteArray &contents, QFileDevice::Permissions permissions,
           QString *error)
{
    const auto fail = [&](const QString &why) {
        noteResult(path, false, why);
        if (error)
            *error = why;
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("no folder to save in"));
    // A link is written through, as the file it names: the link stays.
    QFileInfo final(path);
    for (int depth = 0; depth < kMaxLinks && final.isSymLink(); ++depth)
        final.setFile(final.symLinkTarget());
    const QString target = final.filePath();
    if (final.exists() && !final.isWritable())
        return fail(QStringLiteral("existing file %1 is not writable").arg(final.fileName()));

    // The temporary file's name is one only this program makes, so that clearing what a killed
    // save left never takes a file of the user's (a "tasks.ics.backup").
    QTemporaryFile file(final.dir().filePath(temporaryPrefix(target) + QStringLiteral("XXXXXX")));
    // Created owner-only; the permissions asked for are set before any byte is written, so the
    // contents are never readable by more than the finished file.
    if (!file.open() || !file.setPermissions(permissions))
        return fail(file.errorString());
    if (file.write(contents) != contents.size() || !file.flush())
        return fail(file.errorString());
    // On disk before the rename makes it the file: a crash leaves the old version or this one.
    if (::fsync(file.handle()) != 0)
        return fail(qt_error_string(errno));
    file.close();
    if (std::rename(QFile::encodeName(file.fileName()).constData(),
                    QFile::encodeName(target).constData())
        != 0)
        return fail(qt_error_string(errno));
    file.setAutoRemove(false);
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
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-60);
    // Names are matched here, not through a name filter: a filter is a wildcard pattern, and
    // compiling one pages in the expression engine for a save at start.
    for (const QFileInfo &file : target.dir().entryInfoList(QDir::Files | QDir::Hidden)) {
        if (isTemporary(path, file.fileName()) && file.lastModified() < before)
            QFile::remove(file.filePath());
    }
}

bool isTemporary(const QString &path, const QString &name)
{
    const QString prefix = temporaryPrefix(path);
    constexpr qsizetype kRandomPart = 6; // QTemporaryFile's XXXXXX
    if (name.size() != prefix.size() + kRandomPart || !name.startsWith(prefix))
        return false;
    return std::all_of(name.cbegin() + prefix.size(), name.cend(),
                       [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 0x80; });
}

QStringList keptAside(const QString &path)
{
    const QFileInfo target(path);
    const QRegularExpression stamped(
        QStringLiteral("^%1\\.(\\d{8}-\\d{6}\\.\\d{3})(?:-(\\d{1,6}))?\\.bad$")
            .arg(QRegularExpression::escape(target.fileName())));
    // Newest first: by the time in the name, then by the counter a second copy within the same
    // millisecond carries.
    std::vector<std::tuple<QString, int, QString>> found;
    for (const QString &name : target.dir().entryList(
             {target.fileName() + QStringLiteral(".*.bad")}, QDir::Files | QDir::Hidden)) {
        if (const QRegularExpressionMatch m = stamped.match(name); m.hasMatch())
            found.emplace_back(m.captured(1), m.captured(2).toInt(), target.dir().filePath(name));
    }
    std::sort(found.begin(), found.end(), std::greater<>());
    QStringList paths;
    for (const auto &entry : found)
        paths << std::get<2>(entry);
    return paths;
}

bool keepAside(const QString &path)
{
    // An earlier copy is never replaced: each gets the time it was put aside in its name.
    const QString stamp
        = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss.zzz"));
    QString bad = path + QLatin1Char('.') + stamp + QStringLiteral(".bad");
    for (int n = 1; QFileInfo::exists(bad) || QFileInfo(bad).isSymLink(); ++n)
        bad = path + QLatin1Char('.') + stamp + QLatin1Char('-') + QString::number(n)
            + QStringLiteral(".bad");
    if (!QFile::rename(path, bad))
        return false;
    const QStringList kept = keptAside(path);
    for (qsizetype i = kKeptAside; i < kept.size(); ++i)
        QFile::remove(kept[i]);
    return true;
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

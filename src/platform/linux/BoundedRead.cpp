#include "platform/linux/BoundedRead.h"

#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

QByteArray readUpTo(QIODevice &device, qint64 limit)
{
    QByteArray out;
    char block[4096];
    while (out.size() < limit) {
        const qint64 got
            = device.read(block, std::min<qint64>(qint64(sizeof block), limit - out.size()));
        if (got <= 0)
            break;
        out.append(block, qsizetype(got));
    }
    return out;
}

std::optional<QByteArray> readSmallFile(const QString &path, qint64 limit)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char buffer[16384];
    const qint64 room = std::min<qint64>(limit, qint64(sizeof buffer));
    qint64 total = 0;
    // procfs and sysfs hand over the whole text in one read when the buffer holds it, as a
    // regular file does, so a short read is the end and no second read is spent to hear it.
    while (total < room) {
        const qint64 asked = room - total;
        const ssize_t n = ::read(fd, buffer + total, size_t(asked));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        total += n;
        if (n < asked)
            break;
    }
    ::close(fd);
    if (total == 0)
        return std::nullopt;
    return QByteArray(buffer, total);
}

#include "platform/linux/BoundedRead.h"

#include <QIODevice>

#include <algorithm>

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

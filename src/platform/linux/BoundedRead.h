#pragma once

#include <QByteArray>

class QIODevice;

// At most `limit` bytes of `device`, read in blocks as they come. QIODevice::read(limit) sets
// aside the whole limit before it reads: a megabyte mapped and given back for a /proc file or a
// desktop entry of a few hundred bytes.
QByteArray readUpTo(QIODevice &device, qint64 limit);

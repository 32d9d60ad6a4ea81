#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QIODevice;

// At most `limit` bytes of `device`, read in blocks as they come. QIODevice::read(limit) sets
// aside the whole limit before it reads: a megabyte mapped and given back for a /proc file or a
// desktop entry of a few hundred bytes.
QByteArray readUpTo(QIODevice &device, qint64 limit);

// The start of a small file, at most `limit` bytes (and at most 16 KB), or nothing when it
// cannot be opened or read or is empty. sysfs attributes whose driver has nothing to say fail
// the read (EIO, ENODATA) rather than the open. Straight through the system calls into a buffer
// on the stack: the readouts read a handful of these every second, and it makes no Qt object, so
// it may run on a thread before the application object exists.
std::optional<QByteArray> readSmallFile(const QString &path, qint64 limit);

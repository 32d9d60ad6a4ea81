#pragma once

#include <QByteArray>
#include <QString>

namespace AtomicFile {

// Writes `contents` to `path` through a temporary file in the same folder that is made
// owner-only (0600) before any byte is written and then renamed over `path`. A reader sees the
// old file or the new one, never a half-written file or one with wider permissions.
bool write(const QString &path, const QByteArray &contents);

// Moves an unreadable file aside as `path + ".bad"` (replacing an older one), so that the next
// save does not destroy what the user had. True when the file was moved.
bool keepAside(const QString &path);

} // namespace AtomicFile

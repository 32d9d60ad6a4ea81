#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <functional>

namespace AtomicFile {

// Writes `contents` to `path` through a temporary file in the same folder that is made
// owner-only (0600) before any byte is written and then renamed over `path`. A reader sees the
// old file or the new one, never a half-written file or one with wider permissions.
bool write(const QString &path, const QByteArray &contents);
// The same with the given permissions (another program's file keeps its own); `error`, when
// given, says why a write failed.
bool write(const QString &path, const QByteArray &contents, QFileDevice::Permissions permissions,
           QString *error = nullptr);

// Moves an unreadable file aside as `path + ".bad"` (replacing an older one), so that the next
// save does not destroy what the user had. True when the file was moved.
bool keepAside(const QString &path);

// Removes what saves of `path` interrupted by a crash or a kill left beside it: the temporary
// files QSaveFile names `path + ".XXXXXX"`, each a whole or partial copy of a version of the
// file. Only those untouched for a minute go: a younger one may be another copy's save in
// progress. `write` does this once per file and run after its first successful save.
void removeLeftovers(const QString &path);

// Where failed saves are told, one line each (the file's name and why, never its contents):
// the program points this at its log. A file that keeps failing (a full disk, every poll) is
// told once, and again only after a save of it has succeeded meanwhile. Any thread.
void setFailureReporter(std::function<void(const QString &line)> reporter);
// How a save of `path` went, for writers that do not go through `write`.
void noteResult(const QString &path, bool saved, const QString &error = QString());

} // namespace AtomicFile

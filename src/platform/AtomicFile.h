#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <functional>

namespace AtomicFile {

// Writes `contents` to `path` through a temporary file in the same folder (named
// `temporaryPrefix(path)` and six letters or digits) that is made owner-only (0600) before any
// byte is written, synced and then renamed over `path`. A reader sees the old file or the new
// one, never a half-written file or one with wider permissions. A link is written through.
bool write(const QString &path, const QByteArray &contents);
// The same with the given permissions (another program's file keeps its own); `error`, when
// given, says why a write failed.
bool write(const QString &path, const QByteArray &contents, QFileDevice::Permissions permissions,
           QString *error = nullptr);

// How the names of `write`'s temporary files for `path` start: ".NAME.vantle-save.", a name
// no other program gives a file.
QString temporaryPrefix(const QString &path);

// How many unreadable copies of one file are kept; older ones go.
inline constexpr int kKeptAside = 5;
// Moves an unreadable file aside as `path + ".yyyyMMdd-HHmmss.zzz.bad"` (the time in UTC), so
// that the next save does not destroy what the user had; earlier copies stay, the newest
// `kKeptAside` of them. True when the file was moved.
bool keepAside(const QString &path);
// The copies `keepAside` made of `path`, newest first.
QStringList keptAside(const QString &path);

// Removes what saves of `path` interrupted by a crash or a kill left beside it: `write`'s
// temporary files, each a whole or partial copy of a version of the file. Only those untouched
// for a minute go: a younger one may be another copy's save in progress. Nothing else is
// touched, whatever its name. `write` does this once per file and run after its first
// successful save.
void removeLeftovers(const QString &path);
// Whether `name` is one of the temporary files `write` makes for `path`: its prefix and six ASCII
// letters or digits.
bool isTemporary(const QString &path, const QString &name);

// Where failed saves are told, one line each (the file's name and why, never its contents):
// the program points this at its log. A file that keeps failing (a full disk, every poll) is
// told once, and again only after a save of it has succeeded meanwhile. Any thread.
void setFailureReporter(std::function<void(const QString &line)> reporter);
// How a save of `path` went, for writers that do not go through `write`.
void noteResult(const QString &path, bool saved, const QString &error = QString());

} // namespace AtomicFile

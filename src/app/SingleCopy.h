#pragma once

#include "platform/ProcessTable.h"

#include <QList>

class SystemLog;

// Only one copy runs per user and display: a new start ends the copies already running there, so
// that their key grabs (which an X server gives to one client only) are free for the new one. A
// copy showing on another X display grabs keys on another server and is left alone.
namespace SingleCopy {

// Another copy is a process of the same user on the same display, other than this one, whose
// executable is the same file as ours or is named "Vantle". A process whose executable cannot be
// read is left alone. Displays compare without their screen number (":1" is ":1.0").
bool isAnotherCopy(const ProcessEntry &candidate, pid_t ownPid, uid_t ownUid,
                   const QString &ownExecutable, const QString &ownDisplay);

QList<ProcessEntry> otherCopies(const ProcessTable &table);

// Logs and ends each copy (terminate, up to 1 s of grace, then kill): those found by
// otherCopies, perhaps a moment before.
void endCopies(const QList<ProcessEntry> &copies, ProcessTable &table, SystemLog &log);
void endOtherCopies(ProcessTable &table, SystemLog &log);

} // namespace SingleCopy

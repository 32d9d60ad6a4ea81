#pragma once

#include "platform/ProcessTable.h"

#include <QList>

class SystemLog;

// Only one copy runs per user: a new start ends the copies already running, so that their key
// grabs (which X11 gives to one client only) are free for the new one.
namespace SingleCopy {

// Another copy is a process of the same user, other than this one, whose executable is the same
// file as ours or is named "Vantle". A process whose executable cannot be read is left alone.
bool isAnotherCopy(const ProcessEntry &candidate, pid_t ownPid, uid_t ownUid,
                   const QString &ownExecutable);

QList<ProcessEntry> otherCopies(const ProcessTable &table);

// Logs and ends each other copy (terminate, up to 1 s of grace, then kill).
void endOtherCopies(ProcessTable &table, SystemLog &log);

} // namespace SingleCopy

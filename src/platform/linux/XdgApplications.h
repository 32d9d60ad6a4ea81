#pragma once

#include "platform/Workspace.h"

#include <QList>
#include <QStringList>

// The applications of the XDG application folders, as a desktop's application menu lists them.
namespace XdgApplications {

// Reads the folders (highest precedence first) afresh: the .desktop files at their top level
// and one level of subfolders below ("kde/okular.desktop" is the id "kde-okular"). The first
// folder holding an id decides it, so an entry of the user's hides the system's, and a hidden
// one hides it altogether. Entries that are no application, are hidden, say NoDisplay or are
// not for this desktop (OnlyShowIn / NotShowIn) are left out. Keeps no state: safe on any
// thread.
QList<InstalledApp> scan(const QStringList &folders);

// The entry's icon as Icon names it: a theme name or an absolute path; empty when none.
QString iconName(const QString &desktopFile);

} // namespace XdgApplications

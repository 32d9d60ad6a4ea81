#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The program's own loadable modules (the calendar reader, the native Wayland path). They are
// looked for in its own folders only, below the executable's folder in the build tree or below
// the prefix it is installed in, never in the working folder or on a search path.
namespace ModuleFiles {

// The folders the modules are looked for in, in order, for an executable in `executableFolder`.
QStringList folders(const QString &executableFolder);

// The entry point `symbol` of the module file `name` ("vantle-ical.so"). The module stays
// loaded for the rest of the run. Null with `error` set when it is missing or does not load.
QFunctionPointer entry(const QString &name, const char *symbol, QString *error);

} // namespace ModuleFiles

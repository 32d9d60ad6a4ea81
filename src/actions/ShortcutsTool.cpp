#include "actions/ShortcutsTool.h"

#include "platform/ToolRunner.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString ShortcutsTool::programName()
{
    return QStringLiteral("vantle-shortcuts");
}

QString ShortcutsTool::locate(const QString &executableFolder)
{
    if (!executableFolder.isEmpty()) {
        const QFileInfo beside(QDir(executableFolder).filePath(programName()));
        if (beside.isFile() && beside.isExecutable())
            return beside.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(programName());
}

bool ShortcutsTool::toggleDoNotDisturb(const ToolRunner &tools, const QString &program)
{
    const auto runShortcut = [&](const QString &name) {
        return tools.run(program, {QStringLiteral("run"), name}, kRunLimitMs).succeeded();
    };
    return runShortcut(QStringLiteral("Toggle Focus"))
        || runShortcut(QStringLiteral("Toggle Do Not Disturb"));
}

#include "actions/ShortcutsTool.h"

#include "platform/linux/ProcessToolRunner.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QTemporaryDir>

namespace {

const QString kTool = QStringLiteral(KAIDRO_SHORTCUTS_TOOL);

// Exit status (-1 after a crash), standard output and standard error, joined with '|'.
using Outcome = QString;

// The real tool over a data folder of the test's own.
class ShortcutsToolScript : public ::testing::Test
{
protected:
    QTemporaryDir data;
    QString folder;

    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(kTool).isExecutable()) << qPrintable(kTool);
        folder = data.filePath("Vantle/shortcuts");
        QDir().mkpath(folder);
    }

    QString write(const QString &path, const QByteArray &script, bool executable = true)
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(script);
        file.close();
        file.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                       : QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }
    QString shortcut(const QString &name, const QByteArray &body, bool executable = true)
    {
        return write(QDir(folder).filePath(name), "#!/bin/sh\n" + body + "\n", executable);
    }

    Outcome run(const QStringList &arguments, QProcessEnvironment env = {})
    {
        if (env.isEmpty()) {
            env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_DATA_HOME", data.path());
        }
        env.insert("LC_ALL", "C");
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(kTool, arguments);
        process.waitForFinished(20000);
        return QString::number(process.exitStatus() == QProcess::NormalExit ? process.exitCode()
                                                                            : -1)
            + '|' + QString::fromUtf8(process.readAllStandardOutput()) + '|'
            + QString::fromUtf8(process.readAllStandardError());
    }
};

TEST_F(ShortcutsToolScript, ListsTheExecutableFilesOneALineFromTheDataFolder)
{
    shortcut("Say Hello", "echo hello");
    shortcut("Build Æther", "true");
    shortcut("notes.txt", "true", false);
    shortcut(".hidden", "true");
    QDir(folder).mkdir("a folder");
    EXPECT_EQ(run({"list"}), "0|Build Æther\nSay Hello\n|");
    QDir(folder).removeRecursively();
    EXPECT_EQ(run({"list"}), "0||");

    // Without XDG_DATA_HOME (empty counts as unset) the folder is under the home folder.
    QTemporaryDir home;
    QDir(home.path()).mkpath(".local/share/Vantle/shortcuts");
    write(home.filePath(".local/share/Vantle/shortcuts/Home One"), "#!/bin/sh\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_DATA_HOME", QString());
    EXPECT_EQ(run({"list"}, env), "0|Home One\n|");
    env.remove("XDG_DATA_HOME");
    EXPECT_EQ(run({"list"}, env), "0|Home One\n|");
}

TEST_F(ShortcutsToolScript, RunPassesOutputAndExitStatusThroughAndFailsOnUnknownNames)
{
    shortcut("Say Hello", "echo \"hello $#\"; echo warn >&2; exit 0");
    shortcut("Fail", "echo partial; echo 'disk full' >&2; exit 3");
    shortcut("notes.txt", "true", false);
    EXPECT_EQ(run({"run", "Say Hello"}), "0|hello 0\n|warn\n");
    EXPECT_EQ(run({"run", "Fail"}), "3|partial\n|disk full\n");
    for (const QString &name : {"Nope", "notes.txt"}) {
        const QStringList outcome = run({"run", name}).split('|');
        EXPECT_NE(outcome[0], "0") << qPrintable(name);
        EXPECT_EQ(outcome[1], "");
        EXPECT_TRUE(outcome[2].contains(name)) << qPrintable(outcome[2]);
    }
    for (const QStringList &arguments : {QStringList{"run"}, QStringList{"fly"}, QStringList{}})
        EXPECT_FALSE(run(arguments).startsWith("0|")) << qPrintable(arguments.join(' '));
}

TEST_F(ShortcutsToolScript, NamesThatReachOutsideTheFolderAreRefused)
{
    // Each would run a program that leaves a mark, were the name taken as a path.
    const QString mark = data.filePath("ran");
    const QByteArray leaveMark = "#!/bin/sh\ntouch '" + mark.toUtf8() + "'\n";
    write(data.filePath("Vantle/outside"), leaveMark);
    QDir(folder).mkdir("sub");
    write(QDir(folder).filePath("sub/inner"), leaveMark);
    write(QDir(folder).filePath(".sneaky"), leaveMark);

    for (const QString &name : QStringList{"../outside", "sub/inner", "..", ".", ".sneaky",
                                           QString(), data.filePath("Vantle/outside")}) {
        const QStringList outcome = run({"run", name}).split('|');
        EXPECT_NE(outcome[0], "0") << qPrintable(name);
        EXPECT_FALSE(outcome.last().isEmpty()) << qPrintable(name);
    }
    EXPECT_FALSE(QFileInfo::exists(mark));
}

TEST_F(ShortcutsToolScript, DoNotDisturbFallsBackToTheSecondShortcutForReal)
{
    // The runner hands our environment to the tool; the private one comes back afterwards.
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", saved); });
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    const QString mark = data.filePath("dnd");
    shortcut("Toggle Do Not Disturb", "echo toggled > '" + mark.toUtf8() + "'");

    // "Toggle Focus" does not exist, so the tool exits non-zero and the second one runs.
    EXPECT_TRUE(ShortcutsTool::toggleDoNotDisturb(ProcessToolRunner(), kTool));
    EXPECT_TRUE(QFileInfo::exists(mark));
    EXPECT_FALSE(
        ShortcutsTool::toggleDoNotDisturb(ProcessToolRunner(), data.filePath("no-such-tool")));
}

} // namespace

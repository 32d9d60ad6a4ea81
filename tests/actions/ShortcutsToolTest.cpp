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

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
};

// The real tool over a data folder of the test's own.
class ShortcutsToolScript : public ::testing::Test
{
protected:
    QTemporaryDir data;
    QString folder;

    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(kTool).isExecutable()) << qPrintable(kTool);
        folder = data.filePath(QStringLiteral("Vantle/shortcuts"));
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
            env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        }
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(kTool, arguments);
        process.waitForFinished(20000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
};

TEST_F(ShortcutsToolScript, ListsTheExecutableFilesOneALine)
{
    shortcut(QStringLiteral("Say Hello"), "echo hello");
    shortcut(QStringLiteral("Build Æther"), "true");
    shortcut(QStringLiteral("notes.txt"), "true", false);
    shortcut(QStringLiteral(".hidden"), "true");
    QDir(folder).mkdir(QStringLiteral("a folder"));

    const Outcome listed = run({QStringLiteral("list")});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, QStringLiteral("Build Æther\nSay Hello\n"));

    QDir(folder).removeRecursively();
    EXPECT_EQ(run({QStringLiteral("list")}).status, 0);
}

TEST_F(ShortcutsToolScript, FolderDefaultsToTheHomeDataFolder)
{
    QTemporaryDir home;
    QDir().mkpath(home.filePath(QStringLiteral(".local/share/Vantle/shortcuts")));
    write(home.filePath(QStringLiteral(".local/share/Vantle/shortcuts/Home One")), "#!/bin/sh\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), QString()); // empty counts as unset
    EXPECT_EQ(run({QStringLiteral("list")}, env).out, QStringLiteral("Home One\n"));
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    EXPECT_EQ(run({QStringLiteral("list")}, env).out, QStringLiteral("Home One\n"));
}

TEST_F(ShortcutsToolScript, RunPassesOutputAndExitStatusThrough)
{
    shortcut(QStringLiteral("Say Hello"), "echo \"hello $#\"; echo warn >&2; exit 0");
    shortcut(QStringLiteral("Fail"), "echo partial; echo 'disk full' >&2; exit 3");

    const Outcome hello = run({QStringLiteral("run"), QStringLiteral("Say Hello")});
    EXPECT_EQ(hello.status, 0);
    EXPECT_EQ(hello.out, QStringLiteral("hello 0\n"));
    EXPECT_EQ(hello.err, QStringLiteral("warn\n"));

    const Outcome fail = run({QStringLiteral("run"), QStringLiteral("Fail")});
    EXPECT_EQ(fail.status, 3);
    EXPECT_EQ(fail.out, QStringLiteral("partial\n"));
    EXPECT_EQ(fail.err, QStringLiteral("disk full\n"));
}

TEST_F(ShortcutsToolScript, UnknownOrNonExecutableNameFailsWithAMessage)
{
    shortcut(QStringLiteral("notes.txt"), "true", false);
    for (const QString &name : {QStringLiteral("Nope"), QStringLiteral("notes.txt")}) {
        const Outcome outcome = run({QStringLiteral("run"), name});
        EXPECT_NE(outcome.status, 0) << qPrintable(name);
        EXPECT_TRUE(outcome.err.contains(name)) << qPrintable(outcome.err);
        EXPECT_TRUE(outcome.out.isEmpty());
    }
    EXPECT_NE(run({QStringLiteral("run")}).status, 0);
    EXPECT_NE(run({QStringLiteral("fly")}).status, 0);
    EXPECT_NE(run({}).status, 0);
}

TEST_F(ShortcutsToolScript, NamesThatReachOutsideTheFolderAreRefused)
{
    // Each would run a program that leaves a mark, were the name taken as a path.
    const QString mark = data.filePath(QStringLiteral("ran"));
    const QByteArray leaveMark = "#!/bin/sh\ntouch '" + mark.toUtf8() + "'\n";
    write(data.filePath(QStringLiteral("Vantle/outside")), leaveMark);
    QDir(folder).mkdir(QStringLiteral("sub"));
    write(QDir(folder).filePath(QStringLiteral("sub/inner")), leaveMark);
    write(QDir(folder).filePath(QStringLiteral(".sneaky")), leaveMark);

    for (const QString &name :
         {QStringLiteral("../outside"), QStringLiteral("sub/inner"), QStringLiteral(".."),
          QStringLiteral("."), QStringLiteral(".sneaky"), QString(),
          data.filePath(QStringLiteral("Vantle/outside"))}) {
        const Outcome outcome = run({QStringLiteral("run"), name});
        EXPECT_NE(outcome.status, 0) << qPrintable(name);
        EXPECT_FALSE(outcome.err.isEmpty()) << qPrintable(name);
    }
    EXPECT_FALSE(QFileInfo::exists(mark));
}

TEST_F(ShortcutsToolScript, DoNotDisturbFallsBackToTheSecondShortcutForReal)
{
    // The runner hands our environment to the tool; the private one comes back afterwards.
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", saved); });
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    const QString mark = data.filePath(QStringLiteral("dnd"));
    shortcut(QStringLiteral("Toggle Do Not Disturb"), "echo toggled > '" + mark.toUtf8() + "'");

    // "Toggle Focus" does not exist, so the tool exits non-zero and the second one runs.
    EXPECT_TRUE(ShortcutsTool::toggleDoNotDisturb(ProcessToolRunner(), kTool));
    EXPECT_TRUE(QFileInfo::exists(mark));
    EXPECT_FALSE(ShortcutsTool::toggleDoNotDisturb(ProcessToolRunner(),
                                                   data.filePath(QStringLiteral("no-such-tool"))));
}

} // namespace

#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

const QString kTool = QStringLiteral(KAIDRO_SHORTCUTS_TOOL);

// The real tool over a data folder of the test's own.
class ShortcutsToolScript : public ::testing::Test
{
protected:
    QTemporaryDir data;
    QString folder = data.filePath("Vantle/shortcuts");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(kTool).isExecutable()) << qPrintable(kTool);
        QDir().mkpath(folder + "/sub");
        env.insert("XDG_DATA_HOME", data.path());
        env.insert("LC_ALL", "C");
    }

    // A shell script at `path`, relative to the Shortcuts folder.
    void shortcut(const QString &path, const QByteArray &body, bool executable = true)
    {
        writeFile(QDir(folder).filePath(path), "#!/bin/sh\n" + body + "\n",
                  QFile::ReadOwner | QFile::WriteOwner
                      | (executable ? QFile::ExeOwner : QFile::Permissions()));
    }

    // The exit status (-1 after a crash), standard output and standard error, joined with '|'.
    QString run(const QStringList &arguments)
    {
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
    EXPECT_EQ(run({"list"}), "0|Build Æther\nSay Hello\n|");
    QDir(folder).removeRecursively();
    EXPECT_EQ(run({"list"}), "0||");

    // Without XDG_DATA_HOME (empty counts as unset) the folder is under the home folder.
    QTemporaryDir home;
    folder = home.filePath(".local/share/Vantle/shortcuts");
    shortcut("Home One", "");
    env.insert("HOME", home.path());
    env.insert("XDG_DATA_HOME", QString());
    EXPECT_EQ(run({"list"}), "0|Home One\n|");
    env.remove("XDG_DATA_HOME");
    EXPECT_EQ(run({"list"}), "0|Home One\n|");
}

TEST_F(ShortcutsToolScript, RunPassesOutputAndExitStatusThroughAndRefusesOtherNames)
{
    shortcut("Say Hello", "echo \"hello $#\"; echo warn >&2; exit 0");
    shortcut("Fail", "echo partial; echo 'disk full' >&2; exit 3");
    shortcut("notes.txt", "true", false);
    EXPECT_EQ(run({"run", "Say Hello"}), "0|hello 0\n|warn\n");
    EXPECT_EQ(run({"run", "Fail"}), "3|partial\n|disk full\n");
    // Names that differ only in a trailing space are two Shortcuts, each listed and run as is.
    shortcut("Backup", "echo plain");
    shortcut("Backup ", "echo spaced");
    EXPECT_TRUE(run({"list"}).startsWith("0|Backup\nBackup \n"));
    EXPECT_EQ(run({"run", "Backup "}), "0|spaced\n|");

    // Each would run a program that leaves a mark, were the name taken as a path.
    const QString mark = data.filePath("ran");
    const QByteArray leaveMark = "touch '" + mark.toUtf8() + "'";
    for (const char *path : {"../outside", "sub/inner", ".sneaky"})
        shortcut(path, leaveMark);
    for (const QString &name :
         QStringList{"Nope", "notes.txt", "../outside", "sub/inner", "..", ".", ".sneaky",
                     QString(), data.filePath("Vantle/outside")}) {
        const QStringList outcome = run({"run", name}).split('|');
        EXPECT_NE(outcome[0], "0") << qPrintable(name);
        EXPECT_EQ(outcome[1], "") << qPrintable(name);
        EXPECT_TRUE(!outcome[2].isEmpty() && outcome[2].contains(name)) << qPrintable(outcome[2]);
    }
    EXPECT_FALSE(QFileInfo::exists(mark));
    for (const QStringList &arguments : {QStringList{"run"}, QStringList{"fly"}, QStringList{}})
        EXPECT_FALSE(run(arguments).startsWith("0|")) << qPrintable(arguments.join(' '));
}

} // namespace

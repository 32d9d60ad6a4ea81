#include "app/SingleCopy.h"

#include "fakes/FakeProcessTable.h"
#include "fakes/FakeSystemLog.h"

#include <gtest/gtest.h>

namespace {
const QString kOwn = QStringLiteral("/opt/kaidro/bin/Vantle");
}

TEST(SingleCopy, DecidesWhichProcessesAreCopies)
{
    auto copy = [](ProcessEntry e) { return SingleCopy::isAnotherCopy(e, 100, 1000, kOwn); };
    // The same executable file, whatever its name.
    EXPECT_TRUE(copy({200, 1000, kOwn}));
    EXPECT_TRUE(SingleCopy::isAnotherCopy({200, 1000, QStringLiteral("/tmp/kaidro-dev")}, 100, 1000,
                                          QStringLiteral("/tmp/kaidro-dev")));
    // Another build or install, recognised by the executable's name.
    EXPECT_TRUE(copy({201, 1000, QStringLiteral("/home/me/src/build/Vantle")}));
    // Never ourselves, never another user's process, never an unreadable executable.
    EXPECT_FALSE(copy({100, 1000, kOwn}));
    EXPECT_FALSE(copy({202, 0, kOwn}));
    EXPECT_FALSE(copy({203, 1001, QStringLiteral("/usr/bin/Vantle")}));
    EXPECT_FALSE(copy({204, 1000, QString()}));
    // Names that only resemble ours.
    EXPECT_FALSE(copy({205, 1000, QStringLiteral("/usr/bin/Vantle-helper")}));
    EXPECT_FALSE(copy({206, 1000, QStringLiteral("/usr/bin/vantle")}));
    EXPECT_FALSE(copy({207, 1000, QStringLiteral("/opt/Vantle/bin/other")}));
}

TEST(SingleCopy, EndsEachCopyAndLogsItsPath)
{
    FakeProcessTable table;
    FakeSystemLog log;
    table.list = {
        {1, 0, QStringLiteral("/sbin/init")},
        {100, 1000, kOwn},
        {300, 1000, kOwn},
        {301, 1000, QStringLiteral("/usr/local/bin/Vantle")},
        {302, 1001, QStringLiteral("/usr/local/bin/Vantle")},
        {303, 1000, QStringLiteral("/usr/bin/xterm")},
    };
    SingleCopy::endOtherCopies(table, log);
    EXPECT_EQ(table.terminated, (QList<pid_t>{300, 301}));
    EXPECT_EQ(log.lines,
              (QStringList{
                  QStringLiteral("Vantle: ending another running copy at /opt/kaidro/bin/Vantle"),
                  QStringLiteral("Vantle: ending another running copy at /usr/local/bin/Vantle")}));
}

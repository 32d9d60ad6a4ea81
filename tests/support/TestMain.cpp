#include "support/TestHelpers.h"

#include <QApplication>

#include <gmock/gmock.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    for (const auto &[name, sub] : {std::pair{"HOME", ""},
                                    {"XDG_CONFIG_HOME", "/.config"},
                                    {"XDG_DATA_HOME", "/.local/share"},
                                    {"XDG_CACHE_HOME", "/.cache"},
                                    {"XDG_RUNTIME_DIR", "/runtime"}}) {
        const QString path = TestEnvironment::home() + QLatin1String(sub);
        QDir().mkpath(path);
        ::setenv(name, QFile::encodeName(path).constData(), 1);
    }
    QFile::setPermissions(TestEnvironment::home() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ::testing::InitGoogleMock(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}

#include "support/TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>

namespace {
QTemporaryDir *folder()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kaidro-test-XXXXXX"));
    return &dir;
}
} // namespace

namespace TestEnvironment {

QString home()
{
    return folder()->path();
}

void isolate()
{
    const QString base = home();
    auto set = [&](const char *name, const QString &sub) {
        const QString path = sub.isEmpty() ? base : base + QLatin1Char('/') + sub;
        QDir().mkpath(path);
        ::setenv(name, QFile::encodeName(path).constData(), 1);
    };
    set("HOME", {});
    set("XDG_CONFIG_HOME", QStringLiteral(".config"));
    set("XDG_DATA_HOME", QStringLiteral(".local/share"));
    set("XDG_CACHE_HOME", QStringLiteral(".cache"));
    set("XDG_RUNTIME_DIR", QStringLiteral("runtime"));
    QFile::setPermissions(base + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace TestEnvironment

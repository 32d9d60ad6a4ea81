#pragma once

#include <QDir>
#include <QTemporaryDir>

namespace TestEnvironment {

// The private HOME this test binary runs under; XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME
// and XDG_RUNTIME_DIR are folders inside it. TestMain points the environment at them before the
// QApplication exists.
inline QString home()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kaidro-test-XXXXXX"));
    return dir.path();
}

} // namespace TestEnvironment

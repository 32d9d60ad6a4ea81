#pragma once

#include <QDir>
#include <QTemporaryDir>

namespace TestEnvironment {

// The private HOME this binary runs under, the XDG folders inside it; TestMain sets them up.
inline QString home()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kaidro-test-XXXXXX"));
    return dir.path();
}

} // namespace TestEnvironment

#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>

namespace TestEnvironment {

// The private HOME this binary runs under, the XDG folders inside it; TestMain sets them up.
inline QString home()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kaidro-test-XXXXXX"));
    return dir.path();
}

} // namespace TestEnvironment

// Sets one environment variable (a null value unsets it) until the scope ends.
struct ScopedEnv
{
    const char *name;
    std::optional<QByteArray> old
        = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;

    ScopedEnv(const char *variable, const QByteArray &value)
        : name(variable)
    {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnv() { old ? qputenv(name, *old) : qunsetenv(name); }
};

// The whole file at `path`; empty when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes `bytes` to `path`, its folders made first, with `permissions` when given; returns `path`.
inline QString writeFile(const QString &path, const QByteArray &bytes = {},
                         QFileDevice::Permissions permissions = {})
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    if (permissions)
        f.setPermissions(permissions);
    return path;
}

// `f`, a function or a member, of each of `items`, in order.
template <typename Items, typename F> QStringList mapped(const Items &items, F f)
{
    QStringList out;
    for (const auto &item : items)
        out << std::invoke(f, item);
    return out;
}

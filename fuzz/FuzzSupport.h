#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What every fuzz target shares: a Qt application object, a scratch folder for inputs that the
// code under test reads from files, and a way to stop on a broken promise.
namespace Fuzz {

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Qt's file and settings classes want an application object; made once per process.
inline void application()
{
    static int argc = 1;
    static char name[] = "kaidro-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = new QCoreApplication(argc, argv);
    (void)app;
}

// A folder of this process's own, in memory where the machine offers it and removed at exit;
// each target overwrites the files it uses.
inline QString scratch()
{
    static QTemporaryDir dir(
        (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath())
        + QStringLiteral("/kaidro-fuzz-XXXXXX"));
    static const QString path = dir.path();
    return path;
}

inline void write(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(contents);
}

// The input cut at NUL bytes into at most `count` pieces; missing pieces are empty.
inline QList<QByteArray> pieces(const QByteArray &input, int count)
{
    QList<QByteArray> out;
    qsizetype at = 0;
    for (int i = 0; i < count - 1; ++i) {
        const qsizetype nul = input.indexOf('\0', at);
        if (nul < 0)
            break;
        out << input.mid(at, nul - at);
        at = nul + 1;
    }
    out << input.mid(at);
    while (out.size() < count)
        out << QByteArray();
    return out;
}

// A promise of the code under test that the input broke: report it as a crash.
inline void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

} // namespace Fuzz

#pragma once

#include <QString>

// One line for the developer. Lines never carry clipboard contents or other user text beyond
// names of apps and files.
class SystemLog
{
public:
    virtual ~SystemLog() = default;
    // `message` without the program prefix; the line written is `line(message)`.
    virtual void log(const QString &message) = 0;

    static QString line(const QString &message) { return QStringLiteral("Vantle: ") + message; }
};

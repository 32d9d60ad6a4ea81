#include "X11Probe.h"

#include "support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

namespace X11Probe {

std::optional<QRect> windowGeometry(const QString &name)
{
    QProcess p;
    p.start(QStringLiteral("xwininfo"), {QStringLiteral("-name"), name});
    if (!p.waitForFinished(5000) || p.exitCode() != 0)
        return std::nullopt;
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    if (!out.contains(QStringLiteral("Map State: IsViewable")))
        return std::nullopt;
    auto field = [&](const char *label) {
        const QRegularExpression re(QString::fromLatin1(label) + QStringLiteral(":\\s+(-?\\d+)"));
        return re.match(out).captured(1).toInt();
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                 field("Height"));
}

bool isViewable(const QString &name)
{
    return windowGeometry(name).has_value();
}

std::optional<QRect> waitForWindow(const QString &name, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (auto g = windowGeometry(name))
            return g;
        QThread::msleep(100);
    }
    return std::nullopt;
}

bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

bool writeDefaults(const QByteArray &json)
{
    const QString config = TestEnvironment::home() + QStringLiteral("/.config/Vantle");
    QDir().mkpath(config);
    QFile f(config + QStringLiteral("/defaults.json"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(json) == json.size();
}

} // namespace X11Probe

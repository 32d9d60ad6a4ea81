#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

// What the X11 tests ask of the display through the command-line tools a person would use.
namespace X11Probe {

// The absolute geometry of the mapped window named `name`, as xwininfo reports it (top-left
// origin); nothing when no such window is viewable.
std::optional<QRect> windowGeometry(const QString &name);
bool isViewable(const QString &name);
// Polls `windowGeometry` for up to `ms` milliseconds.
std::optional<QRect> waitForWindow(const QString &name, int ms);

// Runs xdotool; true when it exited 0.
bool xdotool(const QStringList &arguments);

// Writes the program's defaults file under the test's private HOME.
bool writeDefaults(const QByteArray &json);

} // namespace X11Probe

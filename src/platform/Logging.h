#pragma once

#include <QLoggingCategory>

// The program's logging channels, one an area. Each says nothing below info level until it is
// switched on, e.g. QT_LOGGING_RULES="kaidro.clipboard.debug=true" (README lists them). No line
// carries clipboard contents, calendar titles or other user text.
Q_DECLARE_LOGGING_CATEGORY(lcShell)
Q_DECLARE_LOGGING_CATEGORY(lcHud)
Q_DECLARE_LOGGING_CATEGORY(lcMenu)
Q_DECLARE_LOGGING_CATEGORY(lcCommandBar)
Q_DECLARE_LOGGING_CATEGORY(lcClipboard)
Q_DECLARE_LOGGING_CATEGORY(lcQuests)
Q_DECLARE_LOGGING_CATEGORY(lcMonitors)
Q_DECLARE_LOGGING_CATEGORY(lcWindows)
Q_DECLARE_LOGGING_CATEGORY(lcActions)
Q_DECLARE_LOGGING_CATEGORY(lcSkills)
Q_DECLARE_LOGGING_CATEGORY(lcSetup)
Q_DECLARE_LOGGING_CATEGORY(lcTools)
Q_DECLARE_LOGGING_CATEGORY(lcX11)
Q_DECLARE_LOGGING_CATEGORY(lcDBus)

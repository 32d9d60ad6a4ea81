#pragma once

#include "actions/ActionText.h"
#include "actions/AppLauncher.h"
#include "actions/FocusSession.h"
#include "actions/LocalModelActions.h"
#include "actions/OllamaClient.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class Clock;
class Feedback;
class Pasteboard;
class SystemLog;
class SystemStats;
class ToolRunner;
class Workspace;

// The menu's and the skill book's actions that reach outside the program: waking and unloading
// the models of a local Ollama server, a 25-minute focus session that toggles Do Not Disturb
// through the user's Shortcuts, staging the clipboard as a prompt, copying a status summary,
// opening applications and folders, and a few one-line readouts. Every action ends in a one-line
// `lastStatus`, and usually a toast. Main thread only; the slow parts (HTTP, the Shortcuts) run
// elsewhere and come back here.
class HUDActionService final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString lastStatus READ lastStatus NOTIFY lastStatusChanged)
    Q_PROPERTY(bool isWorking READ isWorking NOTIFY isWorkingChanged)
    Q_PROPERTY(QString focusLabel READ focusLabel NOTIFY focusLabelChanged)
    Q_PROPERTY(bool focusActive READ focusActive NOTIFY focusActiveChanged)

public:
    static constexpr int focusMinutes = FocusSession::minutes;
    static constexpr double focusSeconds = FocusSession::seconds;
    static constexpr double toastDuration = 5.0;
    static constexpr int clipboardPreviewLength = 280;

    struct Options
    {
        QUrl ollamaBase = OllamaClient::defaultBase();
        OllamaClient::Timeouts timeouts;
        // After starting the server: this many checks, this far apart.
        int serverStartChecks = 16;
        int serverStartIntervalMs = 400;
        QString shortcutsTool; // the Shortcuts program; empty: vantle-shortcuts by name
        QStringList searchPath; // where programs are looked for; empty: PATH
        QString loginShell; // empty: $SHELL, else /bin/sh
        QString homeFolder; // empty: the user's home folder
        QString currentDesktop; // empty: $XDG_CURRENT_DESKTOP
    };

    HUDActionService(Pasteboard &pasteboard, Workspace &workspace, const ToolRunner &tools,
                     SystemLog &log, const SystemStats &stats, const Clock &clock,
                     Feedback &feedback, Options options, QObject *parent = nullptr);
    ~HUDActionService() override;

    const QString &lastStatus() const { return m_lastStatus; }
    bool isWorking() const { return m_working > 0; }
    const QString &focusLabel() const { return m_focus.label(); }
    bool focusActive() const { return m_focus.active(); }
    std::optional<double> focusEndsAt() const { return m_focus.endsAt(); }
    QUrl ollamaBase() const { return m_models.client().base(); }
    void setOllamaBase(const QUrl &base) { m_models.client().setBase(base); }

    // Focus: starts a session, or stops the running one.
    void toggleFocus();
    // Recounts the label; completes the session once its time is up. The timer calls it every
    // second while a session runs.
    void focusTick() { m_focus.tick(); }
    void stopFocus(bool completed) { m_focus.stop(completed); }
    // Do Not Disturb toggles handed to the Shortcuts and not yet finished.
    int pendingDoNotDisturbToggles() const { return m_focus.pendingDoNotDisturbToggles(); }

    // The local model server. Both return at once; `isWorking` is true until they finish.
    void wakeAI();
    void unloadAI();

    void stagePrompt();
    void copyStatus();
    void showClipboard();

    // Opens the first of `name` and `alternatives` that can be opened.
    bool openApp(const QString &name, const QStringList &alternatives = {}, bool playSound = true);
    bool launchApp(const QString &name);
    void openActivityMonitor();
    void openProjects();
    void openBatterySettings();
    // The disk usage analyser, else the home folder.
    void openStorageSettings();

    // Sets nothing; logs "title — message" and shows both in a toast.
    void report(const QString &title, const QString &message = {});
    // The one-line outcome of an action taken elsewhere (a menu entry that changes a setting).
    void setLastStatus(const QString &status);

    // Whole seconds left of a session with `remaining` seconds to go, counted up ("0.2 s left"
    // is one second); 0 once it is over.
    static int focusSecondsLeft(double remaining) { return FocusSession::secondsLeft(remaining); }
    // "M:SS" for a number of seconds ("25:00", "0:01").
    static QString focusLabelFor(int seconds) { return FocusSession::labelFor(seconds); }
    static QString modelDisplayName(const QString &model)
    {
        return ActionText::modelDisplayName(model);
    }
    static int characterCount(const QString &text) { return ActionText::characterCount(text); }
    static QString preview(const QString &text, int limit = clipboardPreviewLength)
    {
        return ActionText::preview(text, limit);
    }
    static QString statusSummary(const QString &hostName, const QString &time, double memoryBytes,
                                 bool ollamaUp, const QStringList &loaded)
    {
        return ActionText::statusSummary(hostName, time, memoryBytes, ollamaUp, loaded);
    }

signals:
    void lastStatusChanged(const QString &lastStatus);
    void isWorkingChanged(bool isWorking);
    void focusLabelChanged(const QString &focusLabel);
    void focusActiveChanged(bool focusActive);
    // A Do Not Disturb toggle finished; `succeeded` when one of the Shortcuts ran cleanly.
    void doNotDisturbToggled(bool succeeded);

private:
    // The local model actions report through the service's status, toasts and work count.
    friend class LocalModelActions;

    void beginWork();
    void endWork();
    // Sets the status, logs it and toasts it without a message.
    void announce(const QString &status);
    // Says so and returns true when the clipboard holds a password manager's secret.
    bool leftSecretAlone();
    // A report whose message is what the clipboard holds: the toast shows it, the log does not.
    void reportPrivately(const QString &title, const QString &message);
    void playSelect();
    void later(int ms, std::function<void()> then);

    Pasteboard &m_pasteboard;
    Workspace &m_workspace;
    SystemLog &m_log;
    Feedback &m_feedback;
    Options m_options;
    AppLauncher m_launcher;

    QString m_lastStatus = QStringLiteral("Ready");
    int m_working = 0;
    FocusSession m_focus;
    LocalModelActions m_models;
};

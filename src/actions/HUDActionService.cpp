#include "actions/HUDActionService.h"

#include "actions/ShortcutsTool.h"
#include "platform/Feedback.h"
#include "platform/Pasteboard.h"
#include "platform/SystemLog.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <utility>

namespace {

QString defaultLoginShell()
{
    const QString shell = qEnvironmentVariable("SHELL");
    const QString name = QFileInfo(shell).fileName();
    // The C shells do not take "2>&1"; a POSIX login shell reads the same profile for PATH.
    if (!QDir::isAbsolutePath(shell) || name == QLatin1String("csh")
        || name == QLatin1String("tcsh"))
        return QStringLiteral("/bin/sh");
    return shell;
}

HUDActionService::Options withDefaults(HUDActionService::Options options)
{
    if (options.shortcutsTool.isEmpty())
        options.shortcutsTool = ShortcutsTool::programName();
    if (options.loginShell.isEmpty())
        options.loginShell = defaultLoginShell();
    if (options.homeFolder.isEmpty())
        options.homeFolder = QDir::homePath();
    if (options.currentDesktop.isEmpty())
        options.currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    return options;
}

} // namespace

HUDActionService::HUDActionService(Pasteboard &pasteboard, Workspace &workspace,
                                   const ToolRunner &tools, SystemLog &log,
                                   const SystemStats &stats, const Clock &clock, Feedback &feedback,
                                   Options options, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_log(log)
    , m_feedback(feedback)
    , m_options(withDefaults(std::move(options)))
    , m_launcher(workspace, tools, m_options.searchPath)
    , m_focus(tools, clock, m_options.shortcutsTool)
    , m_models(*this, m_launcher, tools, pasteboard, stats, clock,
               {m_options.serverStartChecks, m_options.serverStartIntervalMs, m_options.loginShell})
{
    m_models.client().setBase(m_options.ollamaBase);
    m_models.client().setTimeouts(m_options.timeouts);

    connect(&m_focus, &FocusSession::labelChanged, this, &HUDActionService::focusLabelChanged);
    connect(&m_focus, &FocusSession::activeChanged, this, &HUDActionService::focusActiveChanged);
    connect(&m_focus, &FocusSession::doNotDisturbToggled, this,
            &HUDActionService::doNotDisturbToggled);
    connect(&m_focus, &FocusSession::ended, this, [this](bool completed) {
        announce(completed ? QStringLiteral("Focus · session complete")
                           : QStringLiteral("Focus · stopped"));
    });
}

HUDActionService::~HUDActionService() = default;

void HUDActionService::setLastStatus(const QString &status)
{
    if (status == m_lastStatus)
        return;
    m_lastStatus = status;
    emit lastStatusChanged(m_lastStatus);
}

void HUDActionService::beginWork()
{
    // Counted, so that a wake that ends while an unload still runs does not clear the flag.
    if (m_working++ == 0)
        emit isWorkingChanged(true);
}

void HUDActionService::endWork()
{
    if (m_working > 0 && --m_working == 0)
        emit isWorkingChanged(false);
}

void HUDActionService::report(const QString &title, const QString &message)
{
    m_log.log(message.isEmpty() ? title : title + QStringLiteral(" — ") + message);
    m_feedback.toast(title, message, toastDuration);
}

void HUDActionService::reportPrivately(const QString &title, const QString &message)
{
    m_log.log(title);
    m_feedback.toast(title, message, toastDuration);
}

void HUDActionService::announce(const QString &status)
{
    setLastStatus(status);
    report(status);
}

void HUDActionService::playSelect()
{
    m_feedback.play(SoundCue::select, 1.0f);
}

void HUDActionService::later(int ms, std::function<void()> then)
{
    QPointer<HUDActionService> guard(this);
    auto guarded = [guard, then = std::move(then)] {
        if (guard)
            then();
    };
    m_feedback.later(ms, this, std::move(guarded));
}

void HUDActionService::toggleFocus()
{
    playSelect();
    if (m_focus.active()) {
        m_focus.stop(false);
        return;
    }
    // The status is set before the first tick, which may already end a session that starts
    // with no time left.
    setLastStatus(QStringLiteral("Focus · %1 min started").arg(focusMinutes));
    m_focus.start();
}

void HUDActionService::wakeAI()
{
    m_models.wake();
}

void HUDActionService::unloadAI()
{
    m_models.unload();
}

void HUDActionService::copyStatus()
{
    m_models.copyStatus();
}

bool HUDActionService::leftSecretAlone()
{
    // A password manager's copy is neither shown nor put back without its marker, which is what
    // lets the password manager clear it again.
    if (!Pasteboard::holdsSecret(m_pasteboard.types()))
        return false;
    setLastStatus(QStringLiteral("Clipboard holds a secret"));
    report(QStringLiteral("Clipboard holds a secret"),
           QStringLiteral("The clipboard holds a secret, so it was left alone."));
    return true;
}

void HUDActionService::stagePrompt()
{
    if (leftSecretAlone())
        return;
    const std::optional<QString> text = m_pasteboard.plainText();
    if (!text || text->isEmpty()) {
        announce(QStringLiteral("Clipboard empty — copy text first"));
        return;
    }
    m_pasteboard.setPlainText(QStringLiteral("[Kaidro prompt]\n") + *text);
    setLastStatus(QStringLiteral("Staged clipboard as prompt"));
    report(QStringLiteral("Staged clipboard as prompt"),
           QStringLiteral("Paste into Cursor or run when AI loop is on."));
}

void HUDActionService::showClipboard()
{
    playSelect();
    if (leftSecretAlone())
        return;
    const std::optional<QString> text = m_pasteboard.plainText();
    if (text && !text->isEmpty()) {
        setLastStatus(
            QStringLiteral("Clipboard · %1 chars").arg(ActionText::characterCount(*text)));
        // The toast shows the text; the log never does.
        reportPrivately(QStringLiteral("Clipboard"),
                        ActionText::preview(*text, clipboardPreviewLength));
    } else if (!text && !m_pasteboard.types().isEmpty()) {
        announce(QStringLiteral("Clipboard · non-text content"));
    } else {
        announce(QStringLiteral("Clipboard empty"));
    }
}

bool HUDActionService::launchApp(const QString &name)
{
    return m_launcher.launch(name);
}

bool HUDActionService::openApp(const QString &name, const QStringList &alternatives, bool playSound)
{
    if (playSound)
        playSelect();
    for (const QString &candidate : QStringList{name} + alternatives) {
        if (launchApp(candidate)) {
            setLastStatus(QStringLiteral("Opened ") + candidate);
            return true;
        }
    }
    announce(QStringLiteral("Couldn’t find ") + name);
    return false;
}

void HUDActionService::openActivityMonitor()
{
    playSelect();
    openApp(QStringLiteral("Activity Monitor"), {}, false);
}

void HUDActionService::openProjects()
{
    const QDir home(m_options.homeFolder);
    QString folder = home.absolutePath();
    for (const char *name : {"Projects", "Developer", "repos"}) {
        const QString candidate = home.filePath(QLatin1String(name));
        if (QFileInfo(candidate).isDir()) {
            folder = candidate;
            break;
        }
    }
    if (m_workspace.openURL(QUrl::fromLocalFile(folder)))
        setLastStatus(QStringLiteral("Opened ") + folder);
    else
        announce(QStringLiteral("Couldn’t open ") + folder);
}

void HUDActionService::openBatterySettings()
{
    playSelect();
    if (!m_launcher.openPowerSettings(m_options.currentDesktop))
        m_log.log(QStringLiteral("Battery settings: no power settings app on this desktop"));
    setLastStatus(QStringLiteral("Battery settings"));
}

void HUDActionService::openStorageSettings()
{
    playSelect();
    if (m_launcher.launchInstalled(QStringLiteral("Disk Usage Analyzer"))) {
        setLastStatus(QStringLiteral("Opened Disk Usage Analyzer"));
        return;
    }
    const QString home = QDir(m_options.homeFolder).absolutePath();
    if (m_workspace.openURL(QUrl::fromLocalFile(home)))
        setLastStatus(QStringLiteral("Opened ") + home);
    else
        announce(QStringLiteral("Couldn’t open ") + home);
}

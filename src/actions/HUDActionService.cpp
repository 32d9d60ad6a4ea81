#include "actions/HUDActionService.h"

#include "actions/ShortcutsTool.h"
#include "platform/Clock.h"
#include "platform/Feedback.h"
#include "platform/Pasteboard.h"
#include "platform/SystemLog.h"
#include "platform/SystemStats.h"
#include "platform/ToolRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QSysInfo>
#include <QTextBoundaryFinder>
#include <QtConcurrent>

#include <cstdio>
#include <utility>

namespace {

const QString kStartServer
    = QStringLiteral("command -v ollama >/dev/null && ollama serve >/dev/null 2>&1 &");

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

// "%.1f" as the C library writes it: a tie rounds to the even digit (16.25 is "16.2"), where
// Qt's own formatting would round it up.
QString printfOneDecimal(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return QString::fromLatin1(text);
}

} // namespace

HUDActionService::HUDActionService(Pasteboard &pasteboard, Workspace &workspace,
                                   const ToolRunner &tools, SystemLog &log,
                                   const SystemStats &stats, const Clock &clock, Feedback &feedback,
                                   Options options, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_tools(tools)
    , m_log(log)
    , m_stats(stats)
    , m_clock(clock)
    , m_feedback(feedback)
    , m_options(std::move(options))
    , m_launcher(workspace, tools, m_options.restricted, m_options.searchPath)
    , m_focus(tools, clock,
              m_options.shortcutsTool.isEmpty() ? ShortcutsTool::programName()
                                                : m_options.shortcutsTool,
              m_options.restricted)
{
    if (m_options.shortcutsTool.isEmpty())
        m_options.shortcutsTool = ShortcutsTool::programName();
    if (m_options.loginShell.isEmpty())
        m_options.loginShell = defaultLoginShell();
    if (m_options.homeFolder.isEmpty())
        m_options.homeFolder = QDir::homePath();
    if (m_options.currentDesktop.isEmpty())
        m_options.currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    m_ollama.setBase(m_options.ollamaBase);
    m_ollama.setTimeouts(m_options.timeouts);

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
    playSelect();
    beginWork();
    setLastStatus(QStringLiteral("Waking local AI…"));
    m_ollama.checkServer(this, [this](bool up) {
        if (up) {
            wakeWithServerUp();
            return;
        }
        startServer();
        waitForServer(m_options.serverStartChecks);
    });
}

void HUDActionService::startServer()
{
    if (m_options.restricted)
        return;
    // A desktop entry for the server, where a package installed one; the command line below
    // is what starts it everywhere else.
    m_launcher.launchInstalled(QStringLiteral("Ollama"));
    m_tools.startDetached(m_options.loginShell, {QStringLiteral("-lc"), kStartServer});
}

void HUDActionService::waitForServer(int checksLeft)
{
    if (checksLeft <= 0) {
        afterServerWait();
        return;
    }
    later(m_options.serverStartIntervalMs, [this, checksLeft] {
        m_ollama.checkServer(this, [this, checksLeft](bool up) {
            if (up)
                afterServerWait();
            else
                waitForServer(checksLeft - 1);
        });
    });
}

void HUDActionService::afterServerWait()
{
    m_ollama.checkServer(this, [this](bool up) {
        if (up) {
            wakeWithServerUp();
            return;
        }
        setLastStatus(QStringLiteral("Ollama offline"));
        report(QStringLiteral("Ollama offline"),
               QStringLiteral("Install/start Ollama, then try Tessar Skills / WAKE again."));
        endWork();
    });
}

QString HUDActionService::modelDisplayName(const QString &model)
{
    return model.section(QLatin1Char(':'), 0, 0);
}

void HUDActionService::wakeWithServerUp()
{
    m_ollama.listModels(this, [this](QStringList models) {
        // Embedding models cannot answer a prompt.
        models.removeIf([](const QString &name) {
            const QString lower = name.toLower();
            return lower.contains(QLatin1String("embed")) || lower.contains(QLatin1String("nomic"));
        });
        if (models.isEmpty()) {
            announce(QStringLiteral("No models — ollama pull"));
            endWork();
            return;
        }
        const QString model = models.first();
        m_ollama.warm(model, this, [this, model](std::optional<QString> error) {
            if (!error) {
                announce(QStringLiteral("Awake · ") + modelDisplayName(model));
            } else {
                setLastStatus(QStringLiteral("Wake failed"));
                report(QStringLiteral("Wake failed"), *error);
            }
            endWork();
        });
    });
}

void HUDActionService::unloadAI()
{
    playSelect();
    beginWork();
    setLastStatus(QStringLiteral("Unloading models…"));
    m_ollama.checkServer(this, [this](bool up) {
        if (!up) {
            announce(QStringLiteral("Ollama offline"));
            endWork();
            return;
        }
        m_ollama.listLoaded(this, [this](const QStringList &loaded) {
            if (loaded.isEmpty()) {
                announce(QStringLiteral("Idle · nothing loaded"));
                endWork();
                return;
            }
            unloadEach(loaded, 0);
        });
    });
}

void HUDActionService::unloadEach(QStringList models, int unloaded)
{
    if (models.isEmpty()) {
        announce(QStringLiteral("Unloaded %1 model%2")
                     .arg(unloaded)
                     .arg(unloaded == 1 ? QString() : QStringLiteral("s")));
        endWork();
        return;
    }
    const QString model = models.takeFirst();
    m_ollama.unload(model, this, [this, models, unloaded](bool ok) {
        unloadEach(models, unloaded + (ok ? 1 : 0));
    });
}

void HUDActionService::stagePrompt()
{
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

QString HUDActionService::statusSummary(const QString &hostName, const QString &time,
                                        double memoryBytes, bool ollamaUp,
                                        const QStringList &loaded)
{
    return QStringList{
        QStringLiteral("Kaidro · ") + hostName,
        QStringLiteral("Time: ") + time,
        QStringLiteral("Mem total: ") + printfOneDecimal(memoryBytes / double(1ULL << 30))
            + QStringLiteral(" GB"),
        QStringLiteral("Ollama: ") + (ollamaUp ? QStringLiteral("up") : QStringLiteral("down")),
        QStringLiteral("Loaded: ")
            + (loaded.isEmpty() ? QStringLiteral("none") : loaded.join(QStringLiteral(", "))),
    }
        .join(QLatin1Char('\n'));
}

void HUDActionService::copyStatus()
{
    m_ollama.checkServer(this, [this](bool up) {
        // A server that is down has nothing loaded; asking would only wait out another time-out.
        if (!up) {
            finishCopyStatus(false, {});
            return;
        }
        m_ollama.listLoaded(this,
                            [this](const QStringList &loaded) { finishCopyStatus(true, loaded); });
    });
}

void HUDActionService::finishCopyStatus(bool up, const QStringList &loaded)
{
    const QString summary = statusSummary(QSysInfo::machineHostName(),
                                          QLocale().toString(m_clock.now(), QLocale::ShortFormat),
                                          m_stats.physicalMemoryBytes(), up, loaded);
    m_pasteboard.setPlainText(summary);
    setLastStatus(QStringLiteral("Status copied"));
    // The summary is now what the clipboard holds, so the log gets only the title.
    reportPrivately(QStringLiteral("Status copied"), summary);
}

int HUDActionService::characterCount(const QString &text)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (graphemes.toNextBoundary() != -1)
        ++count;
    return count;
}

QString HUDActionService::preview(const QString &text, int limit)
{
    // Cut between characters as a reader sees them, never inside an emoji or an accent.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    qsizetype position = 0;
    while (count < limit && (position = graphemes.toNextBoundary()) != -1)
        ++count;
    if (count < limit || graphemes.toNextBoundary() == -1)
        return text;
    return text.left(position) + QStringLiteral("…");
}

void HUDActionService::showClipboard()
{
    playSelect();
    const std::optional<QString> text = m_pasteboard.plainText();
    if (text && !text->isEmpty()) {
        setLastStatus(QStringLiteral("Clipboard · %1 chars").arg(characterCount(*text)));
        // The toast shows the text; the log never does.
        reportPrivately(QStringLiteral("Clipboard"), preview(*text));
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

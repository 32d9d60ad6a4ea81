#include "actions/LocalModelActions.h"

#include "actions/ActionText.h"
#include "actions/AppLauncher.h"
#include "actions/HUDActionService.h"
#include "platform/Clock.h"
#include "platform/Logging.h"
#include "platform/Pasteboard.h"
#include "platform/SystemStats.h"
#include "platform/ToolRunner.h"

#include <QLocale>
#include <QSysInfo>

#include <utility>

namespace {
const QString kStartServer
    = QStringLiteral("command -v ollama >/dev/null && ollama serve >/dev/null 2>&1 &");
} // namespace

LocalModelActions::LocalModelActions(HUDActionService &service, AppLauncher &launcher,
                                     const ToolRunner &tools, Pasteboard &pasteboard,
                                     const SystemStats &stats, const Clock &clock, Options options,
                                     QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_launcher(launcher)
    , m_tools(tools)
    , m_pasteboard(pasteboard)
    , m_stats(stats)
    , m_clock(clock)
    , m_options(std::move(options))
{ }

void LocalModelActions::wake()
{
    m_service.playSelect();
    m_service.beginWork();
    m_service.setLastStatus(QStringLiteral("Waking local AI…"));
    m_ollama.checkServer(this, [this](bool up) {
        if (up) {
            wakeWithServerUp();
            return;
        }
        startServer();
        waitForServer(m_options.serverStartChecks);
    });
}

void LocalModelActions::startServer()
{
    qCDebug(lcActions) << "the local model server is down; starting it";
    // A desktop entry for the server, where a package installed one; the command line below
    // is what starts it everywhere else.
    m_launcher.launchInstalled(QStringLiteral("Ollama"));
    m_tools.startDetached(m_options.loginShell, {QStringLiteral("-lc"), kStartServer});
}

void LocalModelActions::waitForServer(int checksLeft)
{
    if (checksLeft <= 0) {
        afterServerWait();
        return;
    }
    m_service.later(m_options.serverStartIntervalMs, [this, checksLeft] {
        m_ollama.checkServer(this, [this, checksLeft](bool up) {
            if (up)
                afterServerWait();
            else
                waitForServer(checksLeft - 1);
        });
    });
}

void LocalModelActions::afterServerWait()
{
    m_ollama.checkServer(this, [this](bool up) {
        if (up) {
            wakeWithServerUp();
            return;
        }
        m_service.setLastStatus(QStringLiteral("Ollama offline"));
        m_service.report(
            QStringLiteral("Ollama offline"),
            QStringLiteral("Install/start Ollama, then try Tessar Skills / WAKE again."));
        m_service.endWork();
    });
}

void LocalModelActions::wakeWithServerUp()
{
    m_ollama.listModels(this, [this](QStringList models) {
        // Embedding models cannot answer a prompt.
        models.removeIf([](const QString &name) {
            const QString lower = name.toLower();
            return lower.contains(QLatin1String("embed")) || lower.contains(QLatin1String("nomic"));
        });
        if (models.isEmpty()) {
            m_service.announce(QStringLiteral("No models — ollama pull"));
            m_service.endWork();
            return;
        }
        const QString model = models.first();
        m_ollama.warm(model, this, [this, model](std::optional<QString> error) {
            if (!error) {
                m_service.announce(QStringLiteral("Awake · ")
                                   + ActionText::modelDisplayName(model));
            } else {
                m_service.setLastStatus(QStringLiteral("Wake failed"));
                m_service.report(QStringLiteral("Wake failed"), *error);
            }
            m_service.endWork();
        });
    });
}

void LocalModelActions::unload()
{
    m_service.playSelect();
    m_service.beginWork();
    m_service.setLastStatus(QStringLiteral("Unloading models…"));
    m_ollama.checkServer(this, [this](bool up) {
        if (!up) {
            m_service.announce(QStringLiteral("Ollama offline"));
            m_service.endWork();
            return;
        }
        m_ollama.listLoaded(this, [this](const QStringList &loaded) {
            if (loaded.isEmpty()) {
                m_service.announce(QStringLiteral("Idle · nothing loaded"));
                m_service.endWork();
                return;
            }
            unloadEach(loaded, 0);
        });
    });
}

void LocalModelActions::unloadEach(QStringList models, int unloaded)
{
    if (models.isEmpty()) {
        m_service.announce(QStringLiteral("Unloaded %1 model%2")
                               .arg(unloaded)
                               .arg(unloaded == 1 ? QString() : QStringLiteral("s")));
        m_service.endWork();
        return;
    }
    const QString model = models.takeFirst();
    m_ollama.unload(model, this, [this, models, unloaded](bool ok) {
        unloadEach(models, unloaded + (ok ? 1 : 0));
    });
}

void LocalModelActions::copyStatus()
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

void LocalModelActions::finishCopyStatus(bool up, const QStringList &loaded)
{
    const QString summary = ActionText::statusSummary(
        QSysInfo::machineHostName(), QLocale().toString(m_clock.now(), QLocale::ShortFormat),
        m_stats.physicalMemoryBytes(), up, loaded);
    m_pasteboard.setPlainText(summary);
    m_service.setLastStatus(QStringLiteral("Status copied"));
    // The summary is now what the clipboard holds, so the log gets only the title.
    m_service.reportPrivately(QStringLiteral("Status copied"), summary);
}

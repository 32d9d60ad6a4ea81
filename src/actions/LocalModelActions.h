#pragma once

#include "actions/OllamaClient.h"

#include <QObject>
#include <QString>
#include <QStringList>

class AppLauncher;
class Clock;
class HUDActionService;
class Pasteboard;
class SystemStats;
class ToolRunner;

// The local model server's actions: waking a model (starting the server first when it is down
// and waiting for it), unloading every loaded model, and copying a status summary that says
// what runs. Each reports through the action service it belongs to; the HTTP calls are
// asynchronous and come back on the main thread.
class LocalModelActions final : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        // After starting the server: this many checks, this far apart.
        int serverStartChecks = 16;
        int serverStartIntervalMs = 400;
        // The shell that starts the server, as a login shell so it sees the user's PATH.
        QString loginShell;
    };

    LocalModelActions(HUDActionService &service, AppLauncher &launcher, const ToolRunner &tools,
                      Pasteboard &pasteboard, const SystemStats &stats, const Clock &clock,
                      Options options, QObject *parent = nullptr);

    OllamaClient &client() { return m_ollama; }
    const OllamaClient &client() const { return m_ollama; }

    void wake();
    void unload();
    void copyStatus();

private:
    void startServer();
    void waitForServer(int checksLeft);
    void afterServerWait();
    void wakeWithServerUp();
    void unloadEach(QStringList models, int unloaded);
    void finishCopyStatus(bool up, const QStringList &loaded);

    HUDActionService &m_service;
    AppLauncher &m_launcher;
    const ToolRunner &m_tools;
    Pasteboard &m_pasteboard;
    const SystemStats &m_stats;
    const Clock &m_clock;
    Options m_options;
    OllamaClient m_ollama;
};

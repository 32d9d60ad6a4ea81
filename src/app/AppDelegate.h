#pragma once

#include "commandbar/CommandItem.h"

#include <QObject>
#include <QString>

#include <memory>

class FloatingHUDPanelController;
class HotKeyCenter;
class MenuBarController;
class SystemMetricsService;
struct Platform;

// Owns what lives for the whole run and starts it in a fixed order on the main thread.
class AppDelegate final : public QObject
{
    Q_OBJECT
public:
    explicit AppDelegate(Platform &platform, QObject *parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    SystemMetricsService &metrics() const { return *m_metrics; }
    HotKeyCenter &hotKey() const { return *m_hotKey; }
    HotKeyCenter &commandHotKey() const { return *m_commandHotKey; }
    HotKeyCenter &menuHotKey() const { return *m_menuHotKey; }
    HotKeyCenter &hideAllHotKey() const { return *m_hideAllHotKey; }
    MenuBarController *menuBar() const { return m_menuBar.get(); }
    // Created on first use over the metrics service; never replaced.
    FloatingHUDPanelController &hudController();

    // Shows every hideable widget when all are hidden, else hides them all.
    static void toggleAllWidgets();

    // Registers every .ttf file in `folder` for this process; returns how many registered.
    static int registerFonts(const QString &folder);

private:
    // The shell's actions the command bar runs.
    HUDCommands shellCommands();
    void installMenuBar();
    void registerHotKeys();

    Platform &m_platform;
    std::unique_ptr<SystemMetricsService> m_metrics;
    std::unique_ptr<FloatingHUDPanelController> m_hudController;
    std::unique_ptr<MenuBarController> m_menuBar;
    std::unique_ptr<HotKeyCenter> m_hotKey;
    std::unique_ptr<HotKeyCenter> m_commandHotKey;
    std::unique_ptr<HotKeyCenter> m_menuHotKey;
    std::unique_ptr<HotKeyCenter> m_hideAllHotKey;
    bool m_terminated = false;
};

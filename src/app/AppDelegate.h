#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class AppServices;
class FloatingHUDPanelController;
class HotKeyCenter;
class MenuBarController;
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

    AppServices &services() const { return *m_services; }
    MenuBarController *menuBar() const { return m_menuBar.get(); }
    // Created on first use over the services; never replaced.
    FloatingHUDPanelController &hudController();

    // Shows every hideable widget when all are hidden, else hides them all.
    void toggleAllWidgets();

    // Registers every .ttf file in `folder` for this process; returns how many registered.
    static int registerFonts(const QString &folder);

private:
    void installMenuBar();
    void registerHotKeys();
    // Takes the commands `Vantle menu` and its siblings send from other processes.
    void listenForCommands();
    void logFirstSetupCheck();

    Platform &m_platform;
    std::unique_ptr<AppServices> m_services;
    std::unique_ptr<FloatingHUDPanelController> m_hudController;
    std::unique_ptr<MenuBarController> m_menuBar;
    std::vector<std::unique_ptr<HotKeyCenter>> m_hotKeys;
    bool m_terminated = false;
};

#pragma once

#include "app/HotKeyStartup.h"
#include "app/ReadoutWiring.h"
#include "platform/ProcessTable.h"

#include <QObject>
#include <QString>

#include <future>
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
    FloatingHUDPanelController &hudController() const { return *m_hudController; }

    // Shows every hideable widget when all are hidden, else hides them all.
    void toggleAllWidgets();

    // Registers every .ttf file in `folder` for this process; returns how many registered.
    static int registerFonts(const QString &folder);

private:
    // What the first start-up steps need, found off the main thread while the services are
    // built: the other running copies, and the bundled fonts registered.
    struct Prepared
    {
        QList<ProcessEntry> otherCopies;
        int fonts = 0;
    };
    static std::future<Prepared> prepare(const Platform &platform);

    // Builds the panel controller over the services and the readout views, and connects it.
    void makeHUDController();
    void installMenuBar();
    void registerHotKeys();
    // Takes the commands `Vantle menu` and its siblings send from other processes.
    void listenForCommands();
    void logFirstSetupCheck();

    Platform &m_platform;
    std::future<Prepared> m_prepared; // started before the services are built
    std::unique_ptr<AppServices> m_services;
    PanelReports m_panelReports;
    std::unique_ptr<FloatingHUDPanelController> m_hudController;
    std::unique_ptr<MenuBarController> m_menuBar;
    std::vector<std::unique_ptr<HotKeyCenter>> m_hotKeys;
    QList<HotKeyStartup::Registration> m_hotKeyStates; // as registered, then as remapped
    bool m_terminated = false;
};

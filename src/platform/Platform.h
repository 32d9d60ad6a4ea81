#pragma once

#include <memory>

class AppPaths;
class Clock;
class HotKeys;
class LoginItems;
class Pasteboard;
class ProcessTable;
class Screens;
class SystemInfo;
class SystemLog;
class SystemStats;
class ToolRunner;
class UserDefaults;
class WindowSystem;
class Workspace;

// The operating-system services the program leans on. `app/` installs the real ones once at
// start-up, before anything asks for a shared object; tests build their objects over fakes and
// never install anything.
struct Platform
{
    std::unique_ptr<Clock> clock;
    std::unique_ptr<Screens> screens;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<AppPaths> paths;
    std::unique_ptr<SystemLog> log;
    std::unique_ptr<ToolRunner> tools;
    std::unique_ptr<ProcessTable> processes;
    std::unique_ptr<WindowSystem> windows;
    std::unique_ptr<SystemStats> stats;
    std::unique_ptr<LoginItems> loginItems;
    std::unique_ptr<SystemInfo> system;
    std::unique_ptr<HotKeys> hotKeys;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<Pasteboard> pasteboard;

    Platform();
    ~Platform();
    Platform(Platform &&) noexcept;
    Platform &operator=(Platform &&) noexcept;

    // The installed services. Asking before `install` is a programming error and aborts.
    static Platform &installed();
    static void install(Platform platform);
    static bool isInstalled();
};

#pragma once

#include <memory>

class AppPaths;
class Badges;
class CalendarStore;
class Clock;
class HotKeys;
class LoginItems;
class MediaPlayers;
class NetworkPath;
class Pasteboard;
class ProcessTable;
class RemoteControl;
class Screens;
class SystemInfo;
class SystemLog;
class SystemStats;
class ToolRunner;
class UserDefaults;
class WindowSystem;
class Workspace;

// The operating-system services the program leans on. The program builds the real ones once at
// start-up and hands each object the services it needs; tests build their objects over fakes.
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
    std::unique_ptr<CalendarStore> calendars;
    std::unique_ptr<MediaPlayers> players;
    std::unique_ptr<NetworkPath> network;
    std::unique_ptr<Badges> badges;
    std::unique_ptr<RemoteControl> remote;

    Platform();
    ~Platform();
    Platform(Platform &&) noexcept;
    Platform &operator=(Platform &&) noexcept;
};

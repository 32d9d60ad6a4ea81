#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

// One row of the command bar.
struct CommandItem
{
    QString id; // "app:…", "cmd:…", "clip:…", a skill's id, "calc" or "web"
    QString title;
    std::optional<QString> subtitle;
    QString symbol; // symbol name drawn when there is no app icon
    std::optional<QUrl> appURL; // the app's desktop file; only application rows have one
    QString hint; // "OPEN", "SWITCH", "RUN", "TOGGLE", "PASTE" or "COPY"
    int score = 0;
    std::function<void()> run;
    std::optional<QString> altHint;
    std::function<void()> runAlt; // empty when the row has no alternative
};

// The shell's actions the command bar can run, in this order.
struct CommandBarCommands
{
    std::function<void()> toggleHUD = [] {};
    std::function<void()> toggleMenu = [] {};
    std::function<void()> editLayout = [] {};
    std::function<void()> resetLayout = [] {};
    std::function<void()> showInventory = [] {};
    std::function<void()> showSkills = [] {};
    std::function<void()> showEquipment = [] {};
    std::function<void()> showQuest = [] {};
};

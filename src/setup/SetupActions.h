#pragma once

#include <QString>

#include <functional>

// What the setup check's buttons do, supplied by the application. A line whose action is
// missing shows no button.
struct SetupActions
{
    std::function<void()> openCalendar;
    std::function<void()> openShortcuts;
    // Opens the player ("Music" or "Spotify").
    std::function<void(const QString &player)> openPlayer;
    std::function<void()> turnOnLoginItem;
};

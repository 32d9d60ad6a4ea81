#pragma once

#include <QString>

// The account the program runs under, as far as the HUD names the player.
struct UserAccount
{
    QString fullName; // may be empty
    QString loginName;
};

#pragma once

// The user's calendars and reminders as the desktop keeps them.
class CalendarStore
{
public:
    // Whether a kind of item can be read.
    enum class Access {
        granted,
        // No store exists yet.
        notDetermined,
        // A store exists but cannot be read.
        denied,
    };

    virtual ~CalendarStore() = default;

    // May wait on the file system: ask off the main thread.
    virtual Access eventAccess() const = 0;
    virtual Access reminderAccess() const = 0;
};

#pragma once

#include <QString>

#include <functional>

// One line of the setup check: what was checked, what was found and what the user can do.
struct SetupItem
{
    enum class State {
        ok,
        attention,
        optionalMissing,
    };

    QString id;
    QString title;
    QString detail;
    bool required = false;
    State state = State::ok;
    // Empty when the line offers no action.
    QString actionTitle;
    std::function<void()> action;

    bool needsAttention() const { return required && state == State::attention; }
};

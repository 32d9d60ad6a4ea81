#pragma once

#include <QString>

// Whether the program starts when the user logs in, and the switch for it.
class LoginItems
{
public:
    enum class Status {
        notRegistered,
        enabled,
        // The desktop wants the user to approve the item first (not every platform asks).
        requiresApproval,
        notFound,
    };

    virtual ~LoginItems() = default;

    virtual Status status() const = 0;
    // Both answer whether they succeeded; on failure `error` (when given) says why.
    virtual bool registerItem(QString *error = nullptr) = 0;
    virtual bool unregisterItem(QString *error = nullptr) = 0;

    // The absolute path of the program the login item starts.
    virtual QString executablePath() const = 0;
};

#pragma once

#include <QObject>

// The unread counts that mail and chat apps put on their launcher icons. Watched for the whole
// life of the object; `changed` is emitted on the main thread when a count changes.
class Badges : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~Badges() override = default;

    // The counts of the mail and chat apps added together, as of the last news from them.
    virtual int unreadCount() const = 0;

signals:
    void changed();
};

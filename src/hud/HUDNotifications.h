#pragma once

#include <QObject>

// The stores announce a change that affects what is on screen; the panel controller listens. One
// shared object carries it for the whole program.
class HUDNotifications final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void postWidgetsChanged() { emit widgetsChanged(); }

signals:
    void widgetsChanged();
};

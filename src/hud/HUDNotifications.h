#pragma once

#include <QObject>

// "Vantle.widgetsChanged": the stores announce a change that affects what is on screen; the
// panel controller listens. One shared object carries it for the whole program.
class HUDNotifications final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    static constexpr const char *widgetsChangedName = "Vantle.widgetsChanged";

    void postWidgetsChanged() { emit widgetsChanged(); }

signals:
    void widgetsChanged();
};

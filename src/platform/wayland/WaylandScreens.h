#pragma once

#include "platform/Screens.h"

#include <memory>

class WaylandConnection;

// The compositor's outputs as displays: their logical places (xdg-output) in model
// coordinates, the output at the origin first. The compositor tells the pointer only while it
// is over one of our panels, so the pointer is where it was last seen.
class WaylandScreens final : public Screens
{
    Q_OBJECT
public:
    explicit WaylandScreens(std::shared_ptr<WaylandConnection> connection,
                            QObject *parent = nullptr);
    ~WaylandScreens() override;

    QList<ScreenInfo> screens() const override;
    QPointF pointerLocation() const override;

private:
    std::shared_ptr<WaylandConnection> m_connection;
};

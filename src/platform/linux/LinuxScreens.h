#pragma once

#include "platform/Screens.h"

class QScreen;

// Qt's screens, primary first, converted to y-up points with the primary display's height.
class LinuxScreens final : public Screens
{
    Q_OBJECT
public:
    explicit LinuxScreens(QObject *parent = nullptr);

    QList<ScreenInfo> screens() const override;
    QPointF pointerLocation() const override;

private:
    void watch(QScreen *screen);
};

#include "platform/linux/LinuxScreens.h"

#include "platform/Geometry.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

LinuxScreens::LinuxScreens(QObject *parent)
    : Screens(parent)
{
    for (QScreen *s : QGuiApplication::screens())
        watch(s);
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen *s) {
        watch(s);
        emit changed();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, &Screens::changed);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, &Screens::changed);
}

void LinuxScreens::watch(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, this, &Screens::changed);
    connect(screen, &QScreen::availableGeometryChanged, this, &Screens::changed);
}

QList<ScreenInfo> LinuxScreens::screens() const
{
    QList<ScreenInfo> out;
    QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return out;
    const double h = primary->geometry().height();
    auto info = [h](QScreen *s) {
        return ScreenInfo{s->name(), YUp::flip(QRectF(s->geometry()), h),
                          YUp::flip(QRectF(s->availableGeometry()), h)};
    };
    out << info(primary);
    for (QScreen *s : QGuiApplication::screens()) {
        if (s != primary)
            out << info(s);
    }
    return out;
}

QPointF LinuxScreens::pointerLocation() const
{
    QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return {};
    // The pointer sits on a pixel; its y-up location is that pixel's top edge, so a pointer
    // on the top row of the primary display reads as the display's top.
    return YUp::flip(QPointF(QCursor::pos()), primary->geometry().height());
}

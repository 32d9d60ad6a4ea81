#include "platform/wayland/WaylandScreens.h"

#include "platform/Geometry.h"
#include "platform/wayland/WaylandConnection.h"

#include <algorithm>

WaylandScreens::WaylandScreens(std::shared_ptr<WaylandConnection> connection, QObject *parent)
    : Screens(parent)
    , m_connection(std::move(connection))
{
    connect(m_connection.get(), &WaylandConnection::outputsChanged, this, &Screens::changed);
    connect(m_connection.get(), &WaylandConnection::pointerMoved, this, &Screens::pointerMoved);
}

WaylandScreens::~WaylandScreens() = default;

QList<ScreenInfo> WaylandScreens::screens() const
{
    QList<const WaylandOutput *> outputs;
    for (const WaylandOutput *out : m_connection->outputs()) {
        if (out->logical.isValid())
            outputs << out;
    }
    // The output at the origin of the compositor's space is the primary display.
    std::stable_partition(outputs.begin(), outputs.end(), [](const WaylandOutput *out) {
        return out->logical.topLeft() == QPoint(0, 0);
    });
    if (outputs.isEmpty())
        return {};
    const double primaryHeight = outputs.first()->logical.height();
    QList<ScreenInfo> out;
    for (const WaylandOutput *o : outputs) {
        const QRectF frame = YUp::flip(QRectF(o->logical), primaryHeight);
        // The compositor keeps its panels' exclusive zones to itself: the whole output is
        // the visible frame.
        out << ScreenInfo{o->name, frame, frame, {}};
    }
    return out;
}

QPointF WaylandScreens::pointerLocation() const
{
    const ScreenInfo main = mainScreen();
    // Until the pointer first comes over a panel its place is unknown: the middle of the main
    // display stands for it, near no panel.
    if (!m_connection->pointerKnown())
        return main.frame.center();
    return YUp::flip(m_connection->pointer(), main.frame.height());
}

#include "platform/linux/DeviceGeometry.h"

#include "platform/Geometry.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <limits>

QRectF DeviceScreen::logical() const
{
    return {QPointF(device.topLeft()), QSizeF(device.size()) / ratio};
}

QRectF DeviceScreen::toLogical(const QRectF &r) const
{
    const QPointF origin(device.topLeft());
    return {origin + (r.topLeft() - origin) / ratio, r.size() / ratio};
}

QRectF DeviceScreen::toDevice(const QRectF &r) const
{
    const QPointF origin(device.topLeft());
    return {origin + (r.topLeft() - origin) * ratio, r.size() * ratio};
}

DeviceScale DeviceScale::ofToolkit()
{
    QList<DeviceScreen> out;
    for (const QScreen *s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        const double ratio = s->devicePixelRatio() > 0 ? s->devicePixelRatio() : 1.0;
        out << DeviceScreen{QRect(g.topLeft(), (QSizeF(g.size()) * ratio).toSize()), ratio};
    }
    return DeviceScale(out);
}

const DeviceScreen *DeviceScale::screenFor(const QRectF &r, bool logical) const
{
    const DeviceScreen *best = nullptr;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const DeviceScreen &s : m_screens) {
        const double d = YUp::distance(r.center(), logical ? s.logical() : QRectF(s.device));
        if (d < bestDistance) {
            best = &s;
            bestDistance = d;
        }
    }
    return best;
}

QRectF DeviceScale::toLogical(const QRectF &device) const
{
    const DeviceScreen *s = screenFor(device, false);
    return s ? s->toLogical(device) : device;
}

QRectF DeviceScale::toDevice(const QRectF &logical) const
{
    const DeviceScreen *s = screenFor(logical, true);
    return s ? s->toDevice(logical) : logical;
}

QRect workArea(const QRect &monitor, const QList<Strut> &struts, const QSize &root)
{
    int left = monitor.left(), top = monitor.top();
    int right = monitor.x() + monitor.width(), bottom = monitor.y() + monitor.height();
    // Whether the band [start, end] along an edge meets the monitor's span [from, to).
    const auto meets = [](quint32 start, quint32 end, int from, int to) {
        return qint64(start) < to && qint64(end) >= from;
    };
    for (const Strut &s : struts) {
        if (s[0] > 0 && meets(s[4], s[5], monitor.top(), monitor.bottom() + 1))
            left = std::max(left, int(s[0]));
        if (s[1] > 0 && meets(s[6], s[7], monitor.top(), monitor.bottom() + 1))
            right = std::min(right, root.width() - int(s[1]));
        if (s[2] > 0 && meets(s[8], s[9], monitor.left(), monitor.right() + 1))
            top = std::max(top, int(s[2]));
        if (s[3] > 0 && meets(s[10], s[11], monitor.left(), monitor.right() + 1))
            bottom = std::min(bottom, root.height() - int(s[3]));
    }
    const QRect area(left, top, right - left, bottom - top);
    return area.isEmpty() ? monitor : area;
}

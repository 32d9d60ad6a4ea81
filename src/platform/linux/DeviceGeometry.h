#pragma once

#include <QList>
#include <QRect>
#include <QRectF>

#include <array>

// The X server counts device pixels; the toolkit places windows in logical pixels, the device
// pixels of each screen divided by that screen's scale. Qt keeps a screen's top-left corner
// where the server has it and shrinks the rest towards it, so a point on a screen maps as
// origin + (point - origin) / ratio. These are the only conversions between the two.
struct DeviceScreen
{
    QRect device; // the monitor in root coordinates
    double ratio = 1; // device pixels per logical pixel

    QRectF logical() const;
    QRectF toLogical(const QRectF &device) const;
    QRectF toDevice(const QRectF &logical) const;
};

// A rectangle maps with the screen that holds its centre, else with the nearest screen; with
// no screen at all it stays as it is.
class DeviceScale
{
public:
    DeviceScale() = default;
    explicit DeviceScale(QList<DeviceScreen> screens)
        : m_screens(std::move(screens))
    { }
    // The toolkit's screens as it sees them now.
    static DeviceScale ofToolkit();

    QRectF toLogical(const QRectF &device) const;
    QRectF toDevice(const QRectF &logical) const;

private:
    const DeviceScreen *screenFor(const QRectF &r, bool logical) const;

    QList<DeviceScreen> m_screens;
};

// What a dock reserves along the root's edges, as `_NET_WM_STRUT_PARTIAL` has it: left, right,
// top, bottom, then the start and end of each band (left y, right y, top x, bottom x).
using Strut = std::array<quint32, 12>;

// The part of `monitor` (device pixels) that no dock's strut reserves. Each band reserves a
// strip along one edge of the whole root, so it takes from a monitor only where the monitor
// reaches into it; a monitor a strut would swallow whole keeps its full frame.
QRect workArea(const QRect &monitor, const QList<Strut> &struts, const QSize &root);

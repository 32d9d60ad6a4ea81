#include "hud/HUDLayout.h"

#include "hud/HUDLayoutStore.h"
#include "platform/Geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace HUDLayout {

namespace {

using enum HUDWidgetID;
using enum ScreenAnchor;

// The grid snap of default frames: whole multiples of the pitch counted from the visible
// frame's edge.
double snapFrom(double value, double edge)
{
    return edge + gridPitch * std::round((value - edge) / gridPitch);
}

} // namespace

double roundPoint(double v)
{
    return std::round(v);
}

const QList<WidgetSpec> &specs()
{
    static const QList<WidgetSpec> table{
        {playerStatus, {500, 100}, topLeading, 24, 0},
        {partyStrip, {350, 192}, topLeading, 24, -88},
        {targetCursor, {230, 120}, topCenter, 36, 0},
        {nowPlaying, {400, 64}, bottomCenter, 24, 0},
        {fieldHeader, {300, 64}, bottomLeading, 24, 0},
        {menuRail, {504, 472}, trailingMid, 0, 0},
        {summaryPanel, {256, 424}, trailingMid, 0, 0},
        {inventory, {424, 456}, trailingMid, 0, 0},
        {skills, {424, 456}, trailingMid, 0, 0},
        {equipment, {424, 456}, trailingMid, 0, 0},
        {questLog, {360, 336}, trailingMid, 0, 0},
        {skillSlots, {336, 144}, trailingMid, 0, 0},
        {confirmLogout, {320, 220}, center, 0, 0},
    };
    return table;
}

const WidgetSpec &spec(HUDWidgetID id)
{
    for (const WidgetSpec &s : specs()) {
        if (s.id == id)
            return s;
    }
    Q_UNREACHABLE();
}

QList<WidgetSpec> menuSpecs()
{
    QList<WidgetSpec> out;
    for (const WidgetSpec &s : specs()) {
        if (menuTrio().contains(s.id))
            out << s;
    }
    return out;
}

QList<WidgetSpec> readoutSpecs()
{
    static const QSet<HUDWidgetID> onDemand{questLog, inventory, skills, equipment, confirmLogout};
    QList<WidgetSpec> out;
    for (const WidgetSpec &s : specs()) {
        if (!menuTrio().contains(s.id) && !onDemand.contains(s.id))
            out << s;
    }
    return out;
}

const QSet<HUDWidgetID> &scaledWidgets()
{
    static const QSet<HUDWidgetID> set{playerStatus, partyStrip, fieldHeader, targetCursor,
                                       nowPlaying};
    return set;
}

const QList<HUDWidgetID> &menuTrio()
{
    static const QList<HUDWidgetID> list{menuRail, summaryPanel, skillSlots};
    return list;
}

const QSet<HUDWidgetID> &menuGroup()
{
    static const QSet<HUDWidgetID> set{menuRail, summaryPanel, skillSlots, inventory,
                                       skills,   equipment,    questLog};
    return set;
}

const QSet<HUDWidgetID> &followsSummary()
{
    static const QSet<HUDWidgetID> set{inventory, skills, equipment, questLog};
    return set;
}

double scale(HUDWidgetID id, const ScreenInfo &screen)
{
    if (!scaledWidgets().contains(id))
        return 1.0;
    return std::clamp(screen.visibleFrame.width() / 2000.0, 0.72, 0.95);
}

QSizeF scaledSize(const WidgetSpec &spec, const ScreenInfo &screen)
{
    const double s = scale(spec.id, screen);
    return {roundPoint(spec.size.width() * s), roundPoint(spec.size.height() * s)};
}

QRectF frame(const WidgetSpec &spec, const ScreenInfo &screen)
{
    const QRectF vf = screen.visibleFrame;
    // QRectF's top() is the smaller y, which in model coordinates is the bottom edge.
    const double minX = vf.left(), maxX = vf.right(), minY = vf.top(), maxY = vf.bottom();
    const double midX = vf.center().x(), midY = vf.center().y();
    auto snapX = [&](double x) { return snapFrom(x, minX); };
    auto snapY = [&](double y) { return snapFrom(y, minY); };

    if (menuGroup().contains(spec.id)) {
        const WidgetSpec &r = HUDLayout::spec(menuRail);
        const WidgetSpec &s = HUDLayout::spec(summaryPanel);
        const WidgetSpec &q = HUDLayout::spec(skillSlots);
        const double top = snapY(midY + (8 + r.size.height() + q.size.height()) * 0.5);
        const QRectF rail(snapX(maxX - r.size.width()), top - r.size.height(), r.size.width(),
                          r.size.height());
        const QRectF summary(rail.left() - 8 - s.size.width(), top - 24 - s.size.height(),
                             s.size.width(), s.size.height());
        switch (spec.id) {
        case menuRail:
            return rail;
        case skillSlots:
            return {snapX(maxX - 24 - q.size.width()), rail.top() - 8 - q.size.height(),
                    q.size.width(), q.size.height()};
        case summaryPanel:
            return summary;
        default:
            return {summary.left() - 8 - spec.size.width(), top - 24 - spec.size.height(),
                    spec.size.width(), spec.size.height()};
        }
    }

    const double s = scale(spec.id, screen);
    const QSizeF size = scaledSize(spec, screen);
    const double w = size.width(), h = size.height(), m = s * spec.margin;
    double x = 0, y = 0;
    switch (spec.anchor) {
    case topLeading:
        x = minX + m, y = maxY - h - m;
        break;
    case topCenter:
        x = midX - w / 2, y = maxY - h - m;
        break;
    case topTrailing:
        x = maxX - w - m, y = maxY - h - m;
        break;
    case bottomCenter:
        x = midX - w / 2, y = minY + m;
        break;
    case leadingMid:
        x = minX + m, y = midY - h / 2;
        break;
    case trailingMid:
        x = maxX - w - m, y = midY - h / 2 - 10;
        break;
    case bottomLeading:
        x = minX + m, y = minY + m;
        break;
    case bottomTrailing:
        x = maxX - w - m, y = minY + m;
        break;
    case center:
        x = midX - w / 2, y = midY - h / 2;
        break;
    }
    y += s * spec.yOffset;
    return {snapX(x), snapY(y), w, h};
}

QPointF clamp(QPointF origin, const QSizeF &size, const QRectF &vf)
{
    if (vf.width() >= size.width())
        origin.setX(std::min(std::max(origin.x(), vf.left()), vf.right() - size.width()));
    if (vf.height() >= size.height())
        origin.setY(std::min(std::max(origin.y(), vf.top()), vf.bottom() - size.height()));
    return origin;
}

QPointF origin(const WidgetSpec &spec, const ScreenInfo &screen, const HUDLayoutStore &store)
{
    const QRectF f = frame(spec, screen);
    QPointF o = f.topLeft();
    const HUDWidgetID key = followsSummary().contains(spec.id) ? summaryPanel : spec.id;
    const QPointF offset = store.offset(key);
    if (!offset.isNull())
        o += offset;
    return clamp(o, f.size(), screen.visibleFrame);
}

CursorPlacement placeTargetCursor(const QRectF &window, const ScreenInfo &screen)
{
    const QRectF vf = screen.visibleFrame;
    const QSizeF size = scaledSize(spec(targetCursor), screen);
    double x = window.center().x() - size.width() / 2;
    x = std::max(x, vf.left() + 4);
    x = std::min(x, vf.right() - size.width() - 4);
    const double top = window.bottom() + 6;
    return {QRectF(x, std::min(top, vf.bottom() - 4) - size.height(), size.width(), size.height()),
            vf.bottom() - 4 < top + size.height()};
}

ScreenInfo screenUnderPointer(const QList<ScreenInfo> &screens, const QPointF &pointer,
                              const ScreenInfo &mainScreen)
{
    for (const ScreenInfo &s : screens) {
        if (YUp::containsClosed(s.frame, pointer))
            return s;
    }
    if (screens.size() == 1)
        return screens.first();
    if (screens.isEmpty())
        return mainScreen;
    const ScreenInfo *best = nullptr;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const ScreenInfo &s : screens) {
        const double d = YUp::distance(pointer, s.frame);
        if (d < bestDistance) {
            best = &s;
            bestDistance = d;
        }
    }
    return best ? *best : mainScreen;
}

ScreenInfo screenUnderPointer(const Screens &screens)
{
    return screenUnderPointer(screens.screens(), screens.pointerLocation(), screens.mainScreen());
}

} // namespace HUDLayout

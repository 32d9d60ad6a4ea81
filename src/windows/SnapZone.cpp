#include "windows/SnapZone.h"

namespace SnapZones {

QList<SnapZone> all()
{
    return {SnapZone::leftHalf,   SnapZone::rightHalf,  SnapZone::topHalf,   SnapZone::bottomHalf,
            SnapZone::full,       SnapZone::center,     SnapZone::leftThird, SnapZone::middleThird,
            SnapZone::rightThird, SnapZone::nextDisplay};
}

QString rawValue(SnapZone zone)
{
    switch (zone) {
    case SnapZone::leftHalf:
        return QStringLiteral("leftHalf");
    case SnapZone::rightHalf:
        return QStringLiteral("rightHalf");
    case SnapZone::topHalf:
        return QStringLiteral("topHalf");
    case SnapZone::bottomHalf:
        return QStringLiteral("bottomHalf");
    case SnapZone::full:
        return QStringLiteral("full");
    case SnapZone::center:
        return QStringLiteral("center");
    case SnapZone::leftThird:
        return QStringLiteral("leftThird");
    case SnapZone::middleThird:
        return QStringLiteral("middleThird");
    case SnapZone::rightThird:
        return QStringLiteral("rightThird");
    case SnapZone::nextDisplay:
        return QStringLiteral("nextDisplay");
    }
    return {};
}

std::optional<SnapZone> fromRawValue(const QString &raw)
{
    for (SnapZone zone : all()) {
        if (rawValue(zone) == raw)
            return zone;
    }
    return std::nullopt;
}

QString title(SnapZone zone)
{
    switch (zone) {
    case SnapZone::leftHalf:
        return QStringLiteral("Left half");
    case SnapZone::rightHalf:
        return QStringLiteral("Right half");
    case SnapZone::topHalf:
        return QStringLiteral("Top half");
    case SnapZone::bottomHalf:
        return QStringLiteral("Bottom half");
    case SnapZone::full:
        return QStringLiteral("Fill the screen");
    case SnapZone::center:
        return QStringLiteral("Center");
    case SnapZone::leftThird:
        return QStringLiteral("Left third");
    case SnapZone::middleThird:
        return QStringLiteral("Middle third");
    case SnapZone::rightThird:
        return QStringLiteral("Right third");
    case SnapZone::nextDisplay:
        return QStringLiteral("Next display");
    }
    return {};
}

std::optional<QRectF> fractions(SnapZone zone)
{
    // Exact thirds as doubles, no gaps between neighbouring zones.
    constexpr double third = 1.0 / 3.0;
    switch (zone) {
    case SnapZone::leftHalf:
        return QRectF(0, 0, 0.5, 1);
    case SnapZone::rightHalf:
        return QRectF(0.5, 0, 0.5, 1);
    case SnapZone::topHalf:
        return QRectF(0, 0, 1, 0.5);
    case SnapZone::bottomHalf:
        return QRectF(0, 0.5, 1, 0.5);
    case SnapZone::full:
        return QRectF(0, 0, 1, 1);
    case SnapZone::center:
        return QRectF(0.15, 0.1, 0.7, 0.8);
    case SnapZone::leftThird:
        return QRectF(0, 0, third, 1);
    case SnapZone::middleThird:
        return QRectF(third, 0, third, 1);
    case SnapZone::rightThird:
        return QRectF(2.0 / 3.0, 0, third, 1);
    case SnapZone::nextDisplay:
        return std::nullopt;
    }
    return std::nullopt;
}

QRectF relativeFractions(const QRectF &frame, const QRectF &visible)
{
    // In y-up terms the top edge is maxY; QRectF's bottom() is that maximum.
    return {(frame.left() - visible.left()) / visible.width(),
            (visible.bottom() - frame.bottom()) / visible.height(), frame.width() / visible.width(),
            frame.height() / visible.height()};
}

QRectF place(const QRectF &f, const QRectF &visible)
{
    return {visible.left() + f.x() * visible.width(),
            visible.bottom() - (f.y() + f.height()) * visible.height(), f.width() * visible.width(),
            f.height() * visible.height()};
}

std::optional<QRectF> newFrame(SnapZone zone, const QRectF &frame, const QList<ScreenInfo> &screens,
                               qsizetype current)
{
    if (current < 0 || current >= screens.size())
        return std::nullopt;
    if (zone != SnapZone::nextDisplay)
        return place(*fractions(zone), screens.at(current).visibleFrame);
    if (screens.size() < 2)
        return std::nullopt;
    const QRectF kept = relativeFractions(frame, screens.at(current).visibleFrame);
    return place(kept, screens.at((current + 1) % screens.size()).visibleFrame);
}

std::optional<qsizetype> screenIndexFor(const QRectF &rect, const QList<ScreenInfo> &screens)
{
    if (screens.isEmpty())
        return std::nullopt;
    qsizetype best = 0;
    double bestArea = -1;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const QRectF overlap = screens.at(i).frame.intersected(rect);
        const double area = overlap.isValid() ? overlap.width() * overlap.height() : 0.0;
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

} // namespace SnapZones

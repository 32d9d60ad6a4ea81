#pragma once

#include "platform/Screens.h"

#include <QList>
#include <QRectF>
#include <QString>

#include <optional>

// The ten places a window can be snapped to. The declaration order is the order of the zone grid
// in the Equipment panel.
enum class SnapZone {
    leftHalf,
    rightHalf,
    topHalf,
    bottomHalf,
    full,
    center,
    leftThird,
    middleThird,
    rightThird,
    nextDisplay
};

// Fractions here are of a screen's visible frame, measured from its top-left corner with y
// downwards (x, y, width, height); frames are model rectangles (y up).
namespace SnapZones {

QList<SnapZone> all();
// The case name ("leftHalf"), which is also the zone's identifier.
QString rawValue(SnapZone zone);
std::optional<SnapZone> fromRawValue(const QString &raw);
QString title(SnapZone zone);
// The zone's rectangle as fractions; none for `nextDisplay`.
std::optional<QRectF> fractions(SnapZone zone);

// Where `frame` sits within `visible`, as fractions.
QRectF relativeFractions(const QRectF &frame, const QRectF &visible);
// The frame that sits at `fractions` of `visible`.
QRectF place(const QRectF &fractions, const QRectF &visible);

// The frame a window at `frame` on `screens[current]` gets when snapped to `zone`. `nextDisplay`
// moves it to the following screen (the last wraps to the first) at the same fractions of the
// visible frame; it gives none with fewer than two screens, as does a bad `current`.
std::optional<QRectF> newFrame(SnapZone zone, const QRectF &frame, const QList<ScreenInfo> &screens,
                               qsizetype current);

// The index of the screen whose frame shows most of `rect`: the earlier screen wins a tie, and a
// rectangle on no screen gives the first. None without screens.
std::optional<qsizetype> screenIndexFor(const QRectF &rect, const QList<ScreenInfo> &screens);

} // namespace SnapZones

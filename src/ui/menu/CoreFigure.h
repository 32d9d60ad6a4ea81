#pragma once

#include <QPainterPath>
#include <QRectF>

// The player's silhouette: a head over one closed body outline, drawn in a design box of
// 100 × 220 units stretched to fill `rect`.
QPainterPath CoreFigure(const QRectF &rect);

#pragma once

#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>

// One display in model coordinates (points, y up, origin at the primary display's bottom-left).
struct ScreenInfo
{
    QString name;
    QRectF frame;
    QRectF visibleFrame; // the frame less panels and docks (the work area)
    // What tells this monitor from another of the same name: a hash of its EDID; empty when
    // the server reports none.
    QString identity;

    bool operator==(const ScreenInfo &) const = default;
};

// The displays and the pointer. `screens` lists the primary display first.
class Screens : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Screens() override = default;

    virtual QList<ScreenInfo> screens() const = 0;
    virtual QPointF pointerLocation() const = 0;

    // The primary display; an empty record when there is no display at all.
    ScreenInfo mainScreen() const;

    // While watched, `pointerMoved` follows the pointer (at most every few tens of
    // milliseconds). Watching is counted: each start needs its stop.
    virtual void startPointerWatch() { }
    virtual void stopPointerWatch() { }
    // Whether `pointerMoved` arrives at all; without it the caller polls `pointerLocation`.
    virtual bool watchesPointer() const { return false; }

signals:
    // A display was added or removed, or a frame changed.
    void changed();
    void pointerMoved();
};

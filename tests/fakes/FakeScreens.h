#pragma once

#include "platform/Screens.h"

// Displays and a pointer set by the test, in model coordinates.
class FakeScreens final : public Screens
{
public:
    QList<ScreenInfo> screens() const override { return m_screens; }
    QPointF pointerLocation() const override
    {
        ++pointerReads;
        return m_pointer;
    }
    void startPointerWatch() override { ++watchers; }
    void stopPointerWatch() override { --watchers; }
    bool watchesPointer() const override { return watching; }

    // Moves the pointer and reports it, as the real screens do while watched.
    void movePointer(QPointF p)
    {
        m_pointer = p;
        if (watchers > 0)
            emit pointerMoved();
    }
    void setPointer(QPointF p) { m_pointer = p; }
    void setScreens(QList<ScreenInfo> screens)
    {
        m_screens = std::move(screens);
        emit changed();
    }
    // A display whose visible frame is the frame less a top bar of `topBar` points.
    static ScreenInfo make(const QString &name, QRectF frame, double topBar = 0)
    {
        return {name, frame, frame.adjusted(0, 0, 0, -topBar)};
    }

    mutable int pointerReads = 0;
    bool watching = false;
    int watchers = 0;

private:
    QList<ScreenInfo> m_screens;
    QPointF m_pointer;
};

#pragma once

#include "platform/Screens.h"

#include <QAbstractNativeEventFilter>

#include <memory>

class QScreen;
class QTimer;

// Qt's screens, primary first, converted to y-up points with the primary display's height.
class LinuxScreens final : public Screens
{
    Q_OBJECT
public:
    explicit LinuxScreens(QObject *parent = nullptr);

    ~LinuxScreens() override;

    QList<ScreenInfo> screens() const override;
    QPointF pointerLocation() const override;

    // Pointer motion comes from XInput2 raw motion events on the root window: nothing runs
    // while the pointer rests, and no grab or focus is needed.
    void startPointerWatch() override;
    void stopPointerWatch() override;
    bool watchesPointer() const override;

private:
    class MotionFilter;
    void watch(QScreen *screen);
    void selectRawMotion(bool on);
    void noteMotion();

    std::unique_ptr<MotionFilter> m_filter;
    QTimer *m_coalesce = nullptr;
    QTimer *m_settle = nullptr;
    QTimer *m_recheck = nullptr;
    QList<ScreenInfo> m_heard;
    int m_watchers = 0;
    int m_xinputOpcode = -1;
};

#pragma once

#include "platform/Screens.h"
#include "platform/linux/DeviceGeometry.h"

#include <QAbstractNativeEventFilter>
#include <QHash>

#include <memory>

class QScreen;
class QTimer;

// The X server's monitors, primary first, in the toolkit's logical pixels (the server's device
// pixels divided by Qt's scale on each monitor), converted to y-up points with the primary
// display's height; Qt's screens where the server has no RandR 1.5. A monitor's visible frame
// leaves out what the docks' struts reserve on it.
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
    class EventFilter;
    void watch(QScreen *screen);
    QList<ScreenInfo> readServer();
    // A hash of the EDID of the first of `outputs` that has one; empty when none has.
    QString identityOf(const QList<quint32> &outputs) const;
    static QList<ScreenInfo> qtScreens();
    static double ratioOf(const QString &name, const QRect &device);
    QList<Strut> readStruts() const;
    void selectRawMotion(bool on);
    void noteMotion();

    std::unique_ptr<EventFilter> m_filter;
    QTimer *m_coalesce = nullptr;
    QTimer *m_settle = nullptr;
    QList<ScreenInfo> m_current; // the server's monitors when last settled
    QHash<quint32, QString> m_monitorNames;
    quint32 m_root = 0;
    quint32 m_workAreaAtom = 0;
    quint32 m_clientListAtom = 0;
    quint32 m_strutPartialAtom = 0;
    quint32 m_strutAtom = 0;
    quint32 m_edidAtom = 0;
    int m_watchers = 0;
    int m_xinputOpcode = -1;
    int m_randrEvent = -1;
};

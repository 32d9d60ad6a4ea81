#pragma once

#include "platform/HotKeys.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtGlobal>

#include <functional>

// Holds one global key combination under a fixed id (1 HUD, 2 command bar, 3 menu, 4 hide-all)
// and runs its action when the combination is pressed.
//
// Several centres share one `HotKeys` service; each reacts only to presses of its own id. The
// action runs as the service delivers the press, from the main event loop, and only if the
// centre still holds it then.
class HotKeyCenter final : public QObject
{
    Q_OBJECT
public:
    // Nothing is registered yet. Without a service (`hotKeys` null) every registration fails.
    HotKeyCenter(quint32 id, HotKeys *hotKeys, QObject *parent = nullptr);
    // Unregisters.
    ~HotKeyCenter() override;

    // Replaces any earlier registration of this centre with `keyCode` + `modifiers` (the
    // `HotKeys` key and modifier values) and `callback`. True when the combination is active;
    // false when it is taken or cannot be had, and then presses do nothing until the next
    // registration.
    bool registerHotKey(quint32 keyCode, quint32 modifiers, std::function<void()> callback);

    // Releases the combination and drops the action. Safe at any time, any number of times.
    void unregister();

    quint32 hotKeyID() const { return m_hotKeyID; }
    // Whether the combination is currently held for this centre.
    bool isRegistered() const { return m_registered; }

signals:
    // The keyboard mapping changed and the combination was taken again on the keys that type
    // it now (`registered`), or lost to another program's grab of those.
    void registrationChanged(bool registered);

private:
    void handlePress(int id);

    QPointer<HotKeys> m_hotKeys;
    QMetaObject::Connection m_handler;
    QMetaObject::Connection m_regrabs;
    bool m_registered = false;
    bool m_lost = false; // held once, lost to a mapping change: the service still wants it back
    std::function<void()> m_callback;
    quint32 m_hotKeyID = 0;
};

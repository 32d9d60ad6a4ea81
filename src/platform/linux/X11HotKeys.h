#pragma once

#include "platform/HotKeys.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QList>

// Hot keys as passive key grabs on the root window, over the connection Qt opened.
//
// X matches a grab's modifiers exactly, lock modifiers included, so each combination is grabbed
// once for every mix of NumLock, CapsLock and ScrollLock; otherwise it would go dead whenever
// NumLock is on. Every grab is a checked request: another client holding any variant makes the
// whole grab fail, and the variants already taken are given back.
class X11HotKeys final : public HotKeys, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    explicit X11HotKeys(QObject *parent = nullptr);
    ~X11HotKeys() override;

    bool grab(int id, quint32 key, quint32 modifiers) override;
    void release(int id) override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Grab
    {
        quint8 keycode = 0;
        quint16 modifiers = 0; // X modifier mask, without lock bits
        quint16 locks = 0; // the lock bits a press may carry on top of `modifiers`
        QList<quint16> variants; // every full mask actually grabbed
    };

    void ungrab(quint8 keycode, const QList<quint16> &masks);

    struct xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    QHash<int, Grab> m_grabs;
};

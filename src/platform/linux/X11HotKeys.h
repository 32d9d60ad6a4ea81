#pragma once

#include "platform/HotKeys.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QList>

#include <memory>
#include <optional>

// Hot keys as passive key grabs on the root window, over the connection Qt opened.
//
// X matches a grab's modifiers exactly, lock modifiers included, so each combination is grabbed
// once for every mix of NumLock, CapsLock and ScrollLock; otherwise it would go dead whenever
// NumLock is on. Every grab is a checked request: another client holding any variant makes the
// whole grab fail, and the variants already taken are given back.
//
// A grab names a key code, but the combination names the key that types a letter: when the
// keyboard mapping changes (another layout, a new keyboard), every held combination is grabbed
// again on the keys that type it now, and `regrabbed` reports each that moved.
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
    struct Wanted
    {
        quint32 key = 0;
        quint32 modifiers = 0;
    };
    struct Grab
    {
        quint8 keycode = 0;
        quint16 modifiers = 0; // X modifier mask, without lock bits
        quint16 locks = 0; // the lock bits a press may carry on top of `modifiers`
        QList<quint16> variants; // every full mask actually grabbed
    };

    void ungrab(quint8 keycode, const QList<quint16> &masks);
    // The keycode and X modifier mask that make `key` + `modifiers` in the current mapping.
    std::optional<Grab> resolve(quint32 key, quint32 modifiers);
    bool take(int id, const Grab &wanted);
    void followMapping();

    struct xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    QHash<int, Grab> m_grabs;
    // Combinations once held, kept through a mapping that lost them, so a later one can give
    // them back; released ids are gone from it.
    QHash<int, Wanted> m_wanted;
    class QTimer *m_remap = nullptr;
    int m_xkbEvent = -1;
    // The mapping as read for the grabs made in one go (the hot keys at start): dropped once
    // control is back in the event loop, so a later grab reads the mapping of its moment.
    struct Keymap;
    std::unique_ptr<Keymap> m_keymap;
};

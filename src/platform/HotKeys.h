#pragma once

#include <QObject>
#include <QtGlobal>

// System-wide key combinations that reach this program while another app is frontmost.
//
// Keys and modifiers are named in our own portable terms: the key codes are the classic
// virtual key codes of the letters and Space, and the modifier bits are the classic event
// modifier bits, so the default combinations read the same on every desktop. Each backend maps
// them onto its own keys (on X11: Control, Alt = Mod1, Super = Mod4).
class HotKeys : public QObject
{
    Q_OBJECT
public:
    // The keys a combination can be built on.
    enum Key : quint32 {
        KeyH = 4,
        KeyX = 7,
        KeyM = 46,
        KeySpace = 49,
    };

    // Modifier bits; combine with `|`.
    enum Modifier : quint32 {
        Command = 256, // Super on Linux
        Shift = 512,
        Option = 2048, // Alt on Linux
        Control = 4096,
    };

    using QObject::QObject;
    ~HotKeys() override = default;

    // Takes `key` with exactly `modifiers` for `id`, replacing what `id` held before. True only
    // once the desktop has confirmed the combination is ours; false when another program holds
    // it, the key is unknown, or there is no desktop to ask. A failed grab holds nothing.
    virtual bool grab(int id, quint32 key, quint32 modifiers) = 0;

    // Gives up what `id` holds; nothing happens when it holds nothing.
    virtual void release(int id) = 0;

signals:
    // A held combination was pressed. Always delivered from the event loop of the main thread,
    // never from inside the backend's event handling.
    void pressed(int id);
    // After the keyboard mapping changed, `id`'s combination moved to the keys that type it now:
    // `held` false when another program holds those (`id` then holds nothing until a later
    // mapping frees them), true when it is held again.
    void regrabbed(int id, bool held);
};

#include "platform/linux/X11HotKeys.h"

#include "platform/Logging.h"

#include "platform/linux/Xcb.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <initializer_list>

namespace {

// Keysyms (X11/keysymdef.h) of the keys we grab and of the modifier keys we look up.
constexpr xcb_keysym_t SymSpace = 0x0020;
constexpr xcb_keysym_t SymH = 0x0068;
constexpr xcb_keysym_t SymM = 0x006d;
constexpr xcb_keysym_t SymX = 0x0078;
constexpr xcb_keysym_t SymScrollLock = 0xff14;
constexpr xcb_keysym_t SymNumLock = 0xff7f;
constexpr xcb_keysym_t SymAltL = 0xffe9;
constexpr xcb_keysym_t SymSuperL = 0xffeb;

// The eight real modifiers; pointer-button bits in a key event's state are not ours to match.
constexpr quint16 KeyModifierBits = 0xff;

xcb_keysym_t keysymFor(quint32 key)
{
    switch (key) {
    case HotKeys::KeyH:
        return SymH;
    case HotKeys::KeyX:
        return SymX;
    case HotKeys::KeyM:
        return SymM;
    case HotKeys::KeySpace:
        return SymSpace;
    default:
        return XCB_NO_SYMBOL;
    }
}

// The first keycode that produces `sym` in the current keyboard mapping, or 0.
xcb_keycode_t keycodeFor(xcb_key_symbols_t *symbols, xcb_keysym_t sym)
{
    xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, sym);
    if (!codes)
        return 0;
    const xcb_keycode_t code = codes[0] == XCB_NO_SYMBOL ? 0 : codes[0];
    std::free(codes);
    return code;
}

// Which real modifier each logical modifier sits on in the server's current modifier mapping.
// Alt and Super sit on Mod1 and Mod4 on practically every keymap; the lock keys vary, and
// ScrollLock is often on no modifier at all.
struct ModifierMasks
{
    quint16 alt = XCB_MOD_MASK_1;
    quint16 super = XCB_MOD_MASK_4;
    quint16 numLock = 0;
    quint16 scrollLock = 0;
};

ModifierMasks readModifierMasks(xcb_connection_t *c, xcb_key_symbols_t *symbols)
{
    ModifierMasks masks;
    xcb_get_modifier_mapping_reply_t *reply
        = xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
    if (!reply)
        return masks;
    const xcb_keycode_t *map = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;

    // Mod1 .. Mod5 only: a key on Shift, Lock or Control is no use as Alt, Super or a lock.
    const auto maskOf = [&](xcb_keysym_t sym) -> quint16 {
        const xcb_keycode_t code = keycodeFor(symbols, sym);
        if (code == 0)
            return 0;
        for (int mod = 3; mod < 8; ++mod) {
            for (int i = 0; i < perModifier; ++i) {
                if (map[mod * perModifier + i] == code)
                    return quint16(1u << mod);
            }
        }
        return 0;
    };
    if (const quint16 alt = maskOf(SymAltL))
        masks.alt = alt;
    if (const quint16 super = maskOf(SymSuperL))
        masks.super = super;
    masks.numLock = maskOf(SymNumLock);
    masks.scrollLock = maskOf(SymScrollLock);
    std::free(reply);
    return masks;
}

} // namespace

X11HotKeys::X11HotKeys(QObject *parent)
    : HotKeys(parent)
{
    m_connection = Xcb::connection();
    if (!m_connection)
        return;
    m_root = Xcb::rootOf(m_connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeys::~X11HotKeys()
{
    // Qt closes its connection when the application object goes; the server drops our grabs
    // with it, and the connection must not be touched after that.
    if (!qGuiApp)
        return;
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it)
        ungrab(it->keycode, it->variants);
}

bool X11HotKeys::grab(int id, quint32 key, quint32 modifiers)
{
    release(id);
    if (!m_connection || !m_root)
        return false;
    const xcb_keysym_t sym = keysymFor(key);
    if (sym == XCB_NO_SYMBOL)
        return false;

    // Read afresh on each grab, so a keymap changed since start-up is honoured.
    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
    if (!symbols)
        return false;
    const xcb_keycode_t keycode = keycodeFor(symbols, sym);
    const ModifierMasks masks = readModifierMasks(m_connection, symbols);
    xcb_key_symbols_free(symbols);
    if (keycode == 0)
        return false;

    Grab g;
    g.keycode = keycode;
    if (modifiers & Control)
        g.modifiers |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Shift)
        g.modifiers |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Option)
        g.modifiers |= masks.alt;
    if (modifiers & Command)
        g.modifiers |= masks.super;

    // X would let us grab one combination twice, the second silently replacing the first;
    // treat it as taken, like any other client's grab.
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
        if (it->keycode == g.keycode && it->modifiers == g.modifiers) {
            qCDebug(lcX11) << "key" << keycode << "modifiers" << g.modifiers << "already grabbed";
            return false;
        }
    }

    QList<quint16> lockMixes{0};
    for (const quint16 lock : {masks.numLock, quint16(XCB_MOD_MASK_LOCK), masks.scrollLock}) {
        if (lock == 0 || (lock & (g.locks | g.modifiers)))
            continue;
        g.locks |= lock;
        for (qsizetype i = 0, n = lockMixes.size(); i < n; ++i)
            lockMixes << quint16(lockMixes[i] | lock);
    }

    // All requests go out before the first check, so the grab costs one round trip.
    QList<xcb_void_cookie_t> cookies;
    for (const quint16 locks : lockMixes) {
        // owner_events off: the press is always reported on the root window, even when one of
        // our own windows has the focus.
        cookies << xcb_grab_key_checked(m_connection, 0, m_root, g.modifiers | locks, keycode,
                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    }
    bool all = true;
    for (qsizetype i = 0; i < cookies.size(); ++i) {
        if (xcb_generic_error_t *error = xcb_request_check(m_connection, cookies[i])) {
            // BadAccess: another client holds this variant.
            all = false;
            std::free(error);
        } else {
            g.variants << quint16(g.modifiers | lockMixes[i]);
        }
    }
    if (!all) {
        qCDebug(lcX11) << "key" << keycode << "modifiers" << g.modifiers
                       << "is held by another client";
        ungrab(keycode, g.variants);
        return false;
    }
    qCDebug(lcX11) << "grabbed key" << keycode << "modifiers" << g.modifiers << "as hot key" << id;
    m_grabs.insert(id, g);
    return true;
}

void X11HotKeys::release(int id)
{
    const auto it = m_grabs.constFind(id);
    if (it == m_grabs.constEnd())
        return;
    ungrab(it->keycode, it->variants);
    m_grabs.erase(it);
}

void X11HotKeys::ungrab(quint8 keycode, const QList<quint16> &masks)
{
    if (masks.isEmpty())
        return;
    for (const quint16 mask : masks)
        xcb_ungrab_key(m_connection, keycode, m_root, mask);
    xcb_flush(m_connection);
}

bool X11HotKeys::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (m_grabs.isEmpty() || eventType != QByteArrayLiteral("xcb_generic_event_t"))
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto *press = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if (press->event != m_root)
        return false;
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
        if (press->detail != it->keycode
            || (press->state & KeyModifierBits & ~it->locks) != it->modifiers)
            continue;
        // Handled later from the event loop, never inside Qt's event dispatch.
        const int id = it.key();
        qCDebug(lcX11) << "hot key" << id << "pressed";
        QMetaObject::invokeMethod(
            this, [this, id] { emit pressed(id); }, Qt::QueuedConnection);
        return true;
    }
    return false;
}

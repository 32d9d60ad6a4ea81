#include "platform/linux/X11HotKeys.h"

#include "platform/Logging.h"

#include "platform/linux/Xcb.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
// The XKB header names a structure member `explicit`, which C++ reserves.
#define explicit xkb_explicit
#include <xcb/xkb.h>
#undef explicit

#include <algorithm>
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

struct X11HotKeys::Keymap
{
    xcb_key_symbols_t *symbols = nullptr;
    ModifierMasks masks;

    ~Keymap() { xcb_key_symbols_free(symbols); }
};

X11HotKeys::X11HotKeys(QObject *parent)
    : HotKeys(parent)
{
    m_connection = Xcb::connection();
    if (!m_connection)
        return;
    m_root = Xcb::rootOf(m_connection);
    // A layout switch comes as several reports (a new keyboard, then its maps): the keys are
    // grabbed again once, after they stop.
    m_remap = new QTimer(this);
    m_remap->setSingleShot(true);
    m_remap->setInterval(50);
    connect(m_remap, &QTimer::timeout, this, &X11HotKeys::followMapping);
    // Qt selects these on the connection for its own keymap; asked here too, so the keys do not
    // depend on that. The server sends core MappingNotify only to clients without XKB.
    const xcb_query_extension_reply_t *xkb = xcb_get_extension_data(m_connection, &xcb_xkb_id);
    if (xkb && xkb->present) {
        m_xkbEvent = xkb->first_event;
        const auto use = Xcb::take(
            xcb_xkb_use_extension_reply(
                m_connection,
                xcb_xkb_use_extension(m_connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
                nullptr),
            nullptr);
        constexpr uint16_t events
            = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
        constexpr uint16_t parts = XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP;
        xcb_xkb_select_events(m_connection, XCB_XKB_ID_USE_CORE_KBD, events, 0, events, parts,
                              parts, nullptr);
        xcb_flush(m_connection);
    }
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

std::optional<X11HotKeys::Grab> X11HotKeys::resolve(quint32 key, quint32 modifiers)
{
    const xcb_keysym_t sym = keysymFor(key);
    if (!m_connection || !m_root || sym == XCB_NO_SYMBOL)
        return std::nullopt;
    // Read afresh for each burst of grabs, so the mapping of the moment is honoured: one grab
    // after another from the same call costs no further round trips.
    if (!m_keymap) {
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
        if (!symbols)
            return std::nullopt;
        m_keymap = std::make_unique<Keymap>();
        m_keymap->symbols = symbols;
        m_keymap->masks = readModifierMasks(m_connection, symbols);
        QMetaObject::invokeMethod(
            this, [this] { m_keymap.reset(); }, Qt::QueuedConnection);
    }
    const xcb_keycode_t keycode = keycodeFor(m_keymap->symbols, sym);
    const ModifierMasks masks = m_keymap->masks;
    if (keycode == 0)
        return std::nullopt;

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
    for (const quint16 lock : {masks.numLock, quint16(XCB_MOD_MASK_LOCK), masks.scrollLock}) {
        if (lock != 0 && !(lock & (g.locks | g.modifiers)))
            g.locks |= lock;
    }
    return g;
}

bool X11HotKeys::grab(int id, quint32 key, quint32 modifiers)
{
    release(id);
    const std::optional<Grab> g = resolve(key, modifiers);
    if (!g || !take(id, *g))
        return false;
    m_wanted.insert(id, {key, modifiers});
    return true;
}

bool X11HotKeys::take(int id, const Grab &wanted)
{
    Grab g = wanted;
    // X would let us grab one combination twice, the second silently replacing the first;
    // treat it as taken, like any other client's grab.
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
        if (it->keycode == g.keycode && it->modifiers == g.modifiers) {
            qCDebug(lcX11) << "key" << g.keycode << "modifiers" << g.modifiers << "already grabbed";
            return false;
        }
    }

    // Every mix of the lock bits.
    QList<quint16> lockMixes{0};
    for (quint16 bit = 1; bit <= 0x80; bit = quint16(bit << 1)) {
        if (!(g.locks & bit))
            continue;
        for (qsizetype i = 0, n = lockMixes.size(); i < n; ++i)
            lockMixes << quint16(lockMixes[i] | bit);
    }

    // All requests go out before the first check, so the grab costs one round trip.
    QList<xcb_void_cookie_t> cookies;
    for (const quint16 locks : lockMixes) {
        // owner_events off: the press is always reported on the root window, even when one of
        // our own windows has the focus.
        cookies << xcb_grab_key_checked(m_connection, 0, m_root, g.modifiers | locks, g.keycode,
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
        qCDebug(lcX11) << "key" << g.keycode << "modifiers" << g.modifiers
                       << "is held by another client";
        ungrab(g.keycode, g.variants);
        return false;
    }
    qCDebug(lcX11) << "grabbed key" << g.keycode << "modifiers" << g.modifiers << "as hot key"
                   << id;
    m_grabs.insert(id, g);
    return true;
}

void X11HotKeys::followMapping()
{
    // Everything that moved is let go first, so two combinations swapping keys do not find
    // each other in the way.
    QList<std::pair<int, Grab>> moved;
    for (auto it = m_wanted.cbegin(); it != m_wanted.cend(); ++it) {
        const std::optional<Grab> now = resolve(it->key, it->modifiers);
        const auto held = m_grabs.constFind(it.key());
        const bool same = held != m_grabs.constEnd() && now && now->keycode == held->keycode
            && now->modifiers == held->modifiers && now->locks == held->locks;
        if (same)
            continue;
        if (held != m_grabs.constEnd()) {
            ungrab(held->keycode, held->variants);
            m_grabs.erase(held);
        }
        moved << std::pair(it.key(), now.value_or(Grab{}));
    }
    std::sort(moved.begin(), moved.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &[id, g] : std::as_const(moved)) {
        const bool held = g.keycode != 0 && take(id, g);
        qCDebug(lcX11) << "keyboard mapping changed: hot key" << id << (held ? "moved" : "lost");
        emit regrabbed(id, held);
    }
}

void X11HotKeys::release(int id)
{
    m_wanted.remove(id);
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
    if (m_wanted.isEmpty() || eventType != QByteArrayLiteral("xcb_generic_event_t"))
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const int kind = event->response_type & 0x7f;
    // Looked at only: Qt follows the same reports for its own keymap.
    if (kind == XCB_MAPPING_NOTIFY) {
        m_remap->start();
        return false;
    }
    if (m_xkbEvent >= 0 && kind == m_xkbEvent) {
        const auto *xkb = reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t *>(event);
        if (xkb->xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkb->xkbType == XCB_XKB_MAP_NOTIFY)
            m_remap->start();
        return false;
    }
    if (kind != XCB_KEY_PRESS)
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

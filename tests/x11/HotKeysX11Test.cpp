#include "app/HotKeyCenter.h"
#include "hud/HUDHotKeys.h"
#include "platform/linux/X11HotKeys.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <initializer_list>

// Runs on a private Xvfb display with openbox, where Alt is Mod1, NumLock Mod2 and Super Mod4.
namespace {

constexpr quint16 CtrlAltSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
constexpr quint16 NumLockMask = XCB_MOD_MASK_2;
constexpr xcb_keysym_t SymH = 0x68;
constexpr xcb_keysym_t SymX = 0x78;

// Another program on the same display: a connection of its own.
class OtherClient final
{
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }

    bool grab(xcb_keysym_t sym, quint16 modifiers)
    {
        xcb_generic_error_t *error = xcb_request_check(
            m_connection,
            xcb_grab_key_checked(m_connection, 0, m_root, modifiers, keycode(sym),
                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }

    void ungrab(xcb_keysym_t sym, quint16 modifiers)
    {
        xcb_ungrab_key(m_connection, keycode(sym), m_root, modifiers);
        sync();
    }

    // The keyboard modifiers (locks included) as the server has them now.
    quint16 modifierState()
    {
        xcb_query_pointer_reply_t *reply = xcb_query_pointer_reply(
            m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
        const quint16 mask = reply ? reply->mask : 0;
        std::free(reply);
        return mask;
    }

private:
    xcb_keycode_t keycode(xcb_keysym_t sym)
    {
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, sym);
        const xcb_keycode_t code = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
        return code;
    }

    // A round trip, so every request sent so far has been carried out.
    void sync()
    {
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root = 0;
};

void xdotool(const QStringList &arguments)
{
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0) << "xdotool failed";
}

// The four centres of the program, registered with the default combinations; each press is
// recorded by id.
struct FourKeys
{
    explicit FourKeys(HotKeys *keys)
        : hud(1, keys)
        , command(2, keys)
        , menu(3, keys)
        , hideAll(4, keys)
    { }

    bool registerAll()
    {
        bool ok
            = hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [this] { ran << 1; });
        ok &= command.registerHotKey(CommandBarHotKey.keyCode, CommandBarHotKey.modifiers,
                                     [this] { ran << 2; });
        ok &= menu.registerHotKey(MenuHotKey.keyCode, MenuHotKey.modifiers, [this] { ran << 3; });
        ok &= hideAll.registerHotKey(HideAllHotKey.keyCode, HideAllHotKey.modifiers,
                                     [this] { ran << 4; });
        return ok;
    }

    HotKeyCenter hud, command, menu, hideAll;
    QList<int> ran;
};

} // namespace

TEST(HotKeysX11, MenuComboRunsOnlyTheMenuCentreWithAndWithoutNumLock)
{
    X11HotKeys keys;
    FourKeys centres(&keys);
    ASSERT_TRUE(centres.registerAll());

    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+super+m")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !centres.ran.isEmpty(); }, 5000));
    EXPECT_EQ(centres.ran, QList<int>{3});

    OtherClient observer;
    xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")});
    ASSERT_TRUE(observer.modifierState() & NumLockMask) << "NumLock did not come on";
    centres.ran.clear();
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+super+m")});
    const bool seen = QTest::qWaitFor([&] { return !centres.ran.isEmpty(); }, 5000);
    xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")});
    EXPECT_FALSE(observer.modifierState() & NumLockMask) << "NumLock stayed on";
    ASSERT_TRUE(seen) << "the press with NumLock on did not arrive";
    EXPECT_EQ(centres.ran, QList<int>{3});
}

TEST(HotKeysX11, ComboHeldByAnotherClientFailsUntilItLetsGo)
{
    X11HotKeys keys;
    HotKeyCenter hud(1, &keys);
    HotKeyCenter hideAll(4, &keys);
    OtherClient other;
    ASSERT_TRUE(other.grab(SymH, CtrlAltSuper));

    EXPECT_FALSE(hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [] {}));
    EXPECT_TRUE(hideAll.registerHotKey(HideAllHotKey.keyCode, HideAllHotKey.modifiers, [] {}));

    other.ungrab(SymH, CtrlAltSuper);
    EXPECT_TRUE(hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [] {}));
}

TEST(HotKeysX11, FailedGrabGivesBackTheVariantsItHadTaken)
{
    X11HotKeys keys;
    HotKeyCenter hud(1, &keys);
    OtherClient other;
    // Only the NumLock variant is taken, so ours gets some variants before it fails.
    ASSERT_TRUE(other.grab(SymH, CtrlAltSuper | NumLockMask));
    EXPECT_FALSE(hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [] {}));

    for (const quint16 locks :
         std::initializer_list<quint16>{0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_LOCK | NumLockMask})
        EXPECT_TRUE(other.grab(SymH, CtrlAltSuper | locks)) << "variant " << locks << " kept";
}

TEST(HotKeysX11, UnregisterReleasesEveryVariant)
{
    X11HotKeys keys;
    OtherClient other;
    {
        HotKeyCenter hideAll(4, &keys);
        ASSERT_TRUE(
            hideAll.registerHotKey(HideAllHotKey.keyCode, HideAllHotKey.modifiers, [] {}));
        EXPECT_FALSE(other.grab(SymX, CtrlAltSuper | NumLockMask)) << "NumLock variant not held";
        hideAll.unregister();
    }
    for (const quint16 locks : std::initializer_list<quint16>{0, XCB_MOD_MASK_LOCK, NumLockMask,
                                                              XCB_MOD_MASK_LOCK | NumLockMask})
        EXPECT_TRUE(other.grab(SymX, CtrlAltSuper | locks)) << "variant " << locks << " kept";
}

// The whole program: another client already holds Ctrl+Alt+Super+H when Vantle starts.
TEST(HotKeysX11, StartUpGoesOnWhenTheHUDKeyIsTaken)
{
    OtherClient other;
    ASSERT_TRUE(other.grab(SymH, CtrlAltSuper));

    const QString home = TestEnvironment::home() + QStringLiteral("/taken-key");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    QProcess vantle;
    vantle.setProcessEnvironment(env);
    // Log lines go to stderr when it is a terminal: `script` gives the program one.
    vantle.start(
        QStringLiteral("script"),
        {QStringLiteral("-qfec"), QStringLiteral(KAIDRO_VANTLE_PATH), QStringLiteral("/dev/null")});
    ASSERT_TRUE(vantle.waitForStarted(5000));

    // The other keys work: hide-all writes every hideable widget into the defaults.
    const QString defaults = home + QStringLiteral("/.config/Vantle/defaults.json");
    QByteArray stored;
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && !stored.contains("skillSlots")) {
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("key"), QStringLiteral("ctrl+alt+super+x")});
        QTest::qWait(500);
        QFile f(defaults);
        if (f.open(QIODevice::ReadOnly))
            stored = f.readAll();
    }
    EXPECT_TRUE(stored.contains("skillSlots")) << stored.toStdString();

    QProcess::execute(QStringLiteral("pkill"),
                      {QStringLiteral("-TERM"), QStringLiteral("-x"), QStringLiteral("Vantle")});
    ASSERT_TRUE(vantle.waitForFinished(5000));
    const QString out = QString::fromUtf8(vantle.readAllStandardOutput());
    EXPECT_TRUE(
        out.contains(QStringLiteral("Vantle: global hotkey Ctrl+Alt+Super+H failed to register")))
        << out.toStdString();
    for (const char *other : {"menu hotkey", "command bar hotkey", "hide-all hotkey"})
        EXPECT_FALSE(out.contains(QLatin1String(other))) << other;
}

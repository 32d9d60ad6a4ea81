#include "app/HotKeyCenter.h"
#include "hud/HUDHotKeys.h"
#include "platform/linux/X11HotKeys.h"

#include "X11Probe.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>

#include <xcb/xcb.h>

#include <initializer_list>

// Runs on a private Xvfb display with openbox, where Alt is Mod1, NumLock Mod2 and Super Mod4.
namespace {

using namespace X11Probe;

constexpr quint16 CtrlAltSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
constexpr quint16 NumLockMask = XCB_MOD_MASK_2;
constexpr quint32 SymH = 0x68;
constexpr quint32 SymX = 0x78;

void press(const QString &keys)
{
    ASSERT_TRUE(xdotool("key " + keys)) << "xdotool failed";
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
        bool ok = hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [this] { ran << 1; });
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

    press("ctrl+alt+super+m");
    ASSERT_TRUE(waitUntil([&] { return !centres.ran.isEmpty(); }, 5000));
    EXPECT_EQ(centres.ran, QList<int>{3});

    OtherClient observer;
    press("Num_Lock");
    ASSERT_TRUE(observer.modifierState() & NumLockMask) << "NumLock did not come on";
    centres.ran.clear();
    press("ctrl+alt+super+m");
    const bool seen = waitUntil([&] { return !centres.ran.isEmpty(); }, 5000);
    press("Num_Lock");
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
        ASSERT_TRUE(hideAll.registerHotKey(HideAllHotKey.keyCode, HideAllHotKey.modifiers, [] {}));
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
    // Log lines go to stderr when it is a terminal: `script` gives the program one.
    Vantle vantle(env, true);
    ASSERT_TRUE(vantle.started());

    // The other keys work: hide-all writes every hideable widget into the defaults. The keys
    // may not be held yet when the program has just started, so the press is repeated.
    QFile defaults(home + QStringLiteral("/.config/Vantle/defaults.json"));
    const auto hidAll = [&] {
        const bool read = defaults.open(QIODevice::ReadOnly);
        const bool all = read && defaults.readAll().contains("skillSlots");
        defaults.close();
        return all;
    };
    EXPECT_TRUE(waitUntil(
        [&] {
            press("ctrl+alt+super+x");
            return waitUntil(hidAll, 1000);
        },
        10000));

    ASSERT_TRUE(vantle.stop());
    const QString out = QString::fromUtf8(vantle.process().readAllStandardOutput());
    EXPECT_TRUE(
        out.contains(QStringLiteral("Vantle: global hotkey Ctrl+Alt+Super+H failed to register")))
        << out.toStdString();
    for (const char *other : {"menu hotkey", "command bar hotkey", "hide-all hotkey"})
        EXPECT_FALSE(out.contains(QLatin1String(other))) << other;
}

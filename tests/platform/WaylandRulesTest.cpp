#include "platform/wayland/WaylandKeys.h"
#include "platform/wayland/WaylandPlatform.h"

#include <gtest/gtest.h>

#include <xkbcommon/xkbcommon-keysyms.h>

TEST(WaylandKeys, NamedKeysByTablePrintableOnesByWhatTheyTypeUpperCased)
{
    const struct
    {
        quint32 sym;
        const char *text;
        int key;
    } cases[] = {
        {XKB_KEY_Return, "\r", Qt::Key_Return},
        {XKB_KEY_KP_Enter, "\r", Qt::Key_Enter},
        {XKB_KEY_Escape, "", Qt::Key_Escape},
        {XKB_KEY_ISO_Left_Tab, "", Qt::Key_Backtab},
        {XKB_KEY_KP_Down, "", Qt::Key_Down},
        {XKB_KEY_F12, "", Qt::Key_F12},
        {XKB_KEY_a, "a", Qt::Key_A},
        {XKB_KEY_A, "A", Qt::Key_A},
        {XKB_KEY_adiaeresis, "ä", 0xC4},
        {XKB_KEY_space, " ", Qt::Key_Space},
        {XKB_KEY_dead_acute, "", 0},
        {XKB_KEY_VoidSymbol, "", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(WaylandKeys::qtKey(c.sym, QString::fromUtf8(c.text)), c.key) << c.text;
}

TEST(DisplayChoice, TheLayerShellDecidesByDefaultAndAnAskedPathThatCannotRunIsRefused)
{
    using enum DisplayPath;
    const struct
    {
        const char *requested;
        bool x11, wayland, layerShell;
        std::optional<DisplayPath> path;
    } cases[] = {
        {"", true, false, false, x11},
        {"", true, true, true, wayland},
        {"", true, true, false, xwayland},
        {"", false, true, true, wayland},
        {"", false, true, false, std::nullopt},
        {"", false, false, false, std::nullopt},
        {"x11", true, true, true, xwayland},
        {"x11", false, true, true, std::nullopt},
        {"wayland", true, true, false, std::nullopt},
        {"wayland", true, false, false, std::nullopt},
        {"wayland", false, true, true, wayland},
    };
    for (const auto &c : cases) {
        const DisplayChoice got
            = WaylandPlatform::choose(c.requested, c.x11, c.wayland, c.layerShell);
        EXPECT_EQ(got.path, c.path) << c.requested << c.x11 << c.wayland << c.layerShell;
        EXPECT_EQ(got.refusal.isEmpty(), c.path.has_value());
    }
    EXPECT_TRUE(WaylandPlatform::choose("wayland", true, true, false)
                    .refusal.contains("offers no layer shell (zwlr_layer_shell_v1)"));
}

// A pointer for tests on a headless wlroots compositor, whose seat has no devices of its own:
//   kaidro-wl-pointer WIDTH HEIGHT X Y [click]
// makes a virtual pointer, moves it to X,Y of the WIDTHxHEIGHT output, clicks the left button
// when asked, and goes. Each step waits a little, so that clients can take the new pointer.
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

zwlr_virtual_pointer_manager_v1 *g_manager = nullptr;

void global(void *, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
{
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        g_manager = static_cast<zwlr_virtual_pointer_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}
void globalRemove(void *, wl_registry *, uint32_t)
{ }

void settle(wl_display *display)
{
    wl_display_roundtrip(display);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: kaidro-wl-pointer WIDTH HEIGHT X Y [click]\n");
        return 2;
    }
    const auto arg = [&](int i) { return uint32_t(std::strtoul(argv[i], nullptr, 10)); };
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "kaidro-wl-pointer: no Wayland compositor\n");
        return 1;
    }
    const wl_registry_listener listener{global, globalRemove};
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, nullptr);
    wl_display_roundtrip(display);
    if (!g_manager) {
        std::fprintf(stderr, "kaidro-wl-pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_v1 *pointer
        = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g_manager, nullptr);
    settle(display);
    zwlr_virtual_pointer_v1_motion_absolute(pointer, 0, arg(3), arg(4), arg(1), arg(2));
    zwlr_virtual_pointer_v1_frame(pointer);
    settle(display);
    // A client that took the pointer meanwhile hears of it with the next motion.
    zwlr_virtual_pointer_v1_motion(pointer, 1, wl_fixed_from_int(1), wl_fixed_from_int(0));
    zwlr_virtual_pointer_v1_frame(pointer);
    settle(display);
    if (argc > 5 && std::strcmp(argv[5], "click") == 0) {
        constexpr uint32_t kLeft = 0x110; // BTN_LEFT
        zwlr_virtual_pointer_v1_button(pointer, 1, kLeft, WL_POINTER_BUTTON_STATE_PRESSED);
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
        zwlr_virtual_pointer_v1_button(pointer, 2, kLeft, WL_POINTER_BUTTON_STATE_RELEASED);
        zwlr_virtual_pointer_v1_frame(pointer);
        settle(display);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(g_manager);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}

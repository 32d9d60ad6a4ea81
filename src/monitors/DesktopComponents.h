#pragma once

struct RunningApp;

// Which applications are the desktop's own, shown with the target's "NPC" badge: the parts of
// the system that come with the desktop rather than apps the user chose to run.
namespace DesktopComponents {

// True for a process of another user (root's daemons, a greeter, a system account), an app whose
// desktop id lies in a desktop's own namespace ("org.gnome.Settings", "org.kde.dolphin",
// "xfce4-terminal", and Apple's "com.apple." where such ids exist), and the session's shell,
// window manager, panels and settings daemons named by their executable ("gnome-shell",
// "plasmashell", "xfce4-panel", "gsd-color").
bool isNPC(const RunningApp &app);

} // namespace DesktopComponents

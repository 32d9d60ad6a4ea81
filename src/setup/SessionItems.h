#pragma once

#include "setup/SetupFacts.h"
#include "setup/SetupItem.h"

// The setup check's rows about the session: which path Kaidro runs on and what works there.
namespace SessionItems {

// How Kaidro meets the desktop: X11, XWayland, or the Wayland compositor itself.
SetupItem session(const SetupFacts &facts);
// Native Wayland only: where the running apps and the target come from.
SetupItem windows(const SetupFacts &facts);
// Whether other apps' windows can be moved and pasted into, and why not.
SetupItem windowControl(const SetupFacts &facts);

} // namespace SessionItems

#!/bin/bash
# Runs a test binary as a native Wayland client of a private sway on its headless backend:
#   in-private-sway.sh <source folder> <test binary> [arguments...]
# sway is stopped however the test ends.
set -u
source "$1/scripts/wayland-session.sh"
trap stop_private_sway EXIT
start_private_sway 1440x900 || exit 1
# The test binary gives itself a runtime folder of its own: the compositor's socket by its path.
export WAYLAND_DISPLAY="$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"
QT_QPA_PLATFORM=offscreen "${@:2}"

#!/usr/bin/env bash
# Runs a test program against a private sway on its headless backend, stopped again however the
# program ends. Exits 77 (skipped) where sway and its tools are not installed.
set -u
for tool in sway swaymsg grim foot wtype; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed (scripts/setup)"; exit 77; }
done
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=../../scripts/wayland-session.sh
source "$here/scripts/wayland-session.sh"
trap stop_private_sway EXIT
start_private_sway 1440x900 || exit 1
# The test program gives itself a runtime folder of its own: the socket goes by its full path.
export WAYLAND_DISPLAY="$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"
unset DISPLAY
"$@"

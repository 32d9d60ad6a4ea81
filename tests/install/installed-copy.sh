#!/usr/bin/env bash
# Installs the build tree into a temporary prefix, checks what the desktop reads there with its
# own validators, and starts the installed copy, from a copy of the prefix elsewhere so nothing
# can come from the build folder, on the current (private) display under a temporary HOME.
# Usage: installed-copy.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d)"
stop() { [ -n "${pid:-}" ] && kill -TERM $(pgrep -P "$pid") "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap stop EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
cp -a "$work/prefix" "$work/moved"
p="$work/moved"
desktop-file-validate "$p/share/applications/kaidro.desktop"
appstreamcli validate --no-net "$p/share/metainfo/org.kaidro.kaidro.metainfo.xml" >/dev/null
for f in bin/Vantle bin/vantle-shortcuts share/icons/hicolor/scalable/apps/kaidro.svg \
         share/vantle/sounds share/vantle/icons/MenuBarIcon.svg share/man/man1/Vantle.1 \
         share/bash-completion/completions/Vantle; do
  [ -e "$p/$f" ] || { echo "not installed: $f"; exit 1; }
done
# Nothing of the build tree's own (the cue generator, CMake's files) comes along.
if find "$p" -name CMakeFiles -o -name '*.cmake' -o -name cuegen | grep .; then
  echo "the build tree's own files were installed"; exit 1
fi
ls "$p"/lib*/vantle/vantle-sound.so >/dev/null || { echo "not installed: the sound module"; exit 1; }
for module in ical wayland; do
  ls "$p"/lib*/vantle/vantle-$module.so >/dev/null || { echo "not installed: vantle-$module.so"; exit 1; }
done
grep -qx 'Exec=Vantle' "$p/share/applications/kaidro.desktop"

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache"
mkdir -p "$XDG_CONFIG_HOME/Vantle"
echo '{"Vantle.setupSeen": true, "Vantle.readoutIdle": 0}' > "$XDG_CONFIG_HOME/Vantle/defaults.json"
# A task list's folder without its file yet: nothing to read, so no calendar module.
tasks="$XDG_DATA_HOME/evolution/tasks/local"
mkdir -p "$tasks"
# `script` gives the program the terminal it logs to.
script -qfec "exec '$p/bin/Vantle'" "$work/log" >/dev/null &
pid=$!
for _ in $(seq 50); do
  xwininfo -name "Kaidro playerStatus" >/dev/null 2>&1 && break
  sleep 0.2
done
xwininfo -name "Kaidro playerStatus" >/dev/null || { echo "the installed copy showed no HUD"; cat "$work/log"; exit 1; }
# The first setup check has run once the log names it or two seconds have passed.
sleep 3
if grep -E "no resources beside|shortcuts tool is missing" "$work/log"; then
  echo "the installed copy misses its resources or its tool"
  exit 1
fi
vantle="$(pgrep -P "$pid" -x Vantle)"
if grep -q 'vantle-ical\|libical' "/proc/$vantle/maps"; then
  echo "the calendar module was loaded without a calendar file"; exit 1
fi
if grep -q 'vantle-wayland\|libwayland' "/proc/$vantle/maps"; then
  echo "the native Wayland module was loaded on an X11 session"; exit 1
fi
# The file appears: the quest list reads it through the module, found in the installed tree.
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nUID:a\r\nSUMMARY:Water\r\nEND:VTODO\r\nEND:VCALENDAR\r\n' \
  >"$tasks/tasks.ics"
for _ in $(seq 50); do
  grep -q '/vantle-ical.so' "/proc/$vantle/maps" && break
  sleep 0.2
done
grep -q "$p/lib.*/vantle-ical.so" "/proc/$vantle/maps" || {
  echo "the installed calendar module was not loaded for a calendar file"; cat "$work/log"; exit 1; }
echo "installed copy: HUD shown, resources, tool and calendar module found"

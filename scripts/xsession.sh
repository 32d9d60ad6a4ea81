# Sourced by scripts/run and scripts/test: starts a private X display with a window manager
# (and, when asked, a compositor) and stops it again on exit.
#   start_private_display WIDTHxHEIGHT [compositor]   sets DISPLAY
#   stop_private_display
_kaidro_x_pids=()
_kaidro_x_dirs=()

# openbox on $DISPLAY, ready once it announces itself on the root window.
_kaidro_start_openbox() {
  openbox >/dev/null 2>&1 &
  _kaidro_x_pids+=($!)
  for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
}

start_private_display() {
  local size="$1" compositor="${2:-}"
  local fifo; fifo="$(mktemp -u)"; mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset +extension RANDR 3>"$fifo" \
    >/dev/null 2>&1 &
  _kaidro_x_pids+=($!)
  local number
  read -r -t 15 number <"$fifo" || { echo "could not start Xvfb" >&2; rm -f "$fifo"; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$number"
  _kaidro_start_openbox
  if [ -n "$compositor" ] && command -v picom >/dev/null 2>&1; then
    picom --backend xrender --no-fading-openclose >/dev/null 2>&1 &
    _kaidro_x_pids+=($!)
    for _ in $(seq 50); do
      xprop -root _NET_SUPPORTED >/dev/null 2>&1 && xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
  fi
}

stop_private_display() {
  local pid
  for pid in "${_kaidro_x_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${_kaidro_x_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  _kaidro_x_pids=()
  if [ "${#_kaidro_x_dirs[@]}" -gt 0 ]; then rm -rf "${_kaidro_x_dirs[@]}"; fi
  _kaidro_x_dirs=()
}

# Two screens side by side on one X server, for the multi-screen tests: Xorg with the dummy
# video driver (it needs root), DUMMY0 1440x900 at 0,0 (primary) and DUMMY1 1280x800 at 1440,0,
# with openbox. Sets DISPLAY; stop it with stop_private_display.
#   start_two_screen_display
start_two_screen_display() {
  command -v Xorg >/dev/null 2>&1 || { echo "Xorg is not installed" >&2; return 1; }
  local dir; dir="$(mktemp -d)"
  cat >"$dir/xorg.conf" <<'CONF'
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
  Option "VirtualHeads" "2"
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 2720 900
  EndSubSection
EndSection
CONF
  local fifo="$dir/displayfd"; mkfifo "$fifo"
  Xorg -displayfd 3 -noreset -nolisten tcp -config "$dir/xorg.conf" -logfile "$dir/xorg.log" \
    3>"$fifo" >/dev/null 2>&1 &
  local xorg=$!
  local number
  if ! read -r -t 15 number <"$fifo"; then
    kill "$xorg" 2>/dev/null; wait "$xorg" 2>/dev/null
    echo "could not start Xorg with the dummy driver (see $dir/xorg.log)" >&2
    return 1
  fi
  _kaidro_x_pids+=("$xorg")
  _kaidro_x_dirs+=("$dir")
  export DISPLAY=":$number"
  # The driver's own first mode is neither size: both heads get a mode of their own.
  xrandr --newmode 1440x900x 106.50 1440 1528 1672 1904 900 903 909 934 -hsync +vsync &&
    xrandr --addmode DUMMY0 1440x900x &&
    xrandr --output DUMMY0 --mode 1440x900x --pos 0x0 --primary &&
    xrandr --newmode 1280x800x 83.50 1280 1352 1480 1680 800 803 809 831 -hsync +vsync &&
    xrandr --addmode DUMMY1 1280x800x &&
    xrandr --output DUMMY1 --mode 1280x800x --right-of DUMMY0 ||
    { echo "xrandr could not set up the two screens" >&2; stop_private_display; return 1; }
  _kaidro_start_openbox
}

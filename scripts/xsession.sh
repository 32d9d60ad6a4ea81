# Sourced by scripts/run and scripts/test: starts a private X display with a window manager
# (and, when asked, a compositor) and stops it again on exit.
#   start_private_display WIDTHxHEIGHT [compositor]   sets DISPLAY
#   stop_private_display
_kaidro_x_pids=()

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
  openbox >/dev/null 2>&1 &
  _kaidro_x_pids+=($!)
  # The window manager is ready once it announces itself on the root window.
  for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
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
}

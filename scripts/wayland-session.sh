# Sourced by tests and scripts: starts a private sway on its headless backend (a wlroots
# compositor with the layer shell and foreign toplevels) and stops it again.
#   start_private_sway WIDTHxHEIGHT   sets WAYLAND_DISPLAY, XDG_RUNTIME_DIR and SWAYSOCK
#   stop_private_sway
# sway refuses to run as root: as root it runs as `nobody` in a runtime folder that user owns;
# root's clients still reach its socket. XDG_RUNTIME_DIR is the compositor's folder afterwards.
_kaidro_sway_pid=""
_kaidro_sway_dirs=()

start_private_sway() {
  local size="$1"
  command -v sway >/dev/null 2>&1 || { echo "sway is not installed" >&2; return 1; }
  local runtime home
  runtime="$(mktemp -d /tmp/kaidro-sway-run.XXXXXX)"
  home="$(mktemp -d /tmp/kaidro-sway-home.XXXXXX)"
  _kaidro_sway_dirs+=("$runtime" "$home")
  cat >"$home/config" <<CONF
output HEADLESS-1 resolution ${size}
xwayland disable
CONF
  local run_as=()
  if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$runtime" "$home" "$home/config"
    run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  chmod 700 "$runtime"
  env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless \
    WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 "${run_as[@]}" sway -c "$home/config" \
    >"$home/sway.log" 2>&1 &
  _kaidro_sway_pid=$!
  local sock=""
  for _ in $(seq 100); do
    sock="$(find "$runtime" -maxdepth 1 -name 'sway-ipc.*.sock' -print -quit)"
    [ -S "$runtime/wayland-1" ] && [ -n "$sock" ] && break
    sleep 0.05
  done
  if [ ! -S "$runtime/wayland-1" ] || [ -z "$sock" ]; then
    echo "could not start sway (log: $home/sway.log)" >&2
    return 1
  fi
  export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$sock"
  unset DISPLAY
}

stop_private_sway() {
  if [ -n "$_kaidro_sway_pid" ]; then
    kill "$_kaidro_sway_pid" 2>/dev/null || true
    wait "$_kaidro_sway_pid" 2>/dev/null || true
  fi
  _kaidro_sway_pid=""
  if [ "${#_kaidro_sway_dirs[@]}" -gt 0 ]; then rm -rf "${_kaidro_sway_dirs[@]}"; fi
  _kaidro_sway_dirs=()
}

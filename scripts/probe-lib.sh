# Sourced by scripts/probe, scripts/probe-wayland and scripts/hot-text: the shown scenes' desk,
# and per-thread CPU and wake-ups of processes over $seconds, read from /proc. Needs $probe_home
# (a scratch folder) and $seconds.

# probe_desk: a private X11 desktop (1440x900, window manager and compositor) as a desk has it,
# with HOME and the XDG folders in $probe_home, a session bus of its own for the media player and
# the now-playing strip, two terminals and a clock ticking every second, and a tune for the
# player in $probe_home/tune.wav. What it starts is added to $pids.
probe_desk() {
  start_private_display 1440x900 compositor
  export HOME="$probe_home" XDG_CONFIG_HOME="$probe_home/.config" \
    XDG_DATA_HOME="$probe_home/.local/share" XDG_CACHE_HOME="$probe_home/.cache" \
    XDG_RUNTIME_DIR="$probe_home/runtime"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  exec 3< <(dbus-daemon --session --nofork --print-address=1 2>/dev/null)
  read -r DBUS_SESSION_BUS_ADDRESS <&3
  export DBUS_SESSION_BUS_ADDRESS
  pids+=("$(pgrep -n -x dbus-daemon)")
  python3 - "$probe_home/tune.wav" <<'PY'
import math, struct, sys, wave
rate = 22050
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(1); w.setsampwidth(2); w.setframerate(rate)
    w.writeframes(b"".join(struct.pack("<h", int(3000 * math.sin(2 * math.pi * 440 * i / rate)))
                           for i in range(rate * 4)))
PY
  xterm -geometry 100x36+300+160 >/dev/null 2>&1 & pids+=($!)
  xterm -geometry 80x20+820+520 >/dev/null 2>&1 & pids+=($!)
  xclock -update 1 -geometry 160x160+1200+600 >/dev/null 2>&1 & pids+=($!)
  sleep 1
}

# fresh_home: the first-start state each run begins from: readouts that never time out, no setup
# check.
fresh_home() {
  rm -rf "$XDG_CONFIG_HOME/Vantle" "$XDG_DATA_HOME/Vantle" "$XDG_CACHE_HOME/Vantle"
  mkdir -p "$XDG_CONFIG_HOME/Vantle"
  printf '{"Vantle.readoutIdle": 0, "Vantle.setupSeen": true}\n' >"$XDG_CONFIG_HOME/Vantle/defaults.json"
}

# snapshot PID: one line per thread, "tid run-time-ns voluntary involuntary". Threads come and
# go (a pool's threads retire when idle), so totals are kept per thread and summed.
snapshot() {
  awk '
    FILENAME ~ /schedstat$/ { split(FILENAME, part, "/"); run[part[5]] = $1 }
    FILENAME ~ /status$/ && /^voluntary_ctxt_switches/ { split(FILENAME, part, "/"); vol[part[5]] = $2 }
    FILENAME ~ /status$/ && /^nonvoluntary_ctxt_switches/ { split(FILENAME, part, "/"); inv[part[5]] = $2 }
    END { for (t in run) printf "%s %.0f %d %d\n", t, run[t], vol[t], inv[t] }
  ' /proc/"$1"/task/*/schedstat /proc/"$1"/task/*/status 2>/dev/null
}
status_mb() { awk -v key="$2:" '$1 == key { printf "%.1f\n", $2 / 1024 }' /proc/"$1"/status; }

# measure PID...: samples every thread once a second for $seconds and prints, per PID,
# "cpu% wakeups/s switches/s" (wake-ups: voluntary switches, each one a sleep that ended).
measure() {
  local p t0 t1 i
  local dir; dir="$(mktemp -d "$probe_home/measure.XXXX")"
  t0="$(date +%s%N)"
  for i in $(seq 0 "$seconds"); do
    for p in "$@"; do snapshot "$p" | sed "s/^/$i /" >>"$dir/$p"; done
    [ "$i" -lt "$seconds" ] && sleep 1
  done
  t1="$(date +%s%N)"
  for p in "$@"; do
    awk -v dt="$((t1 - t0))" '
      !($2 in first) { r0[$2] = $3; v0[$2] = $4; n0[$2] = $5; first[$2] = 1 }
      { r1[$2] = $3; v1[$2] = $4; n1[$2] = $5 }
      END {
        for (t in first) { r += r1[t] - r0[t]; v += v1[t] - v0[t]; n += n1[t] - n0[t] }
        printf "%.3f %.1f %.1f\n", 100 * r / dt, v * 1e9 / dt, (v + n) * 1e9 / dt
      }' "$dir/$p"
  done
}


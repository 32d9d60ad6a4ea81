# Sourced by scripts/probe and scripts/probe-wayland: per-thread CPU and wake-ups of processes
# over $seconds, read from /proc. Needs $probe_home (a scratch folder) and $seconds.

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


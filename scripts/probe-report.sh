# Sourced by scripts/probe once its runs are done: prints docs/PERFORMANCE.md from the runs'
# figures (fig, spread), the builds (labels) and the benchmarks.

cpu_model="$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)"
memory_gib="$(awk '/^MemTotal:/ { printf "%.0f", $2 / 1048576 }' /proc/meminfo)"
qt_version="$(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || echo unknown)"
reproduce="scripts/probe --runs ${runs}${against:+ --against $against} ${seconds} ${tries}"

# row TITLE BUDGET LIMIT-AWK-EXPR FIGURE-FUNCTION: one budget row, a column a build; the
# verdict is the first build's. The limit expression may use c (conky's CPU in the same runs).
columns() { local b; for b in "${!labels[@]}"; do printf ' %s |' "$("$@" "$b")"; done; }
header() {
  printf '| figure | budget |'; local l; for l in "${labels[@]}"; do printf ' %s |' "$l"; done
  printf ' met |\n|---|---|'; for l in "${labels[@]}"; do printf -- '---|'; done; printf -- '---|\n'
}

# The figures, each a function of the build's index.
cpu_window() { echo "$(fig "$1" window 1) % ($(ratio "$(fig "$1" window 1)" "$(fig "$1" window 4)") conky)"; }
cpu_desktop() { echo "$(fig "$1" desktop 1) % ($(ratio "$(fig "$1" desktop 1)" "$(fig "$1" desktop 4)") conky)"; }
cpu_hidden() { echo "$(fig "$1" hidden 1) %"; }
wake_hidden() { fig "$1" hidden 2; }
peak_rss() { echo "$(fig "$1" peak 1) MB"; }
bar_growth() {
  awk -v a="$(fig "$1" barrss 1)" -v b="$(fig "$1" barrss 2)" \
    'BEGIN { if (a == "–" || b == "–") print "–"; else printf "%+.1f MB (%.1f → %.1f)\n", b - a, a, b }'
}
launch() { spread "$1" launch; }
menu() { spread "$1" menu; }
bar() { spread "$1" bar; }
typing() { echo "$(spread "$1" type) (floor $(spread "$1" floor))"; }

window_limit="$(awk -v c="$(fig 0 window 4)" 'BEGIN { l = 1.2 * c; if (l > 0.2) l = 0.2; print l }')"
growth="$(awk -v a="$(fig 0 barrss 1)" -v b="$(fig 0 barrss 2)" 'BEGIN { print b - a }')"
type_limit="$(awk -v f="$(fig 0 floor 3)" 'BEGIN { print 1.5 * f }')"

cat <<EOF
# Performance

What Kaidro costs, measured by \`scripts/probe\` side by side with conky 1.18 showing the same
readouts (HP, CPU, memory, power, disk, clock) once a second. Both run at once on a private
Xvfb 1440x900 desktop with openbox and picom (xrender), two xterms and an xclock ticking every
second, under a temporary HOME. CPU is the process's own run time from
\`/proc/PID/task/*/schedstat\` over ${seconds} s after a warm-up, in percent of one core; wake-ups
are voluntary context switches of all its threads a second. Latencies are timed by
\`tools/xlatency\` from the X events (MapNotify, FocusIn, DamageNotify) that follow a key faked
through XTest, ${tries} tries a run, and given as p10 / p50 / p90 in ms. The keystroke's floor is
\`tools/floorbar\`, a bare Qt bar (a line edit over a stock list of nine rows out of a thousand
names) typed into in the same scene. Every figure is the median of ${runs} runs; with two
builds their runs alternate.

- Machine: ${cpu_model}, $(nproc) cores, ${memory_gib} GiB, Linux $(uname -r), Qt ${qt_version}
- Date: $(date -u '+%Y-%m-%d %H:%M UTC'); builds: ${labels[*]}
- Reproduce: \`${reproduce}\`

## Budgets

$(header)
| HUD shown, pointer resting on a window (target cursor shown) | ≤ 1.2 × conky and ≤ 0.2 % |$(columns cpu_window) $(verdict "$(fig 0 window 1)" "$window_limit") |
| HUD shown, pointer resting on the desktop | ≤ 1.0 × conky |$(columns cpu_desktop) $(verdict "$(fig 0 desktop 1)" "$(fig 0 desktop 4)") |
| HUD hidden, CPU | ≤ 0.005 % |$(columns cpu_hidden) $(verdict "$(fig 0 hidden 1)" 0.005) |
| HUD hidden, wake-ups a second | ≤ 1 |$(columns wake_hidden) $(verdict "$(fig 0 hidden 2)" 1) |
| peak RSS after the shown scenes (conky: $(fig 0 peak 2) MB) | ≤ 32 MB |$(columns peak_rss) $(verdict "$(fig 0 peak 1)" 32) |
| RSS after the command bar showed nine rows and closed, against before it opened | ≤ +2 MB |$(columns bar_growth) $(verdict "$growth" 2) |
| launch → first readout panel mapped | p50 ≤ 80 ms |$(columns launch) $(verdict "$(fig 0 launch 2)" 80) |
| one typed character → results repainted | p90 ≤ 1.5 × the floor's p90 |$(columns typing) $(verdict "$(fig 0 type 3)" "$type_limit") |
| menu hot key → rail mapped | – |$(columns menu) – |
| command-bar hot key → bar mapped and focused | – |$(columns bar) – |

## Side by side with conky

| scene | build | Kaidro CPU | conky CPU | Kaidro wake-ups/s | conky wake-ups/s |
|---|---|---|---|---|---|
$(for b in "${!labels[@]}"; do
  for scene in window desktop playing; do
    case $scene in
      window) title="HUD shown, pointer resting on a window" ;;
      desktop) title="HUD shown, pointer resting on the desktop" ;;
      playing) title="a media player playing (mpv over MPRIS), pointer on a window" ;;
    esac
    echo "| $title | ${labels[$b]} | $(fig "$b" $scene 1) % | $(fig "$b" $scene 4) % | $(fig "$b" $scene 2) | $(fig "$b" $scene 5) |"
  done
done)

What the HUD says of itself after those scenes (\`Vantle stats\`, the minute before): $(fig 0 selfreport 1) % of a core,
$(fig 0 selfreport 2) MB.

## Kaidro alone

| figure | measured | budget | met |
|---|---|---|---|
| \`CommandSearch::results\`, 1,000 apps, 140 clips, 200 skills (slowest query, median) | ${search_worst_ms} ms | ≤ 0.5 ms | $(verdict "$search_worst_ms" 0.5) |
| one target-monitor poll, 40 windows, this Xvfb | ${poll_ms} ms | ≤ 1 ms | $(verdict "$poll_ms" 1) |
| app-catalogue scan, 2,000 desktop files (off the main thread) | ${scan_ms} ms | ≤ 300 ms | $(verdict "$scan_ms" 300) |
| quest refresh, 2,000 events and 500 reminders (on the service's worker) | ${quest_ms} ms | ≤ 50 ms | $(verdict "$quest_ms" 50) |

## Benchmarks

Wall time per iteration (Google Benchmark, Release build, on the probe's display):

\`\`\`
$(cat "$bench_out")
\`\`\`
EOF
if [ -f "$KAIDRO_ROOT/docs/performance-notes.md" ]; then
  echo
  cat "$KAIDRO_ROOT/docs/performance-notes.md"
fi
if [ -f "$KAIDRO_ROOT/docs/performance-wayland.md" ]; then
  echo
  cat "$KAIDRO_ROOT/docs/performance-wayland.md"
fi

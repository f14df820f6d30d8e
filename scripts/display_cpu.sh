#!/usr/bin/env bash
# Measures the CPU the display pipeline costs: a program on the runtime (display_program)
# shows SCREEN 12 and either waits with nothing changing (idle12: the program sleeps in
# 5 ms steps; end12: END's "Press any key" wait) or moves a bar 30 times a second
# (anim12 with automatic frames, manual12 with rt_display_now after each change).
# Reports the program's and the X server's CPU time per wall second, in percent of one
# core, and the program's share by thread. Runs on a private Xvfb display.
#   usage: scripts/display_cpu.sh [display_program] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/normal/tests/display/display_program}
seconds=${2:-10}
if [ ! -x "$program" ]; then
  echo "no program at $program: build the target display_program first" >&2
  exit 1
fi

display_number=$((500 + RANDOM % 300))
while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
  display_number=$((display_number + 1))
done
Xvfb ":$display_number" -screen 0 1280x1024x24 -noreset -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
work=$(mktemp -d)
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=":$display_number"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

ticks=$(getconf CLK_TCK)
cpu_ticks() {  # utime + stime of a process, in clock ticks
  awk '{ print $14 + $15 }' "/proc/$1/stat"
}

thread_ticks() {  # "tid ticks" for every thread of a process
  for t in /proc/"$1"/task/*; do
    echo "$(basename "$t") $(awk '{ print $14 + $15 }' "$t/stat")"
  done
}

measure() {  # mode
  "$program" "$1" "$work" >"$work/out.txt" 2>&1 &
  program_pid=$!
  sleep 3  # start-up, window creation and the first frames
  local p0 x0 p1 x1 t0 t1
  thread_ticks "$program_pid" | sort >"$work/threads0"
  p0=$(cpu_ticks "$program_pid"); x0=$(cpu_ticks "$xvfb_pid"); t0=$(date +%s.%N)
  sleep "$seconds"
  p1=$(cpu_ticks "$program_pid"); x1=$(cpu_ticks "$xvfb_pid"); t1=$(date +%s.%N)
  thread_ticks "$program_pid" | sort >"$work/threads1"
  kill "$program_pid" 2>/dev/null || true
  wait "$program_pid" 2>/dev/null || true
  program_pid=""
  awk -v m="$1" -v p="$((p1 - p0))" -v x="$((x1 - x0))" -v t0="$t0" -v t1="$t1" -v hz="$ticks" \
    'BEGIN { w = t1 - t0; printf "%-8s program %6.2f %% of a core   Xvfb %6.2f %%   (%.1f s)\n", m, 100 * p / hz / w, 100 * x / hz / w, w }'
  # Threads in the order they were started: the window thread (the process itself), the
  # program, timer and main-loop threads, then the OpenGL driver's workers.
  join "$work/threads0" "$work/threads1" | sort -n | awk -v hz="$ticks" -v s="$seconds" '
    BEGIN { split("window program timer main-loop", name, " ") }
    { n++; label = n <= 4 ? name[n] : "GL worker"; pct[label] += 100 * ($3 - $2) / hz / s }
    END { printf "         threads:"; for (k in pct) printf "  %s %.2f %%", k, pct[k]; printf "\n" }'
}

echo "CPU per wall second, SCREEN 12, $seconds s each (clock tick $((1000 / ticks)) ms):"
measure idle12
measure end12
measure anim12
measure manual12

#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the normal build, an
# AddressSanitizer + UndefinedBehaviorSanitizer build and a ThreadSanitizer build, with
# the window tests on a private Xvfb display. Extra steps live in scripts/ci.d/.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install.sh || exit 1
start=$(date +%s)

# A private X server for the window tests. -noreset keeps lock and held-key state
# between clients.
display_number=$((90 + RANDOM % 400))
while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
  display_number=$((display_number + 1))
done
Xvfb ":$display_number" -screen 0 1280x1024x24 -noreset -nolisten tcp >/tmp/xvfb-test.log 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null' EXIT
export DISPLAY=":$display_number"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

failed=0
run_build() {  # name, extra cmake arguments...
  local name=$1; shift
  echo "==== build: $name"
  cmake -S . -B "build/$name" -G Ninja "$@" >/dev/null || { failed=1; return; }
  cmake --build "build/$name" || { failed=1; return; }
  echo "==== test: $name"
  (cd "build/$name" && ctest --output-on-failure -j2 --timeout 600) || failed=1
}

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp"
run_build normal -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_build asan -DCMAKE_BUILD_TYPE=Debug -DRT_SANITIZE=address
run_build tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRT_SANITIZE=thread

for step in scripts/ci.d/*.sh; do
  [ -e "$step" ] || continue
  echo "==== step: $step"
  bash "$step" || failed=1
done

echo "==== took $(( $(date +%s) - start )) s"
if [ $failed -ne 0 ]; then
  echo "FAILED"
  exit 1
fi
echo "ALL PASSED"

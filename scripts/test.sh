#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test (CTest). Fuzz targets get a few seconds each when clang is there.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TEV_TEST_BUILD:-$root/build-test}"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DTEV_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
# Tests that open a real window get a private X server.
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
  done
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY="$display"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi
cd "$build"
status=0
ctest_log="$(mktemp)"
set +e
ctest --output-on-failure -j"$(nproc)" --timeout 600 2>&1 | tee "$ctest_log"
ctest_status=${PIPESTATUS[0]}
set -e
[ "$ctest_status" -eq 0 ] || status=$ctest_status
# Every fuzz target for a few seconds on its corpus, seeded from this build's
# files (clang only); a crash or sanitizer report fails the command.
if command -v clang++ >/dev/null; then
  FUZZ_SECONDS="${FUZZ_SECONDS:-5}" FUZZ_DIST="$build/dist" FUZZ_JOBS="$(nproc)" "$root/scripts/fuzz.sh" || status=1
else
  echo "test: clang++ not found, fuzz targets not run"
fi
# One closing line for the whole command: CTest's counts (a failed fuzz run
# with all tests passing counts as one failure).
total="$(sed -n 's/.* tests failed out of \([0-9]*\).*/\1/p' "$ctest_log" | tail -n 1)"
failed="$(sed -n 's/.*, \([0-9]*\) tests failed out of .*/\1/p' "$ctest_log" | tail -n 1)"
rm -f "$ctest_log"
total="${total:-0}"; failed="${failed:-0}"
if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then failed=1; fi
echo "test: $((total - failed)) passed, $failed failed"
exit "$status"

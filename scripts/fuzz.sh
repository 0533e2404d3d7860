#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build-fuzz and
# runs each for FUZZ_SECONDS seconds (default 60) on its corpus, seeded from
# the shipped files of a normal build's dist/ and from hand-made seeds.
# Prints executions per target and whether anything was found; exits 1 when
# a target crashed, hung or reported. Crash inputs: build-fuzz/artifacts/.
#   FUZZ_SECONDS=N    seconds per target
#   FUZZ_TARGETS="a b" only these targets (default: all)
#   FUZZ_DIST=DIR     shipped tree to seed from (default: the first of
#                     build/dist, build-test/dist that exists)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TEV_FUZZ_BUILD:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ not found; install clang and libclang-rt-dev" >&2
  exit 1
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DTEV_FUZZ=ON -DTEV_BUILD_TESTS=OFF \
  -DTEV_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_all -j"${FUZZ_JOBS:-2}"

targets="${FUZZ_TARGETS:-$(tr '\n' ' ' <"$build/fuzz_targets.txt")}"
seeds="$build/seeds"
corpus="$build/corpus"
artifacts="$build/artifacts"
rm -rf "$seeds"
mkdir -p "$seeds" "$corpus" "$artifacts"
"$build/fuzz/fuzz_make_seeds" "$seeds"

# Shipped files, by kind.
dist="${FUZZ_DIST:-}"
if [ -z "$dist" ]; then
  for d in "$root/build/dist" "$root/build-test/dist"; do
    [ -d "$d" ] && { dist="$d"; break; }
  done
fi
seed_from_dist() {  # target, find arguments...
  local target="$1"; shift
  mkdir -p "$seeds/$target"
  [ -n "$dist" ] || return 0
  find "$dist" -type f \( "$@" \) -size -2M -print0 |
    while IFS= read -r -d '' f; do cp "$f" "$seeds/$target/shipped-$(echo "$f" | md5sum | cut -c1-12)"; done
}
seed_from_dist fuzz_bmp_decoder -iname '*.bmp'
seed_from_dist fuzz_cbmp -iname '*.bmp'
seed_from_dist fuzz_png -iname '*.png'
seed_from_dist fuzz_ico -iname '*.ico'
seed_from_dist fuzz_wave_file -iname '*.wav'
seed_from_dist fuzz_riff_file -iname '*.wav'
seed_from_dist fuzz_midi -iname '*.mid' -o -iname '*.midi'
seed_from_dist fuzz_save_dat -name save.dat
seed_from_dist fuzz_play_dat -name play.dat
seed_from_dist fuzz_title_dat -name title.dat
seed_from_dist fuzz_pv_dat -name pv.dat
# A game's own readers start from everything that game ships.
while read -r target game; do
  [ -n "$target" ] || continue
  mkdir -p "$seeds/$target"
  [ -n "$dist" ] && [ -d "$dist/$game" ] || continue
  find "$dist/$game" -type f ! -name '*.so' -size -256k -print0 |
    while IFS= read -r -d '' f; do cp "$f" "$seeds/$target/shipped-$(echo "$f" | md5sum | cut -c1-12)"; done
done <"$build/fuzz_game_targets.txt"
[ -n "$dist" ] && echo "fuzz: seeds from $dist" || echo "fuzz: no built dist/ found; hand-made seeds only"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:allocator_may_return_null=0"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
work="$build/tmp"
failed=0
summary=""
for t in $targets; do
  bin="$build/fuzz/$t"
  mkdir -p "$corpus/$t" "$seeds/$t"
  rm -rf "$work"; mkdir -p "$work"
  log="$build/$t.log"
  rc=0
  # The folder of a target's private files; inputs up to 64 KiB (the shipped
  # files are cut there), 10 s per input counts as a hang.
  TMPDIR="$work" "$bin" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$t-" "$corpus/$t" "$seeds/$t" >"$log" 2>&1 || rc=$?
  execs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)"
  execs="${execs:-?}"
  if [ "$rc" -eq 0 ]; then
    verdict="nothing found"
  else
    verdict="FOUND (exit $rc): $(grep -m1 -E 'ERROR: |runtime error|SUMMARY' "$log" | cut -c1-120 || true); log $log"
    failed=1
  fi
  line="$(printf '%-18s %12s execs  %s' "$t" "$execs" "$verdict")"
  echo "$line"
  summary+="$line"$'\n'
done
rm -rf "$work"
echo
echo "fuzz: ${seconds} s per target"
printf '%s' "$summary"
exit "$failed"

#!/usr/bin/env bash
# Builds the benchmarks optimised (no sanitizers) and runs every one of them,
# then prints one table of their figures. Each benchmark prints lines
# "RESULT<TAB>what<TAB>value<TAB>target".
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTEV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
results="$(mktemp)"
for exe in "$build"/bench/bench_*; do
  [ -x "$exe" ] || continue
  echo "running $(basename "$exe") ..." >&2
  (cd "$build/bench" && "$exe") | grep '^RESULT' >> "$results" || echo "RESULT	$(basename "$exe") failed	-	" >> "$results"
done
printf '\n%-58s %16s   %s\n' "measure" "value" "target"
printf '%-58s %16s   %s\n' "-------" "-----" "------"
while IFS=$'\t' read -r _ what value target; do
  printf '%-58s %16s   %s\n' "$what" "$value" "$target"
done < "$results"
rm -f "$results"

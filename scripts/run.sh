#!/usr/bin/env bash
# Builds the launcher with every game and starts it from build/dist/.
# Extra arguments go to the launcher (see ./build/dist/launcher --help).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEV_BUILD_TESTS=OFF -DTEV_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build" -j"$(nproc)"
exec "$root/build/dist/launcher" "$@"

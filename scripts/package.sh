#!/usr/bin/env bash
# Builds the Debian package from a plain Release build (no sanitizers) in
# build-release/ and prints its path.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TEV_RELEASE_BUILD:-$root/build-release}"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTEV_SANITIZE=OFF \
      -DTEV_BUILD_TESTS=OFF -DTEV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
cpack -G DEB >/dev/null
ls "$build"/tev-arcade_*.deb

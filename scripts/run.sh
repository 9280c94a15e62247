#!/usr/bin/env bash
# Sets up, builds a Release binary (and what `cmake --install` needs) and runs Gridfall with
# the given arguments.
# Without a display (no DISPLAY or WAYLAND_DISPLAY) and no arguments, runs the default
# benchmark headless and prints its result.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/setup-deps.sh"
BUILD="$ROOT/build/release"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGRIDFALL_TESTS=OFF >/dev/null
# The manual page too: `cmake --install build/release` installs it, so it must exist.
cmake --build "$BUILD" --target gridfall gridfall_man
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  set -- --headless --benchmark
fi
exec "$BUILD/app/gridfall" "$@"

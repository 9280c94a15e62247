#!/usr/bin/env bash
# Checks that includes point down the tree, then sets up, builds and runs every test tier
# (unit, gl, e2e) through CTest:
#   1. a Debug build under AddressSanitizer and UndefinedBehaviorSanitizer, all tiers;
#   2. a ThreadSanitizer build of the render-thread and frame-loop test areas;
#   3. the fuzz targets, built with clang but not run.
# Starts its own Xvfb when there is no display. Exits non-zero on any failure.
#
#   scripts/test.sh --under-load   the same while stress-ng keeps every core busy (two CPU hogs a
#                                  core), to show a test that depends on the machine's speed
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
UNDER_LOAD=0
for arg in "$@"; do
  case "$arg" in
    --under-load) UNDER_LOAD=1 ;;
    *) echo "usage: scripts/test.sh [--under-load]" >&2; exit 2 ;;
  esac
done
"$ROOT/scripts/setup-deps.sh"

# One line that says what this run tests against, so a CI log can be compared with another.
pkg_version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo "not installed"; }
echo "test.sh: Mesa $(pkg_version libgl1-mesa-dri), SDL2 $(pkg-config --modversion sdl2 2>/dev/null || echo '?')," \
  "GTK 3 $(pkg-config --modversion gtk+-3.0 2>/dev/null || echo '?'), GCC $(g++ -dumpfullversion 2>/dev/null || echo '?')," \
  "CMake $(cmake --version 2>/dev/null | sed -n '1s/^cmake version //p')"

JOBS="${GRIDFALL_JOBS:-$(nproc)}"
XVFB_PID=""
HOG_PID=""
cleanup() {
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  if [ -n "$HOG_PID" ]; then kill "$HOG_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [ "$UNDER_LOAD" = 1 ]; then
  stress-ng --cpu "$((2 * $(nproc)))" --quiet &
  HOG_PID=$!
  echo "test.sh: under load, stress-ng --cpu $((2 * $(nproc))) (pid $HOG_PID)"
fi

if [ -z "${DISPLAY:-}" ]; then
  # -noreset: without it Xvfb drops connections made in quick succession.
  for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -noreset -nolisten tcp >/dev/null 2>&1 &
      XVFB_PID=$!
      export DISPLAY=":$n"
      break
    fi
  done
  for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break
    sleep 0.1
  done
fi

# Tests render with Mesa's software rasteriser. The sanitizer options and suppressions are
# built into the test programs (tests/support/sanitizer_defaults.cpp.in).
export LIBGL_ALWAYS_SOFTWARE=1

status=0
# Includes point down the tree (core <- gfx, gpuinfo, results <- scene <- run <- app).
"$ROOT/scripts/check-layering.sh" || status=1

DEBUG="$ROOT/build/debug"
cmake -S "$ROOT" -B "$DEBUG" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$DEBUG" -j "$JOBS"
(cd "$DEBUG" && ctest --output-on-failure -j "$JOBS" -L 'unit|gl|e2e') || status=1

TSAN="$ROOT/build/tsan"
cmake -S "$ROOT" -B "$TSAN" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRIDFALL_TSAN=ON >/dev/null
cmake --build "$TSAN" -j "$JOBS"
# That build holds only the render-thread test areas. Tests are listed when ctest runs them,
# so --no-tests=error makes a build that lost them fail instead of passing empty.
(cd "$TSAN" && ctest --output-on-failure -j "$JOBS" --no-tests=error) || status=1

# The fuzz targets are built (not run) so that a compiler update or a parser change that
# breaks them is seen at once; Debian 12's clang is clang 14.
FUZZ="$ROOT/build/fuzz"
fuzz_targets=()
for source in "$ROOT"/tests/fuzz/*.cpp; do
  name="$(basename "$source" .cpp)"
  fuzz_targets+=("fuzz_$name")
done
cmake -S "$ROOT" -B "$FUZZ" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRIDFALL_FUZZ=ON -DGRIDFALL_TESTS=OFF \
  -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14 >/dev/null
cmake --build "$FUZZ" -j "$JOBS" --target "${fuzz_targets[@]}" || status=1

exit $status

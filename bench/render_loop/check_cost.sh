#!/usr/bin/env bash
# What the stability test's check frames cost: the frame rate of headless stability runs with
# checks off, every second and at the default interval (10 s), interleaved over a few rounds in
# one run so the ratios compare on a shared machine.
#
#   bench/render_loop/check_cost.sh [path/to/gridfall]   (default: build/release/app/gridfall)
# Environment: LEVEL (8), RESOLUTION (640x360), DURATION (20000 ms), ROUNDS (2).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
EXE="${1:-$ROOT/build/release/app/gridfall}"
LEVEL="${LEVEL:-8}"
RESOLUTION="${RESOLUTION:-640x360}"
DURATION="${DURATION:-20000}"
ROUNDS="${ROUNDS:-2}"
[ -x "$EXE" ] || { echo "no program at $EXE" >&2; exit 1; }
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
export LIBGL_ALWAYS_SOFTWARE="${LIBGL_ALWAYS_SOFTWARE:-1}"

for round in $(seq 1 "$ROUNDS"); do
  for interval in 0 1000 10000; do
    dir="$WORK/r$round-i$interval"
    mkdir -p "$dir"
    (cd "$dir" && env -u DISPLAY -u WAYLAND_DISPLAY "$EXE" --headless --demo --quiet --tess "$LEVEL" \
        --resolution "$RESOLUTION" --duration "$DURATION" --check-interval "$interval" --json r.json >/dev/null)
  done
done

python3 - "$WORK" "$ROUNDS" "$LEVEL" "$RESOLUTION" <<'PY'
import json, sys, statistics
work, rounds, level, res = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
rate = {}
checks = {}
for interval in (0, 1000, 10000):
    runs = [json.load(open(f"{work}/r{r}-i{interval}/r.json")) for r in range(1, rounds + 1)]
    rate[interval] = statistics.mean(d["fps"]["avg"] for d in runs)
    checks[interval] = statistics.mean(d["stability"]["checks"] for d in runs)
base = rate[0]
print(f"check frames, level {level}, {res}, {rounds} rounds:")
for interval in (0, 1000, 10000):
    name = "off" if interval == 0 else f"every {interval} ms"
    print(f"  {name:>16}: {rate[interval]:.2f} fps, {checks[interval]:.0f} checks "
          f"({(rate[interval] - base) / base * 100:+.2f} % against off)")
PY

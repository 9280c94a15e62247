#!/usr/bin/env bash
# Whole-program check that a headless benchmark's numbers are real time on a GPU whose frames
# last longer than a second (llvmpipe at level 32 and 64 here):
#   - the JSON's measured time against the wall-clock time of the measuring phase (from the
#     warm-up's end to the last frame, timestamped from the progress lines on standard error);
#   - the score against the frames counted from the per-frame times, and the measured time
#     against the sum of the per-frame times;
# then the frame rate with the threads left unpinned (the default) against /app_cpu_affinity=3
# and /app_cpu_affinity=1 (the old default), in one run so the ratios compare.
#
#   bench/render_loop/measured_time.sh [path/to/gridfall]   (default: build/release/app/gridfall)
# Environment: LEVELS ("32 64"), RESOLUTION (640x360), DURATION (10000 ms), AFFINITY_LEVEL (8).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
EXE="${1:-$ROOT/build/release/app/gridfall}"
LEVELS="${LEVELS:-32 64}"
RESOLUTION="${RESOLUTION:-640x360}"
DURATION="${DURATION:-10000}"
AFFINITY_LEVEL="${AFFINITY_LEVEL:-8}"
[ -x "$EXE" ] || { echo "no program at $EXE (build it with scripts/run.sh --version)" >&2; exit 1; }
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
export LIBGL_ALWAYS_SOFTWARE="${LIBGL_ALWAYS_SOFTWARE:-1}"

# Runs one headless benchmark in $WORK/$1 with the remaining arguments; stderr lines are
# prefixed with the wall-clock time they arrived at (bash's EPOCHREALTIME, no fork per line).
run() {
  local name="$1"; shift
  mkdir -p "$WORK/$name"
  (cd "$WORK/$name" && env -u DISPLAY -u WAYLAND_DISPLAY "$EXE" --headless --benchmark \
      --resolution "$RESOLUTION" --duration "$DURATION" --json r.json "$@" \
      2> >(while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done > stderr.txt) \
      > stdout.txt)
  sleep 0.2   # let the timestamping reader finish its last line
}

report() {
  python3 - "$WORK/$1" "$2" <<'PY'
import json, sys
d, label = sys.argv[1], sys.argv[2]
r = json.load(open(d + "/r.json"))
start = end = None
for line in open(d + "/stderr.txt"):
    stamp, _, text = line.partition(" ")
    if text.startswith("measuring:") and start is None:
        start = float(stamp)
    if text.startswith("done:"):
        end = float(stamp)
measured = r["fps"]["elapsed_ms"]
wall = (end - start) * 1000.0
ft = r["frame_time_ms"]
frame_sum = ft["mean"] * ft["frames"]
print(f"{label}: score {r['score']['value']}, frames from frame times {ft['frames']}, "
      f"measured {measured} ms, wall clock {wall:.0f} ms ({(measured - wall) / wall * 100:+.2f} %), "
      f"sum of frame times {frame_sum:.0f} ms ({(measured - frame_sum) / frame_sum * 100:+.2f} %), "
      f"exact rate {r['fps']['avg']} fps, long frames {r['long_frames']['count']}")
PY
}

echo "program: $(cd "$WORK" && "$EXE" --version 2>/dev/null | head -1)"
for level in $LEVELS; do
  run "level$level" --tess "$level"
  report "level$level" "level $level, $RESOLUTION, ${DURATION} ms"
done

rate() { python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['fps']['avg'])" "$WORK/$1/r.json"; }
run unpinned --tess "$AFFINITY_LEVEL"
run mask3 --tess "$AFFINITY_LEVEL" /app_cpu_affinity=3
run mask1 --tess "$AFFINITY_LEVEL" /app_cpu_affinity=1
python3 - "$(rate unpinned)" "$(rate mask3)" "$(rate mask1)" "$AFFINITY_LEVEL" <<'PY'
import sys
free, m3, m1, level = float(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
print(f"affinity, level {level}: unpinned {free:.2f} fps, /app_cpu_affinity=3 {m3:.2f} fps "
      f"({(m3 - free) / free * 100:+.1f} %), /app_cpu_affinity=1 {m1:.2f} fps ({(m1 - free) / free * 100:+.1f} %)")
PY

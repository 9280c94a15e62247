#!/usr/bin/env bash
# What a frame costs beyond the tessellated sphere, at 640x360:
#   1. CPU time per frame of the rendering thread with Mesa's no-op driver (GALLIUM_NOOP=1:
#      only the CPU side of GL runs, as on a GPU much faster than the CPU): the whole frame
#      against the sphere alone, in alternating blocks in one process (bench_frame_cost);
#   2. the frame rate of a headless gridfall benchmark against the sphere-only reference
#      (bench_frame_cost --only-sphere: the scene's own shaders, uniforms, map set and draw
#      split, nothing else) on llvmpipe at each level, the two runs interleaved, the ratio's
#      median over ROUNDS rounds;
#   3. start to first frame of a headless run: from the program's start to its first progress
#      line, which the render thread writes after presenting its first frame.
#
#   bench/frame_cost/frame_cost.sh <build dir configured with -DGRIDFALL_BENCH=ON>
# Environment: LEVELS ("1 8"), ROUNDS (5), DURATION (5000 ms of measured frames per run).
set -euo pipefail
BUILD="$(cd "${1:?build directory (cmake -DGRIDFALL_BENCH=ON)}" && pwd)"
EXE="$BUILD/app/gridfall"
REF="$BUILD/bench/bench_frame_cost"
LEVELS="${LEVELS:-1 8}"
ROUNDS="${ROUNDS:-5}"
DURATION="${DURATION:-5000}"
for f in "$EXE" "$REF"; do [ -x "$f" ] || { echo "no program at $f" >&2; exit 1; }; done
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
export LIBGL_ALWAYS_SOFTWARE=1
unset DISPLAY WAYLAND_DISPLAY

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

echo "== CPU time per frame of the rendering thread, GALLIUM_NOOP=1, 640x360"
for level in $LEVELS; do
  out="$(cd "$WORK" && GALLIUM_NOOP=1 "$REF" --level "$level" --blocks 10 --frames 500)"
  frame="$(awk '/^frame:/ {print $5}' <<<"$out" | tr -d ,)"
  sphere="$(awk '/^sphere:/ {print $5}' <<<"$out" | tr -d ,)"
  awk -v l="$level" -v f="$frame" -v s="$sphere" \
    'BEGIN {printf "level %s: frame %.4f ms, sphere alone %.4f ms, ratio %.2f\n", l, f, s, f / s}'
done

echo "== frame rate on llvmpipe against the sphere-only reference, 640x360, ${DURATION} ms runs"
for level in $LEVELS; do
  : > "$WORK/ratios"
  for round in $(seq "$ROUNDS"); do
    mkdir -p "$WORK/run"
    (cd "$WORK/run" && "$EXE" --headless --benchmark --quiet --resolution 640x360 --tess "$level" \
        --duration "$DURATION" --json r.json > /dev/null 2>&1)
    ours="$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["fps"]["avg"])' "$WORK/run/r.json")"
    ref="$(cd "$WORK" && "$REF" --only-sphere --level "$level" --frames 5 --blocks 1 \
        --seconds "$(awk -v d="$DURATION" 'BEGIN {print d / 1000}')" | awk '/^sphere:/ {print $7}')"
    awk -v o="$ours" -v r="$ref" 'BEGIN {printf "%.4f\n", o / r}' >> "$WORK/ratios"
    echo "level $level round $round: gridfall $ours fps, sphere alone $ref fps"
  done
  echo "level $level: median ratio $(median < "$WORK/ratios") (min $(sort -g "$WORK/ratios" | head -1), max $(sort -g "$WORK/ratios" | tail -1))"
done

echo "== start to first frame, headless, level 1"
: > "$WORK/starts"
for round in $(seq "$ROUNDS"); do
  mkdir -p "$WORK/start"
  (cd "$WORK/start" && t0=$EPOCHREALTIME && "$EXE" --headless --benchmark --resolution 640x360 --tess 1 \
      --frames 1 2>&1 >/dev/null | while IFS= read -r line; do
        case "$line" in warm-up:*) awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN {printf "%.3f\n", b - a}';; esac
      done | head -1 >> "$WORK/starts") || true
done
echo "start to first frame: median $(median < "$WORK/starts") s over $ROUNDS runs ($(sort -g "$WORK/starts" | tr '\n' ' '))"

#!/usr/bin/env bash
# What a frame costs beyond the tessellated sphere, at 640x360:
#   1. CPU time per frame of the rendering thread with Mesa's no-op driver (GALLIUM_NOOP=1:
#      only the CPU side of GL runs, as on a GPU much faster than the CPU): the scene's whole
#      frame against the sphere alone, in alternating blocks in one process (bench_frame_cost),
#      and a headless gridfall run's render thread (frame loop included) against the sphere;
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

# gridfall's own render thread under the no-op driver: its CPU time (from /proc) between the
# first progress line of the measuring phase and the last one, which it writes itself.
render_thread_ms() {
  GALLIUM_NOOP=1 python3 - "$EXE" "$1" "$DURATION" <<'PY'
import os, re, subprocess, sys
exe, level, duration = sys.argv[1:4]
p = subprocess.Popen([exe, "--headless", "--benchmark", "--resolution", "640x360", "--tess", level,
                      "--duration", duration], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
tick = os.sysconf("SC_CLK_TCK")
def tasks():
    out = {}
    for tid in os.listdir(f"/proc/{p.pid}/task"):
        try:
            f = open(f"/proc/{p.pid}/task/{tid}/stat").read().rsplit(")", 1)[1].split()
            out[int(tid)] = (int(f[11]) + int(f[12])) / tick
        except OSError:
            pass
    return out
start = end = None
frames = 0
for line in p.stderr:
    if line.startswith("measuring:") and start is None:
        start = tasks()
    m = re.match(r"done: (\d+) frames", line)
    if m:
        frames, end = int(m.group(1)), tasks()
p.wait()
busiest = max((t for t in end if t != p.pid), key=lambda t: end[t] - start.get(t, 0))
print(f"{(end[busiest] - start.get(busiest, 0)) * 1000 / frames:.4f}")
PY
}
for level in $LEVELS; do
  sphere="$(cd "$WORK" && GALLIUM_NOOP=1 "$REF" --only-sphere --level "$level" --blocks 10 --frames 500 |
            awk '/^sphere:/ {print $5}' | tr -d ,)"
  ours="$(cd "$WORK" && render_thread_ms "$level")"
  awk -v l="$level" -v f="$ours" -v s="$sphere" \
    'BEGIN {printf "level %s: gridfall render thread %.4f ms, sphere alone %.4f ms, ratio %.2f\n", l, f, s, f / s}'
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

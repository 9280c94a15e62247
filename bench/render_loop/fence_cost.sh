#!/usr/bin/env bash
# What bounding the frames in flight costs, and whether headless and windowed runs now agree.
#   1. llvmpipe, headless: the frame rate with the fences (two frames in flight) against the
#      same runs without them (GRIDFALL_BENCH_NO_FENCES=1, a benchmark-only seam), interleaved
#      ROUNDS times in one invocation so the ratio compares like with like on a busy machine.
#   2. zink over lavapipe and llvmpipe, headless against windowed (X11, DISPLAY or a private
#      Xvfb): score, frames over the measured time, the time from the measured period's end to
#      the exit, and the peak resident memory.
#
#   bench/render_loop/fence_cost.sh [path/to/gridfall]   (default: build/release/app/gridfall)
# Environment: ROUNDS (3), RESOLUTION (320x240), TESS (4), DURATION (3000 ms), XDISPLAY (:97).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
EXE="${1:-$ROOT/build/release/app/gridfall}"
ROUNDS="${ROUNDS:-3}"
RESOLUTION="${RESOLUTION:-320x240}"
TESS="${TESS:-4}"
DURATION="${DURATION:-3000}"
[ -x "$EXE" ] || { echo "no program at $EXE (build it with scripts/run.sh --version)" >&2; exit 1; }
WORK="$(mktemp -d)"
xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$WORK"' EXIT
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY="${XDISPLAY:-:97}"
  Xvfb "$DISPLAY" -noreset -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  sleep 1
fi

# run NAME DRIVER MODE [ENV...]: one benchmark; prints "score frames elapsed_ms exit_s rss_mb".
run() {
  local name="$1" driver="$2" mode="$3"; shift 3
  local dir="$WORK/$name" env=(LIBGL_ALWAYS_SOFTWARE=1 "$@") args=(--no-gui)
  mkdir -p "$dir"
  [ "$driver" = zink ] && env+=(GALLIUM_DRIVER=zink)
  [ "$mode" = headless ] && args=(--headless)
  (cd "$dir" && /usr/bin/time -f '%M' -o rss.txt env "${env[@]}" timeout 300 "$EXE" "${args[@]}" --benchmark \
      --resolution "$RESOLUTION" --tess "$TESS" --duration "$DURATION" --json r.json \
      2> >(while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done > stderr.txt) \
      > stdout.txt; printf '%s\n' "$EPOCHREALTIME" > exit.txt) || true
  sleep 0.2
  python3 - "$dir" <<'PY'
import json, sys, os
d = sys.argv[1]
try:
    r = json.load(open(os.path.join(d, "r.json")))
except Exception:
    print("- - - - -"); sys.exit()
done = [float(l.split()[0]) for l in open(os.path.join(d, "stderr.txt")) if "done:" in l]
end = float(open(os.path.join(d, "exit.txt")).read())
rss = int(open(os.path.join(d, "rss.txt")).read().split()[-1]) // 1024
print(r["score"]["value"], r["fps"]["total_frames"], r["fps"]["elapsed_ms"],
      "%.2f" % (end - done[-1]) if done else "-", rss)
PY
}

echo "1. fences on llvmpipe, headless, ${RESOLUTION} level ${TESS}, ${DURATION} ms, ${ROUNDS} rounds"
with=0; without=0
for i in $(seq "$ROUNDS"); do
  read -r s1 f1 e1 x1 m1 < <(run "fenced$i" llvmpipe headless)
  read -r s2 f2 e2 x2 m2 < <(run "unfenced$i" llvmpipe headless GRIDFALL_BENCH_NO_FENCES=1)
  printf '  round %d: with fences %s frames in %s ms, without %s frames in %s ms (peak %s / %s MB)\n' \
    "$i" "$f1" "$e1" "$f2" "$e2" "$m1" "$m2"
  with=$(awk -v a="$with" -v f="$f1" -v e="$e1" 'BEGIN { print a + f * 1000 / e }')
  without=$(awk -v a="$without" -v f="$f2" -v e="$e2" 'BEGIN { print a + f * 1000 / e }')
done
awk -v a="$with" -v b="$without" 'BEGIN { printf "  frame rate with/without fences: %.3f\n", a / b }'

echo "2. headless against windowed (score, frames, elapsed ms, exit s after the measured end, peak MB)"
for driver in zink llvmpipe; do
  for i in $(seq "$ROUNDS"); do
    printf '  %-8s round %d headless: %s\n' "$driver" "$i" "$(run "h-$driver$i" "$driver" headless)"
    printf '  %-8s round %d windowed: %s\n' "$driver" "$i" "$(run "w-$driver$i" "$driver" windowed)"
  done
done

#!/usr/bin/env bash
# Long-run memory soak: a headless stability test at a small size with a check frame every
# second and the frame log on, its resident memory, threads, descriptors and frame-log size
# sampled every INTERVAL_S seconds. Prints one table row per sample as it goes, then a summary:
# memory after the first minutes against the end, and the frame log's growth per hour.
#
#   bench/automation/soak.sh [path/to/gridfall]   (default: build/release/app/gridfall)
# Environment: DURATION_S (7200, two hours), INTERVAL_S (30), RESOLUTION (160x120), TESS (2),
#   SETTLE_S (300: samples before this are the start-up, not the trend), WORK (folder for the
#   run's files; default a temporary one, removed at the end).
# Use a Release build: the sanitizers of a Debug build keep freed memory in quarantine.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
EXE="${1:-$ROOT/build/release/app/gridfall}"
DURATION_S="${DURATION_S:-7200}"
INTERVAL_S="${INTERVAL_S:-30}"
RESOLUTION="${RESOLUTION:-160x120}"
TESS="${TESS:-2}"
SETTLE_S="${SETTLE_S:-300}"
[ -x "$EXE" ] || { echo "no program at $EXE (build it with scripts/run.sh --version)" >&2; exit 1; }
if [ -n "${WORK:-}" ]; then
  mkdir -p "$WORK"
else
  WORK="$(mktemp -d)"
  trap 'rm -rf "$WORK"' EXIT
fi
export LIBGL_ALWAYS_SOFTWARE="${LIBGL_ALWAYS_SOFTWARE:-1}"

cd "$WORK"
env -u DISPLAY -u WAYLAND_DISPLAY "$EXE" --headless --demo --quiet \
  --duration "$((DURATION_S * 1000))" --check-interval 1000 --resolution "$RESOLUTION" --tess "$TESS" \
  --json soak.json --frame-log soak.fl > stdout.txt 2> stderr.txt &
PID=$!

# The frame log is written under a temporary name beside its final one until the run ends.
frame_log_bytes() {
  local f
  for f in soak.fl.tmp* soak.fl; do
    [ -e "$f" ] && { stat -c %s "$f"; return; }
  done
  echo 0
}

START=$EPOCHSECONDS
echo "elapsed_s rss_kib threads fds frame_log_bytes" | tee samples.txt
while kill -0 "$PID" 2>/dev/null; do
  rss="$(awk '/^VmRSS:/ {print $2}' "/proc/$PID/status" 2>/dev/null || true)"
  threads="$(awk '/^Threads:/ {print $2}' "/proc/$PID/status" 2>/dev/null || true)"
  fds="$(ls "/proc/$PID/fd" 2>/dev/null | wc -l)"
  [ -n "$rss" ] && echo "$((EPOCHSECONDS - START)) $rss $threads $fds $(frame_log_bytes)" | tee -a samples.txt
  sleep "$INTERVAL_S"
done
status=0
wait "$PID" || status=$?
echo "exit status $status; $(tail -n 1 stdout.txt)"

python3 - "$SETTLE_S" <<'PY'
import json, os, sys
settle = int(sys.argv[1])
rows = [list(map(int, l.split())) for l in open("samples.txt").read().splitlines()[1:] if l.strip()]
if not rows:
    sys.exit("no samples")
late = [r for r in rows if r[0] >= settle] or rows
first, last = late[0], late[-1]
print(f"samples: {len(rows)} over {rows[-1][0]} s")
print(f"resident memory: start {rows[0][1] / 1024:.1f} MiB, at {first[0]} s {first[1] / 1024:.1f} MiB, "
      f"max after that {max(r[1] for r in late) / 1024:.1f} MiB, end {last[1] / 1024:.1f} MiB "
      f"(change after {settle} s: {(last[1] - first[1]) / 1024:+.1f} MiB)")
print(f"threads {min(r[2] for r in late)}..{max(r[2] for r in late)}, "
      f"descriptors {min(r[3] for r in late)}..{max(r[3] for r in late)}")
size = os.path.getsize("soak.fl") if os.path.exists("soak.fl") else last[4]
try:
    r = json.load(open("soak.json"))
    frames, ms = r["frame_time_ms"]["frames"], r["fps"]["elapsed_ms"]
except Exception:
    frames, ms = None, rows[-1][0] * 1000
hours = ms / 3.6e6
if hours > 0:
    line = f"frame log: {size} bytes, {size / hours / 1e6:.1f} MB per hour"
    if frames:
        line += f", {size / frames:.1f} bytes per frame at {frames / (ms / 1000):.1f} frames per second"
    print(line)
PY
exit "$status"

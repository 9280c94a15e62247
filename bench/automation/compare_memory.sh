#!/usr/bin/env bash
# Peak memory of `gridfall compare` on a results file of a day-long stability test on four
# GPUs (86,400 per-second windows, each with four GPUs' sensors: about 93 MB in our layout),
# compared with itself. The file is made from a real short run's JSON, so its layout is the
# program's own; the peak resident memory of the compare process is printed in MiB.
#
#   bench/automation/compare_memory.sh [path/to/gridfall]   (default: build/release/app/gridfall)
# Environment: SECONDS_IN_FILE (86400), GPUS (4).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
EXE="${1:-$ROOT/build/release/app/gridfall}"
[ -x "$EXE" ] || { echo "no program at $EXE (build it with scripts/run.sh --version)" >&2; exit 1; }
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
export LIBGL_ALWAYS_SOFTWARE="${LIBGL_ALWAYS_SOFTWARE:-1}"

(cd "$WORK" && env -u DISPLAY -u WAYLAND_DISPLAY "$EXE" --headless --demo --quiet --duration 3000 \
   --check-interval 0 --resolution 64x48 --tess 2 --json small.json >/dev/null 2>&1) || true
[ -s "$WORK/small.json" ] || { echo "the short run wrote no results" >&2; exit 1; }

python3 - "$EXE" "$WORK" "${SECONDS_IN_FILE:-86400}" "${GPUS:-4}" <<'PY'
import json, os, resource, subprocess, sys
exe, work, count, gpus = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
doc = json.load(open(os.path.join(work, "small.json")))
template = dict(doc["seconds"][0])
gpu = {"temperature_c": 71.5, "core_clock_mhz": 1875.0, "memory_clock_mhz": 7000.0,
       "power_w": 215.3, "fan_percent": 54.0, "fan_rpm": 1830}
seconds = []
for i in range(count):
    s = dict(template)
    s["elapsed_ms"] = (i + 1) * 1000
    s["window_ms"] = 1000
    s["frames"] = 990 + i % 20
    s["fps"] = float(990 + i % 20)
    s["partial"] = False
    s["gpus"] = [dict(gpu) for _ in range(gpus)]
    seconds.append(s)
doc["seconds"] = seconds
big = os.path.join(work, "big.json")
with open(big, "w") as f:
    json.dump(doc, f, indent=2)
size = os.path.getsize(big)
before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
r = subprocess.run([exe, "compare", big, big], capture_output=True, text=True)
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(f"file: {size / 1e6:.1f} MB, {count} windows, {gpus} GPUs")
print(f"compare: exit status {r.returncode}, peak resident memory {peak / 1024:.1f} MiB")
if r.returncode != 0:
    print(r.stderr, end="")
    sys.exit(1)
PY

#!/usr/bin/env bash
# Gridfall on a real GPU, in a few minutes: the start-up log, the rendering validation (both
# profiles), headless benchmarks at 1920x1080 and tessellation levels 8, 32 and 64, a 60 s
# stability run where this build has timed stability runs, one --gl-debug run, the NVML
# readings Gridfall reports beside nvidia-smi's, and a headless run against a windowed one at
# the same settings (where a display is at hand): whether the driver's EGL pbuffers queue
# frames as zink's do shows as a score that disagrees with the windowed one, a measured time
# far past the duration or memory that grows. Writes OUTDIR/summary.txt and one folder of
# logs per step.
#
#   device-check.sh OUTDIR
#
# Made for a bare NVIDIA machine (driver, no SDL or GTK, no network): run it from the bundle
# that scripts/make-device-bundle.sh makes. It uses the bundle's libraries and C library, and
# the driver's EGL through glvnd. Outside a bundle it runs build/release/app/gridfall with the
# system's libraries. Any GL driver does (llvmpipe included), so it can be tried anywhere:
#   DEVICE_CHECK_RESOLUTION  benchmark size (default 1920x1080)
#   DEVICE_CHECK_LEVELS      tessellation levels (default "8 32 64")
#   DEVICE_CHECK_DURATION_MS benchmark length after the 4 s warm-up (default 10000)
#   DEVICE_CHECK_STABILITY_MS  stability run length (default 60000; 0 skips it)
#   DEVICE_CHECK_DEBUG_LEVEL tessellation level of the --gl-debug run (default 32)
#   DEVICE_CHECK_EGL_VENDOR  glvnd EGL vendor file to use (default: NVIDIA's, where found)
#   DEVICE_CHECK_COMPARE_LEVEL tessellation level of the headless/windowed pair (default 32;
#                            the windowed run needs DISPLAY, else it is skipped and says so)
set -uo pipefail

if [ $# -ne 1 ] || [ -z "$1" ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
OUTDIR="$1"
mkdir -p "$OUTDIR" || exit 1
OUTDIR="$(cd "$OUTDIR" && pwd)"
HERE="$(cd "$(dirname "$0")" && pwd)"

RESOLUTION="${DEVICE_CHECK_RESOLUTION:-1920x1080}"
LEVELS="${DEVICE_CHECK_LEVELS:-8 32 64}"
DURATION_MS="${DEVICE_CHECK_DURATION_MS:-10000}"
STABILITY_MS="${DEVICE_CHECK_STABILITY_MS:-60000}"
DEBUG_LEVEL="${DEVICE_CHECK_DEBUG_LEVEL:-32}"
COMPARE_LEVEL="${DEVICE_CHECK_COMPARE_LEVEL:-32}"
SUMMARY="$OUTDIR/summary.txt"

# --- how to start the program ------------------------------------------------------------
if [ -x "$HERE/bin/gridfall" ] && [ -x "$HERE/lib/ld-linux-x86-64.so.2" ]; then
  BUNDLE="$HERE"
  libpath="$BUNDLE/lib:$BUNDLE/lib/glvnd"
  # The driver's libraries (libEGL_nvidia, libnvidia-ml) are found through the system's
  # loader cache, or in the places NVIDIA containers and installers put them.
  for d in /usr/local/nvidia/lib64 /usr/local/nvidia/lib /usr/lib/x86_64-linux-gnu/nvidia/current; do
    [ -d "$d" ] && libpath="$libpath:$d"
  done
  [ -n "${LD_LIBRARY_PATH:-}" ] && libpath="$libpath:$LD_LIBRARY_PATH"
  LAUNCH=("$BUNDLE/lib/ld-linux-x86-64.so.2" --library-path "$libpath" "$BUNDLE/bin/gridfall")
  if [ -f "$BUNDLE/share/fonts.conf" ]; then
    export FONTCONFIG_FILE="$BUNDLE/share/fonts.conf"
  fi
else
  BUNDLE=""
  exe="${GRIDFALL_EXE:-$HERE/../build/release/app/gridfall}"
  if [ ! -x "$exe" ]; then
    echo "device-check: no bundle here and no program at $exe (scripts/make-device-bundle.sh makes the bundle)" >&2
    exit 1
  fi
  LAUNCH=("$exe")
fi

# glvnd picks the EGL vendor from its JSON files; NVIDIA's may live outside glvnd's default
# folders (containers put it under /usr/local/nvidia).
egl_vendor="${DEVICE_CHECK_EGL_VENDOR:-}"
if [ -z "$egl_vendor" ]; then
  for f in /usr/share/glvnd/egl_vendor.d/10_nvidia.json /etc/glvnd/egl_vendor.d/10_nvidia.json \
           /usr/local/nvidia/share/glvnd/egl_vendor.d/10_nvidia.json \
           /usr/local/share/glvnd/egl_vendor.d/10_nvidia.json; do
    [ -f "$f" ] && { egl_vendor="$f"; break; }
  done
fi
[ -n "$egl_vendor" ] && export __EGL_VENDOR_LIBRARY_FILENAMES="$egl_vendor"

NVSMI="$(command -v nvidia-smi 2>/dev/null || true)"
[ -z "$NVSMI" ] && [ -x /usr/local/nvidia/bin/nvidia-smi ] && NVSMI=/usr/local/nvidia/bin/nvidia-smi

# --- steps ---------------------------------------------------------------------------------
STEP_LINES=()
STEP_ENV=()
# run_step NAME SECONDS ARGS...: runs the program in OUTDIR/NAME (where it writes its log),
# standard output and error in output.txt; records the exit status and the wall time.
run_step() {
  local name="$1" limit="$2"
  shift 2
  local dir="$OUTDIR/$name"
  mkdir -p "$dir"
  local t0 t1 rc
  t0=$(date +%s.%N)
  # The peak resident memory where GNU time is installed (a queue of frames grows it).
  local timer=()
  [ -x /usr/bin/time ] && timer=(/usr/bin/time -f '%M' -o "$dir/peak_rss_kb.txt")
  (cd "$dir" && timeout -k 10 "$limit" "${timer[@]}" env "${STEP_ENV[@]}" "${LAUNCH[@]}" "$@" >output.txt 2>&1)
  rc=$?
  t1=$(date +%s.%N)
  local secs
  secs=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", b - a }')
  [ "$rc" = 124 ] || [ "$rc" = 137 ] && echo "(stopped after $limit s)" >>"$dir/output.txt"
  printf '%s\n' "$*" >"$dir/command.txt"
  STEP_LINES+=("$(printf '%-22s exit %-3s %7s s' "$name" "$rc" "$secs")")
  return 0
}

# The value of a numeric JSON member that appears once in the file ("value", "avg", ...),
# after the first occurrence of an enclosing key, without needing a JSON tool on the machine.
json_number() {
  local file="$1" section="$2" key="$3"
  [ -f "$file" ] || { echo "-"; return; }
  local v
  v=$(awk -v s="\"$section\"" -v k="\"$key\"" '
    index($0, s) { inside = 1 }
    inside && index($0, k) { sub(/.*: */, ""); sub(/,.*/, ""); print; exit }
  ' "$file")
  echo "${v:--}"
}

echo "device-check: writing to $OUTDIR"
{
  echo "machine: $(uname -srm)"
  [ -n "$BUNDLE" ] && sed -n '1,5p' "$BUNDLE/MANIFEST.txt"
  echo "EGL vendor file: ${egl_vendor:-glvnd default}"
  if [ -n "$NVSMI" ]; then
    "$NVSMI" -L 2>&1
    "$NVSMI" --query-gpu=name,pci.bus_id,driver_version,vbios_version,memory.total,clocks.max.gr,clocks.max.mem,power.limit --format=csv 2>&1
  else
    echo "nvidia-smi: not found"
  fi
} >"$OUTDIR/machine.txt" 2>&1

run_step version 30 --version
# The loader's record of this run names every library that came from the machine rather than
# the bundle: the driver's, and nothing else if the bundle is complete.
[ -n "$BUNDLE" ] && STEP_ENV=(LD_DEBUG=files "LD_DEBUG_OUTPUT=$OUTDIR/validate/ld-debug")
run_step validate 300 --headless --validate
STEP_ENV=()
cp "$OUTDIR/validate/gridfall_log.txt" "$OUTDIR/startup-log.txt" 2>/dev/null
run_step validate-core-debug 300 --headless --validate --gl-debug /gl3_core_profile

# nvidia-smi's own readings, once a second, while the benchmarks and the stability run load
# the GPU: to be held against what Gridfall read through NVML in the same seconds.
smi_pid=""
if [ -n "$NVSMI" ]; then
  "$NVSMI" --query-gpu=timestamp,index,temperature.gpu,clocks.gr,clocks.sm,clocks.mem,power.draw,fan.speed,pstate \
    --format=csv,nounits -l 1 >"$OUTDIR/nvidia-smi-during-runs.csv" 2>&1 &
  smi_pid=$!
fi
bench_limit=$(( DURATION_MS / 1000 + 4 + 120 ))
for level in $LEVELS; do
  run_step "bench-tess$level" "$bench_limit" --headless --benchmark --duration "$DURATION_MS" \
    --resolution "$RESOLUTION" --tess "$level" --json results.json --csv seconds.csv
done
stability="skipped"
if [ "$STABILITY_MS" -gt 0 ] 2>/dev/null; then
  # Timed stability runs come with their own options; without them a demo run never ends.
  if "${LAUNCH[@]}" --help 2>/dev/null | grep -q -- '--check-interval'; then
    run_step stability $(( STABILITY_MS / 1000 + 120 )) --headless --demo --duration "$STABILITY_MS" \
      --resolution "$RESOLUTION" --json results.json --csv seconds.csv
    stability="$(grep -a 'Gridfall Stability:' "$OUTDIR/stability/output.txt" | tail -1)"
    [ -z "$stability" ] && stability="no verdict (see stability/output.txt)"
  else
    stability="skipped: this build has no timed stability runs"
  fi
fi
[ -n "$smi_pid" ] && { kill "$smi_pid" 2>/dev/null; wait "$smi_pid" 2>/dev/null; }

# The same benchmark headless and in a window.
compare_runs="headless"
run_step compare-headless "$bench_limit" --headless --benchmark --duration "$DURATION_MS" \
  --resolution "$RESOLUTION" --tess "$COMPARE_LEVEL" --json results.json --frame-log frames.csv
if [ -n "${DISPLAY:-}" ]; then
  run_step compare-windowed "$bench_limit" --no-gui --benchmark --duration "$DURATION_MS" \
    --resolution "$RESOLUTION" --tess "$COMPARE_LEVEL" --json results.json --frame-log frames.csv
  compare_runs="headless windowed"
fi
run_step gl-debug $(( 3 + 4 + 120 )) --headless --benchmark --duration 3000 --resolution "$RESOLUTION" \
  --tess "$DEBUG_LEVEL" --msaa 4 --postfx fxaa --gl-debug --json results.json

# --- summary -------------------------------------------------------------------------------
{
  echo "Gridfall device check, $(date -u +%Y-%m-%dT%H:%M:%SZ)"
  echo
  cat "$OUTDIR/machine.txt"
  echo
  echo "renderer: $(grep -a -m1 '^\[validate\] renderer:' "$OUTDIR/validate/output.txt" | sed 's/^\[validate\] renderer: //')"
  grep -a -m1 'context with .* profile init ok' "$OUTDIR/validate/gridfall_log.txt" 2>/dev/null | sed 's/^.*>> /context: /'
  echo
  echo "steps:"
  printf '  %s\n' "${STEP_LINES[@]}"
  echo
  echo "validation (compatibility): $(grep -a '^Validation:' "$OUTDIR/validate/output.txt" | tail -1)"
  grep -a '^\[validate\] sphere' "$OUTDIR/validate/output.txt" | sed 's/^/  /'
  if [ -n "$BUNDLE" ]; then
    echo "libraries the machine supplied (everything else came from the bundle):"
    cat "$OUTDIR"/validate/ld-debug.* 2>/dev/null | awk '/calling init:/ { print $NF }' |
      grep -v "^$BUNDLE/" | grep -v -e '/libc\.so\.6$' -e '/ld-linux-x86-64\.so\.2$' | sort -u | sed 's/^/  /'
  fi
  echo "validation (core profile, --gl-debug): $(grep -a '^Validation:' "$OUTDIR/validate-core-debug/output.txt" | tail -1)"
  grep -a 'OpenGL debug: [0-9]* driver messages' "$OUTDIR/validate-core-debug/gridfall_log.txt" 2>/dev/null | sed 's/^.*>> /  /'
  echo
  echo "benchmarks at $RESOLUTION, ${DURATION_MS} ms after the warm-up:"
  printf '  %-6s %8s %8s %9s %9s %9s\n' level score "avg fps" "p50 ms" "p99 ms" "1% low"
  for level in $LEVELS; do
    j="$OUTDIR/bench-tess$level/results.json"
    printf '  %-6s %8s %8s %9s %9s %9s\n' "$level" "$(json_number "$j" score value)" \
      "$(json_number "$j" fps avg)" "$(json_number "$j" frame_time_ms p50)" \
      "$(json_number "$j" frame_time_ms p99)" "$(json_number "$j" lows_fps low_1_percent)"
  done
  echo "  GPU time per frame (timer queries; - where the driver has none):"
  printf '  %-6s %9s %9s %9s\n' level "GPU p50" "GPU p95" "GPU p99"
  for level in $LEVELS; do
    j="$OUTDIR/bench-tess$level/results.json"
    printf '  %-6s %9s %9s %9s\n' "$level" "$(json_number "$j" gpu_time_ms p50)" \
      "$(json_number "$j" gpu_time_ms p95)" "$(json_number "$j" gpu_time_ms p99)"
  done
  echo
  echo "headless against windowed at level $COMPARE_LEVEL (score, frames, measured ms, step wall time, peak memory):"
  for mode in $compare_runs; do
    j="$OUTDIR/compare-$mode/results.json"
    printf '  %-9s score %s, frames %s, measured %s ms, %s, peak %s KiB\n' "$mode" "$(json_number "$j" score value)" \
      "$(json_number "$j" fps total_frames)" "$(json_number "$j" fps elapsed_ms)" \
      "$(printf '%s\n' "${STEP_LINES[@]}" | grep "^compare-$mode " | awk '{ print $(NF-1), $NF }')" \
      "$(tail -1 "$OUTDIR/compare-$mode/peak_rss_kb.txt" 2>/dev/null || echo -)"
  done
  [ "$compare_runs" = headless ] && echo "  windowed: skipped (no DISPLAY)"
  echo
  echo "stability: $stability"
  echo
  echo "gl-debug run (level $DEBUG_LEVEL, 4X MSAA, FXAA):"
  dlog="$OUTDIR/gl-debug/gridfall_log.txt"
  grep -a 'OpenGL debug: [0-9]* driver messages\|KHR_debug\|no debug output' "$dlog" 2>/dev/null | sed 's/^.*>> /  /'
  echo "  error lines: $(grep -a -c 'OpenGL debug: source .* type error\|OpenGL error' "$dlog" 2>/dev/null || true)"
  grep -a 'OpenGL debug: source .* type error\|OpenGL error' "$dlog" 2>/dev/null | sed 's/^.*>> /    /' | sort | uniq -c | head -20
  echo
  echo "sensors, Gridfall (NVML) against nvidia-smi during the same runs:"
  for level in $LEVELS; do
    j="$OUTDIR/bench-tess$level/results.json"
    echo "  level $level: Gridfall max temperature $(json_number "$j" sensors max_temperature_c) C," \
      "max power $(json_number "$j" sensors max_power_w) W," \
      "core clock $(json_number "$j" sensors gpu0_core_clock_mhz) MHz," \
      "memory clock $(json_number "$j" sensors gpu0_memory_clock_mhz) MHz"
  done
  csv="$OUTDIR/nvidia-smi-during-runs.csv"
  if [ -s "$csv" ] && grep -q '^[0-9]' "$csv"; then
    awk -F', *' 'NR > 1 && $3 ~ /^[0-9]/ {
        if ($3 > t) t = $3; if ($4 > g) g = $4; if ($6 > m) m = $6; if ($7 + 0 > p) p = $7 + 0; n++ }
      END { printf "  nvidia-smi (%d samples): max temperature %s C, max power %.1f W, max core clock %s MHz, max memory clock %s MHz\n", n, t, p, g, m }' "$csv"
  else
    echo "  nvidia-smi: no readings"
  fi
  grep -a -i 'nvml\|GPU [0-9]\|temperature' "$OUTDIR/startup-log.txt" 2>/dev/null | sed 's/^.*>> /  startup log: /' | head -12
} >"$SUMMARY"

cat "$SUMMARY"

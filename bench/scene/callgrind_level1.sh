#!/usr/bin/env bash
# Instructions per frame at tessellation level 1: our code (scene and framework, linked into
# bench_scene) against the driver (Mesa's GL, llvmpipe, LLVM's generated code and the C
# library it calls). llvmpipe runs without worker threads so its rasterisation is counted on
# the calling thread; only BenchFrame (one frame plus glFinish) is collected.
#   bench/scene/callgrind_level1.sh <build dir with -DGRIDFALL_BENCH=ON>
set -euo pipefail
BUILD="${1:?build directory}"
OUT="$(mktemp -d)"
export LIBGL_ALWAYS_SOFTWARE=1 LP_NUM_THREADS=0
valgrind --tool=callgrind --callgrind-out-file="$OUT/cg.out" \
  --toggle-collect='*BenchFrame*' \
  "$BUILD/bench/bench_scene" --benchmark_filter=BM_SceneFrameCallgrind >/dev/null 2>"$OUT/vg.log"
FRAMES=3
callgrind_annotate --inclusive=no --threshold=100 "$OUT/cg.out" 2>/dev/null |
  awk -v frames="$FRAMES" '
    /^ *[0-9,]+ .*:/ {
      n = $1; gsub(",", "", n);
      file = $0; sub(/^ *[0-9,]+ +\([^)]*\) +/, "", file); sub(/^ *[0-9,]+ +/, "", file);
      obj = file; sub(/ .*$/, "", obj);
      if (file ~ /\[.*bench_scene\]/ || file ~ /^\/work\//) ours += n; else driver += n;
    }
    END {
      printf "instructions per frame: ours %.0f, driver %.0f (%.2f%% ours)\n",
             ours / frames, driver / frames, 100 * ours / (ours + driver);
    }'
echo "raw profile: $OUT/cg.out"

#!/usr/bin/env bash
# Fails when an include points up the tree. The folders, bottom to top:
#   core  <-  gfx, gpuinfo, results  <-  scene  <-  run  <-  app
# A folder includes its own headers and those of the folders below it; the three middle
# libraries do not include each other. tests/, bench/ and tools/ may include anything: a unit
# test's layering is held by the library it links (tests/CMakeLists.txt).
#
#   scripts/check-layering.sh [ROOT]   ROOT: the tree to check (default: this checkout)
set -euo pipefail
ROOT="${1:-$(cd "$(dirname "$0")/.." && pwd)}"

declare -A allowed=(
  [core]="core"
  [gfx]="core gfx"
  [gpuinfo]="core gpuinfo"
  [results]="core results"
  [scene]="core gfx gpuinfo results scene"
  [run]="core gfx gpuinfo results scene run"
  [app]="core gfx gpuinfo results scene run app"
)

status=0
for folder in core gfx gpuinfo results scene run app; do
  [ -d "$ROOT/$folder" ] || continue
  while IFS= read -r hit; do
    file="${hit%%:*}"
    rest="${hit#*:}"
    line="${rest%%:*}"
    target="$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$rest")"
    case " ${allowed[$folder]} " in
      *" $target "*) ;;
      *)
        echo "check-layering: ${file#"$ROOT"/}:$line includes $target/ from $folder/ (includes point down: core <- gfx, gpuinfo, results <- scene <- run <- app)" >&2
        status=1
        ;;
    esac
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z_]+/' "$ROOT/$folder" \
             --include='*.h' --include='*.cpp' --include='*.in' || true)
done
if [ "$status" = 0 ]; then
  echo "check-layering: every include points down"
fi
exit "$status"

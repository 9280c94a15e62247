#!/usr/bin/env bash
# Packs a Release build of Gridfall for a machine that has a GPU driver but none of our
# libraries (no SDL, GTK, ...) and no network: the binary, every shared library it
# needs except the GL driver's own, glvnd's vendor-neutral loaders (libEGL, libGL, ...; the
# driver installs only its vendor libraries beside them), the C library and its loader (the
# other machine's may be older), the HUD font, and scripts/device-check.sh to run there.
#
#   scripts/make-device-bundle.sh [OUT.tar.xz]    (default build/device-bundle.tar.xz)
#
# On the other machine:  tar xf device-bundle.tar.xz && gridfall-bundle/device-check.sh OUTDIR
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="${1:-$ROOT/build/device-bundle.tar.xz}"
BUILD="${GRIDFALL_BUNDLE_BUILD:-$ROOT/build/release}"
LIMIT_BYTES=$((64 * 1024 * 1024))

if [ "${GRIDFALL_BUNDLE_SKIP_BUILD:-0}" != 1 ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGRIDFALL_TESTS=OFF >/dev/null
  cmake --build "$BUILD" --target gridfall
fi
EXE="$BUILD/app/gridfall"
[ -x "$EXE" ] || { echo "make-device-bundle: no binary at $EXE" >&2; exit 1; }

STAGE="$(mktemp -d)"
trap 'rm -rf "$STAGE"' EXIT
B="$STAGE/gridfall-bundle"
mkdir -p "$B/bin" "$B/lib" "$B/lib/glvnd" "$B/share/fonts"

install -m 0755 "$EXE" "$B/bin/gridfall"
strip --strip-unneeded "$B/bin/gridfall" 2>/dev/null || true

# The GL driver's own libraries stay behind: the GPU machine's driver provides them (NVIDIA's
# libEGL_nvidia and libGLX_nvidia, reached through glvnd). Mesa's would only find no GPU
# there. glvnd's loaders are vendor-neutral and go into lib/glvnd. libgbm stays: SDL links it,
# and it loads no driver unless asked to.
is_driver_lib() {
  case "$1" in
    libEGL_mesa*|libGLX_mesa*|libgallium*|libglapi*|libLLVM*|libvulkan*|libnvidia*|libcuda*) return 0 ;;
  esac
  return 1
}
is_glvnd_lib() {
  case "$1" in
    libEGL.so*|libGL.so*|libGLX.so*|libGLdispatch.so*|libOpenGL.so*|libGLESv2.so*) return 0 ;;
  esac
  return 1
}

# ldd lists the whole closure (dependencies of dependencies) with resolved paths.
ldd "$EXE" | while read -r name arrow path _; do
  if [ "$arrow" != "=>" ]; then
    # The program interpreter: "/lib64/ld-linux-x86-64.so.2 (0x...)".
    case "$name" in /*ld-linux*) cp -L "$name" "$B/lib/ld-linux-x86-64.so.2" ;; esac
    continue
  fi
  [ -f "$path" ] || continue
  if is_driver_lib "$name"; then continue; fi
  if is_glvnd_lib "$name"; then cp -L "$path" "$B/lib/glvnd/$name"; else cp -L "$path" "$B/lib/$name"; fi
done
# SDL's offscreen driver opens libEGL.so.1 at run time; the binary may not link it itself.
for extra in libEGL.so.1 libGLdispatch.so.0; do
  if [ ! -e "$B/lib/glvnd/$extra" ]; then
    p="$(ldconfig -p | awk -v n="$extra" '$1 == n && /x86-64/ { print $NF; exit }')"
    [ -n "$p" ] && cp -L "$p" "$B/lib/glvnd/$extra"
  fi
done
[ -e "$B/lib/ld-linux-x86-64.so.2" ] || { echo "make-device-bundle: no program interpreter found" >&2; exit 1; }
chmod 0755 "$B/lib/ld-linux-x86-64.so.2"

# The HUD's font (fontconfig's match for "Arial:bold") and a fontconfig file that knows only it.
FONT="$(fc-match -f '%{file}' 'Arial:bold' 2>/dev/null || true)"
[ -n "$FONT" ] || FONT="$(find /usr/share/fonts -name 'LiberationSans-Bold.ttf' 2>/dev/null | head -1)"
if [ -n "$FONT" ] && [ -f "$FONT" ]; then
  cp -L "$FONT" "$B/share/fonts/"
fi
cat >"$B/share/fonts.conf" <<'EOF'
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir prefix="relative">fonts</dir>
  <cachedir>/tmp/gridfall-bundle-fontcache</cachedir>
  <alias><family>Arial</family><prefer><family>Liberation Sans</family></prefer></alias>
</fontconfig>
EOF

install -m 0755 "$ROOT/scripts/device-check.sh" "$B/device-check.sh"
{
  echo "Gridfall device bundle"
  echo "made: $(date -u +%Y-%m-%dT%H:%M:%SZ) on $(uname -srm)"
  echo "commit: $(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)"
  # In the staging folder: the program writes its log into the current directory.
  echo "version: $(cd "$STAGE" && "$EXE" --version 2>/dev/null | head -1 || echo unknown)"
  echo "C library: $(ldd --version 2>/dev/null | head -1)"
  echo "libraries:"
  (cd "$B/lib" && find . -type f | sort | sed 's|^\./|  |')
} >"$B/MANIFEST.txt"

mkdir -p "$(dirname "$OUT")"
rm -f "$STAGE/gridfall_log.txt"
tar -C "$STAGE" -cJf "$OUT" gridfall-bundle
unpacked=$(du -sb "$B" | cut -f1)
packed=$(stat -c %s "$OUT")
echo "make-device-bundle: $OUT: $((packed / 1024)) KiB packed, $((unpacked / 1024)) KiB unpacked"
if [ "$packed" -gt "$LIMIT_BYTES" ]; then
  echo "make-device-bundle: the bundle is larger than 64 MiB" >&2
  exit 1
fi

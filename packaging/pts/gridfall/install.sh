#!/bin/sh
# Phoronix Test Suite install script: builds Gridfall (Release, the program only) from the
# release tarball that downloads.xml names, in the test's install directory, and writes the
# launcher the suite runs as "gridfall". scripts/make-dist.sh fills in @GRIDFALL_VERSION@.
tar -xf gridfall-@GRIDFALL_VERSION@.tar.gz || { echo 1 > ~/install-exit-status; exit 1; }
SRC="$PWD/gridfall-@GRIDFALL_VERSION@"

# Without apt-file the suite cannot turn the profile's SystemDependencies into packages; say
# which Debian packages are missing instead of failing deep inside the build.
missing=""
for module in sdl2:libsdl2-dev gtk+-3.0:libgtk-3-dev cairo:libcairo2-dev \
              freetype2:libfreetype-dev fontconfig:libfontconfig-dev libdrm:libdrm-dev \
              libpci:libpci-dev egl:libegl-dev gl:libgl-dev; do
  pkg-config --exists "${module%%:*}" 2>/dev/null || missing="$missing ${module#*:}"
done
[ -e /usr/include/irrlicht/irrXML.h ] || [ -e /usr/include/irrXML.h ] || missing="$missing libirrlicht-dev"
[ -e /usr/include/stb/stb_image.h ] || [ -e /usr/include/stb_image.h ] || missing="$missing libstb-dev"
if [ -n "$missing" ]; then
  echo "Gridfall needs these development packages (Debian names):$missing"
  echo 1 > ~/install-exit-status
  exit 1
fi

cmake -S "$SRC" -B gridfall-build -DCMAKE_BUILD_TYPE=Release -DGRIDFALL_TESTS=OFF &&
  cmake --build gridfall-build --target gridfall -j "${NUM_CPU_CORES:-2}"
echo $? > ~/install-exit-status

cat > gridfall <<'LAUNCH'
#!/bin/sh
# Headless (no display needed) and quiet: the output holds the results, the average frame
# rate and, last, the score.
./gridfall-build/app/gridfall --quiet "$@" > "$LOG_FILE" 2>&1
echo $? > ~/test-exit-status
LAUNCH
chmod +x gridfall

#!/bin/sh
# Builds Gridfall (Release) and installs the launcher the test suite runs as "gridfall".
# Sources: $GRIDFALL_SOURCE_DIR (set by install-profile.sh), else gridfall-0.3.0.tar.gz in the
# test's install directory.
SRC="${GRIDFALL_SOURCE_DIR:-@GRIDFALL_SOURCE_DIR@}"
case "$SRC" in
  ""|@*)
    tar -xf gridfall-0.3.0.tar.gz
    SRC="$PWD/gridfall-0.3.0"
    ;;
esac
cmake -S "$SRC" -B gridfall-build -DCMAKE_BUILD_TYPE=Release -DGRIDFALL_TESTS=OFF &&
  cmake --build gridfall-build -j "${NUM_CPU_CORES:-2}"
echo $? > ~/install-exit-status

cat > gridfall <<'LAUNCH'
#!/bin/sh
# Headless runs need no display; the score is the last line of the output.
./gridfall-build/app/gridfall --no-gui "$@" > "$LOG_FILE" 2>&1
echo $? > ~/test-exit-status
LAUNCH
chmod +x gridfall

#!/bin/sh
# Installs the Gridfall test profile into the local Phoronix Test Suite profiles, building
# from this source tree:  packaging/pts/install-profile.sh && phoronix-test-suite benchmark local/gridfall
set -e
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
dest="${PTS_USER_PATH:-$HOME/.phoronix-test-suite}/test-profiles/local/gridfall-1.0.0"
mkdir -p "$dest"
cp "$here/gridfall/test-definition.xml" "$here/gridfall/results-definition.xml" "$dest/"
sed "s|@GRIDFALL_SOURCE_DIR@|$src|" "$here/gridfall/install.sh" > "$dest/install.sh"
chmod +x "$dest/install.sh"
echo "Installed local/gridfall-1.0.0 (sources: $src)"

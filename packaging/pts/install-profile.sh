#!/bin/sh
# Installs the Gridfall test profile where the Phoronix Test Suite looks for it, as local/gridfall,
# with the release tarball made from this checkout (scripts/make-dist.sh: its tracked files, with
# their uncommitted changes) in the suite's download cache, so the suite installs it offline:
#   packaging/pts/install-profile.sh && phoronix-test-suite batch-benchmark local/gridfall
# The suite's paths: PTS_USER_PATH_OVERRIDE when that names a directory; as root (when /var/lib
# and /etc are writable) /var/lib/phoronix-test-suite/ and the download cache
# /var/cache/phoronix-test-suite/download-cache/; else ~/.phoronix-test-suite/ and its
# download-cache/.
set -e
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)

user_path="$HOME/.phoronix-test-suite"
cache=""
if [ -w /var/lib ] && [ -w /etc ]; then
  user_path=/var/lib/phoronix-test-suite
  cache=/var/cache/phoronix-test-suite/download-cache
fi
if [ -n "${PTS_USER_PATH_OVERRIDE:-}" ] && [ -d "$PTS_USER_PATH_OVERRIDE" ]; then
  user_path="${PTS_USER_PATH_OVERRIDE%/}"
fi
cache="${cache:-$user_path/download-cache}"

dist=$(mktemp -d "${TMPDIR:-/tmp}/gridfall-dist.XXXXXX")
trap 'rm -rf "$dist"' EXIT
"$src/scripts/make-dist.sh" "$dist" > /dev/null
tarball=$(ls "$dist"/gridfall-*.tar.gz)

# The suite resolves a version-less local/NAME only for a folder named exactly NAME.
dest="$user_path/test-profiles/local/gridfall"
rm -rf "$dest"
mkdir -p "$dest" "$cache"
cp "$dist/pts/gridfall/"* "$dest/"
cp "$tarball" "$cache/"
echo "Installed local/gridfall in $dest"
echo "and $(basename "$tarball") in $cache"

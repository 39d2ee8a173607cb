#!/usr/bin/env bash
# Installs what is missing, builds both Windows targets and writes their release
# archives to dist/:
#   dist/ZORVAND-<version>-win64.zip  dist/ZORVAND-<version>-win32.zip
# Each build makes its archive (release/CMakeLists.txt); this copies them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
mkdir -p "$root/dist"
for target in win64 win32; do
  "$root/scripts/build.sh" "$target" release_archive
  archive=$(cat "$root/build/$target/release/archive-path.txt")
  cp "$archive" "$root/dist/"
  echo "$root/dist/$(basename "$archive")"
done

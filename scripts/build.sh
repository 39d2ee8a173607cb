#!/usr/bin/env bash
# Configures and builds one target: win64 (the product, runs under Wine) or
# win32 (the 32-bit build, compiled and linked only).
#   build.sh win64|win32 [ninja targets…]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: build.sh win64|win32 [targets]}
shift
case "$kind" in
  win64) toolchain=mingw-x86_64 ;;
  win32) toolchain=mingw-i686 ;;
  *) echo "build.sh: unknown target $kind" >&2; exit 2 ;;
esac
dir="$root/build/$kind"
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake" >/dev/null
fi
ninja -C "$dir" "$@"

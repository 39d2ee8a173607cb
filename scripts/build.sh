#!/usr/bin/env bash
# Configures and builds one target: win64 (the product, runs under Wine),
# win32 (the 32-bit build, compiled and linked only) or native (the window-free
# code with its tests, under AddressSanitizer and UBSan).
#   build.sh win64|win32|native [ninja targets…]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: build.sh win64|win32|native [targets]}
shift
dir="$root/build/$kind"
# Both Windows targets run the same build machine's tools, built once in build/host.
host=(-DZORVAND_HOST_DIR="$root/build/host")
case "$kind" in
  win64) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" "${host[@]}") ;;
  win32) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" "${host[@]}") ;;
  native)
    args=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
      "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
      "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined") ;;
  *) echo "build.sh: unknown target $kind" >&2; exit 2 ;;
esac
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" >/dev/null
fi
ninja -C "$dir" "$@"

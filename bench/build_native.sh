#!/usr/bin/env bash
# Builds the native benchmark program into the directory given: bench/run.sh
# measures with it, and the test command builds it so that a change to the
# sources it takes cannot leave the benchmark command broken unseen.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: build_native.sh OUT_DIR}
mkdir -p "$out"
c++ -std=c++17 -O2 -Wall -Wextra -I"$root/preview" -I"$root/common" -I"$root/tests/portable" -o "$out/bench_native" \
  "$root/bench/native.cpp" "$root/preview/ByteSource.cpp" "$root/preview/RiffReader.cpp" \
  "$root/preview/DisplayDib.cpp" "$root/preview/PreviewReaders.cpp" "$root/preview/SoundFormat.cpp"

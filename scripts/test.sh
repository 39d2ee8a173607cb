#!/usr/bin/env bash
# Installs what is missing, builds both Windows targets and runs every test
# under the project's Wine runtime.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
# The 32-bit program, its help files and its release archive must build; this
# machine cannot run them, so the tests are built and run for 64 bits only.
"$root/scripts/build.sh" win32 ZORVAND release_archive
"$root/scripts/build.sh" win64
"$root/scripts/build.sh" native
# The benchmarks' programs: the Windows ones are part of the win64 build, the
# native one is built here, so that the benchmark command keeps building.
"$root/bench/build_native.sh" "$root/build/bench"

# The window-free code, natively under AddressSanitizer and UBSan.
(cd "$root/build/native" && ctest --output-on-failure --timeout 300 -j2)

build="$root/build/win64"
"$root/scripts/wine.sh" "$build" start
trap '"$root/scripts/wine.sh" "$build" stop' EXIT
cd "$build"
# No test is run twice: one that fails fails the run.
ctest --output-on-failure --timeout 300 -j2

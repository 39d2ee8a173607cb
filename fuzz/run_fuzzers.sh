#!/usr/bin/env bash
# Builds the libFuzzer targets natively with clang into BUILD_DIR/fuzz and runs
# each for SECONDS over a fresh copy of its seeds (the committed ones and those
# make_seeds writes now). Any finding (crash, sanitizer report, leak, timeout,
# broken invariant) makes the script exit non-zero; its input is left in
# BUILD_DIR/fuzz/artifacts.
#   run_fuzzers.sh BUILD_DIR SECONDS
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: run_fuzzers.sh BUILD_DIR SECONDS}
seconds=${2:?usage: run_fuzzers.sh BUILD_DIR SECONDS}
out="$build/fuzz"
cxx=${CXX_FUZZ:-clang++}
targets=(fuzz_riff_walk fuzz_dib fuzz_wave_edit fuzz_theme fuzz_theme_round_trip)
library=(ByteSource RiffReader DisplayDib PreviewReaders SoundFormat)
common=(-std=c++17 -g -O1 -Wall -Wextra -Werror -fno-omit-frame-pointer -I"$root/common" -I"$root/preview"
  -I"$root/scheme" -I"$root/sharing" -I"$root/tests/portable" -I"$root/authoring")
sanitize=(-fsanitize=address,undefined -fno-sanitize-recover=all)

mkdir -p "$out/obj" "$out/artifacts"
objects=()
for name in "${library[@]}"; do
  "$cxx" "${common[@]}" "${sanitize[@]}" -fsanitize=fuzzer-no-link -c "$root/preview/$name.cpp" -o "$out/obj/$name.o"
  objects+=("$out/obj/$name.o")
done
# The authoring core's wave rewrite, the other code of ours that reads untrusted files.
"$cxx" "${common[@]}" "${sanitize[@]}" -fsanitize=fuzzer-no-link -c "$root/authoring/WaveFile.cpp" \
  -o "$out/obj/WaveFile.o"
# The theme file reader, which reads files that come from anywhere, and writer.
"$cxx" "${common[@]}" "${sanitize[@]}" -fsanitize=fuzzer-no-link -c "$root/sharing/ThemeFile.cpp" \
  -o "$out/obj/ThemeFile.o"
for target in "${targets[@]}"; do
  extra=()
  if [ "$target" = fuzz_wave_edit ]; then extra=("$out/obj/WaveFile.o"); fi
  case "$target" in fuzz_theme*) extra=("$out/obj/ThemeFile.o") ;; esac
  "$cxx" "${common[@]}" "${sanitize[@]}" -fsanitize=fuzzer "$root/fuzz/$target.cpp" "${objects[@]}" "${extra[@]}" \
    -o "$out/$target"
done
"$cxx" "${common[@]}" "$root/fuzz/make_seeds.cpp" -o "$out/make_seeds"

rm -rf "$out/corpus"
"$out/make_seeds" "$out/corpus"
# The edit target's inputs: a byte choosing the edit, then a wave file.
mkdir -p "$out/corpus/fuzz_wave_edit"
for seed in "$out/corpus/fuzz_riff_walk"/* "$root/fuzz/seeds/fuzz_riff_walk"/*; do
  for choice in 01 02 03 04 08 0c; do
    { printf "\x$choice"; cat "$seed"; } >"$out/corpus/fuzz_wave_edit/$(basename "$seed")-$choice"
  done
done
# The theme reader's seeds: the theme files of the native tests.
mkdir -p "$out/corpus/fuzz_theme"
cp "$root/tests/portable/themes"/* "$out/corpus/fuzz_theme"/
# The round trip's schemes come from any bytes: it starts from none.
mkdir -p "$out/corpus/fuzz_theme_round_trip"
status=0
for target in "${targets[@]}"; do
  if [ -d "$root/fuzz/seeds/$target" ]; then
    cp "$root/fuzz/seeds/$target"/* "$out/corpus/$target"/
  fi
  echo "== $target, $seconds s"
  if ! "$out/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$out/artifacts/$target-" "$out/corpus/$target" 2>"$out/$target.log"; then
    echo "run_fuzzers.sh: $target found a problem:" >&2
    tail -n 60 "$out/$target.log" >&2
    status=1
  else
    grep -aE '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)' "$out/$target.log" || true
  fi
done
exit "$status"

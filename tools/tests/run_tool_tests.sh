#!/usr/bin/env bash
# Tests mkicon and mkwave on the real pixel maps, on broken maps and on every
# sound kind; check_tools reads back what they wrote.
#   run_tool_tests.sh MKICON MKWAVE CHECK_TOOLS
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
mkicon=${1:?usage: run_tool_tests.sh MKICON MKWAVE CHECK_TOOLS}
mkwave=${2:?}
checker=${3:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=../../tests/support/checks.sh
source "$root/tests/support/checks.sh"

# check NAME COMMAND...: passes when COMMAND exits 0; its output is shown on failure.
check() {
  local name=$1
  shift
  if "$@" >"$work/log" 2>&1; then
    pass "$name"
  else
    fail "$name"
    sed 's/^/    /' "$work/log"
  fi
}

res=$root/app/res

# --- mkicon on the real maps ---
check "mkicon mainframe" "$mkicon" "$work/mainframe.ico" "$res/mainframe32.txt" "$res/mainframe16.txt"
check "mainframe.ico header and pixels" "$checker" ico "$work/mainframe.ico" "$res/mainframe32.txt" "$res/mainframe16.txt"
assigned=("$res/assigned16.txt" "$res/assigned24.txt" "$res/assigned32.txt")
check "mkicon assigned" "$mkicon" "$work/assigned.ico" "${assigned[@]}"
check "assigned.ico header and pixels" "$checker" ico "$work/assigned.ico" "${assigned[@]}"
check "assigned.ico opaque only in rows 2-12, columns 1-14" "$checker" region "$work/assigned.ico" 2 12 1 14
check "assigned.ico drawn in black, dark red and red" "$checker" colours "$work/assigned.ico" 019

if command -v identify >/dev/null; then
  magick_reads() {
    local out
    out=$(identify "$1") && echo "$out" &&
      [ "$(grep -c " ICO 32x32 .* 4-bit " <<<"$out")" -eq 1 ] &&
      [ "$(grep -c " ICO 16x16 .* 4-bit " <<<"$out")" -eq 1 ]
  }
  check "ImageMagick reads mainframe.ico" magick_reads "$work/mainframe.ico"
else
  echo "SKIP: ImageMagick reads mainframe.ico (identify not installed)"
fi

# The checker must notice a broken file, or its passes above mean nothing.
# A pixel byte of the first image's fourth row from the bottom, after three directory entries.
cp "$work/assigned.ico" "$work/broken.ico"
printf '\x77' | dd of="$work/broken.ico" bs=1 seek=$((6 + 3 * 16 + 40 + 64 + 8 * 3 + 1)) conv=notrunc status=none
refuses() { ! "$@"; }
check "checker rejects a changed pixel" refuses "$checker" ico "$work/broken.ico" "${assigned[@]}"
check "checker rejects an opaque pixel outside the box" refuses "$checker" region "$work/mainframe.ico" 2 12 1 14

# --- mkicon on maps it must accept or refuse ---
printf '# comment\r\n.0\r\nf.\r\n\r\n\r\n' >"$work/crlf.txt"
# makes_icon OUT MAP: mkicon succeeds and the checker agrees with the map.
makes_icon() { "$mkicon" "$1" "$2" && "$checker" ico "$1" "$2"; }
check "mkicon accepts CRLF, comments and trailing blank lines" makes_icon "$work/crlf.ico" "$work/crlf.txt"

for _ in $(seq 256); do printf '%0256d\n' 0; done >"$work/big.txt"
big_icon() { makes_icon "$1" "$2" && [ "$(od -An -tu1 -j6 -N2 "$1" | tr -s " ")" = " 0 0" ]; }
check "mkicon writes a 256x256 image, stored as size 0" big_icon "$work/big.ico" "$work/big.txt"

# reject NAME MAP LINE: mkicon must exit 1, name MAP and LINE, and leave no output.
reject() {
  local name=$1 map=$2 line=$3 out=$work/rejected.ico rc=0
  "$mkicon" "$out" "$map" 2>"$work/err" || rc=$?
  if [ "$rc" -ne 1 ]; then
    fail "$name: exit $rc, want 1"
  elif ! grep -qF "$map:$line:" "$work/err"; then
    fail "$name: message does not name $map:$line"
    sed 's/^/    /' "$work/err"
  elif [ -e "$out" ] || [ -e "$out.tmp" ]; then
    fail "$name: output file left behind"
  else
    pass "$name ($(cat "$work/err"))"
  fi
  rm -f "$out" "$out.tmp"
}

printf '# comment\n....\n..x.\n....\n' >"$work/badchar.txt"
reject "mkicon rejects a bad character" "$work/badchar.txt" 3
printf '....\n....\n...\n....\n' >"$work/ragged.txt"
reject "mkicon rejects a ragged row" "$work/ragged.txt" 3
: >"$work/empty.txt"
reject "mkicon rejects an empty file" "$work/empty.txt" 1
printf '..\n\n..\n' >"$work/gap.txt"
reject "mkicon rejects a blank line between rows" "$work/gap.txt" 2
printf '%0257d\n' 0 >"$work/wide.txt"
reject "mkicon rejects a row wider than 256" "$work/wide.txt" 1
for _ in $(seq 257); do echo 0; done >"$work/tall.txt"
reject "mkicon rejects more than 256 rows" "$work/tall.txt" 257
missing_map() {
  local rc=0
  "$mkicon" "$1" "$2" 2>"$work/err" || rc=$?
  cat "$work/err"
  [ $rc -eq 1 ] && grep -qF "$2" "$work/err" && [ ! -e "$1" ]
}
check "mkicon rejects a missing map" missing_map "$work/missing.ico" "$work/no-such-map.txt"

# --- mkwave ---
declare -A lengths=([chime]="0.5 0.7" [ding]="0.3 0.5" [chord]="0.7 0.9" [notify]="0.25 0.35"
  [exit]="0.4 0.6" [tada]="0.8 1.0")
same_again() { "$mkwave" "$1.again" "$2" && cmp "$1" "$1.again"; }
for kind in chime ding chord notify exit tada; do
  check "mkwave $kind" "$mkwave" "$work/$kind.wav" "$kind"
  # shellcheck disable=SC2086 # the range is two words on purpose
  check "$kind.wav header, length, peak and fades" "$checker" wav "$work/$kind.wav" ${lengths[$kind]}
  check "$kind.wav identical on a second run" same_again "$work/$kind.wav" "$kind"
done

cp "$work/ding.wav" "$work/broken.wav"
printf '\x00' | dd of="$work/broken.wav" bs=1 seek=4 conv=notrunc status=none
check "checker rejects a wrong RIFF size" refuses "$checker" wav "$work/broken.wav" 0.3 0.5

# wave_usage OUT ARGS...: mkwave exits 2 with its usage and writes nothing.
wave_usage() {
  local out=$1 rc=0
  shift
  "$mkwave" "$out" "$@" 2>"$work/err" || rc=$?
  cat "$work/err"
  [ $rc -eq 2 ] && grep -q "usage" "$work/err" && [ ! -e "$out" ]
}
check "mkwave rejects an unknown kind" wave_usage "$work/boom.wav" boom
check "mkwave rejects missing arguments" wave_usage "$work/none.wav"
check "mkwave rejects an extra argument" wave_usage "$work/extra.wav" ding loud

if command -v sox >/dev/null; then
  sox_reads() {
    local info
    info=$(sox --i "$1") && echo "$info" &&
      grep -q "Channels *: 1" <<<"$info" && grep -q "Sample Rate *: 22050" <<<"$info"
  }
  check "sox reads chime.wav" sox_reads "$work/chime.wav"
else
  echo "SKIP: sox reads chime.wav (sox not installed)"
fi

summary

#!/usr/bin/env bash
# Runs the Windows build of wavtheme under the project's Wine runtime: it must
# write the same bytes as the build machine's wavtheme did for the demo pack and
# the recorded DISP chunks for every picture the tests use, read JPEG pictures,
# take Japanese arguments and file names, and refuse bad input in the same way.
#   check_windows.sh BUILD WAVTHEME.EXE HOST_WAVTHEME DEMO_DIR DRAWDEMO MKWAVE
set -uo pipefail

root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:?usage: check_windows.sh BUILD WAVTHEME.EXE HOST_WAVTHEME DEMO_DIR}
exe=${2:?}
host=${3:?}
demo=${4:?}
drawdemo=${5:?}
mkwave=${6:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8

# shellcheck source=../../../tests/support/checks.sh
source "$root/tests/support/checks.sh"

# Wine sees the Unix file system as drive Z:.
windows_path() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

# win ARGS...: runs the Windows program, leaving $status, out and err.
win() {
  "$root/scripts/wine.sh" "$build" exec "$exe" "$@" >"$work/out" 2>"$work/err"
  status=$?
}

mkdir -p "$work/win"
for kind in ding chime chord tada exit notify; do
  picture=$(find "$demo/sources" -name "$kind.bmp" -o -name "$kind.png" | head -n 1)
  win set "$(windows_path "$demo/sources/$kind.wav")" --picture "$(windows_path "$picture")" \
    --text-file "$(windows_path "$root/tools/wavtheme/demo/$kind.txt")" --background f5f5f5 \
    -o "$(windows_path "$work/win/$kind.wav")"
  if [ "$status" = 0 ] && cmp -s "$work/win/$kind.wav" "$demo/$kind.wav"; then
    pass "the Windows build writes the demo's $kind.wav byte for byte"
  else
    fail "the Windows build writes the demo's $kind.wav byte for byte" "status $status: $(cat "$work/err")"
  fi
done

# The Windows Imaging Component decodes the pictures that libpng did.
if differing=$(diff "$root/tools/wavtheme/tests/disp_oracle.txt" <(ORACLE_WINDOWS_PATHS=1 \
  "$root/tools/wavtheme/tests/disp_oracle.sh" "$drawdemo" "$mkwave" "$root/scripts/wine.sh" "$build" exec "$exe")); then
  pass "the Windows build writes the recorded DISP chunk for every picture"
else
  fail "the Windows build writes the recorded DISP chunk for every picture" "$differing"
fi

# A JPEG through the Windows Imaging Component: what the build machine's libjpeg
# makes of it, give or take the rounding of another decoder.
convert=$(command -v convert-im6.q16 || command -v convert)
compare=$(command -v compare-im6.q16 || command -v compare)
"$convert" rose: -quality 90 "$work/rose.jpg"
cp "$demo/sources/ding.wav" "$work/jpeg.wav"
win set "$(windows_path "$work/jpeg.wav")" --picture "$(windows_path "$work/rose.jpg")"
"$host" extract "$work/jpeg.wav" "$work/jpeg.bmp" >/dev/null 2>&1
if [ "$status" = 0 ] && [ "$("$compare" -metric AE -fuzz 3% "$work/rose.jpg" "$work/jpeg.bmp" null: 2>&1)" = 0 ]; then
  pass "the Windows build reads a JPEG picture"
else
  fail "the Windows build reads a JPEG picture" "status $status: $(cat "$work/err")"
fi

mkdir -p "$work/サウンド"
cp "$demo/sources/ding.wav" "$work/サウンド/ベル.wav"
win set "$(windows_path "$work/サウンド/ベル.wav")" --text "ベルの音です"
if [ "$status" = 0 ] && "$host" list "$work/サウンド/ベル.wav" | grep -q 'description: "ベルの音です"' &&
  [ -z "$(find "$work/サウンド" -name '.*')" ]; then
  pass "Japanese text and a Japanese file name reach the Windows build intact"
else
  fail "Japanese text and a Japanese file name reach the Windows build intact" "status $status: $(cat "$work/err")"
fi

win list "$(windows_path "$demo/notify.wav")"
if [ "$status" = 0 ] && grep -q 'description: "通知\\r\\n新しいお知らせが' "$work/out" &&
  grep -q 'picture:     96 x 80, 8 bits per pixel, 20 colours' "$work/out"; then
  pass "the Windows build lists what ZORVAND shows"
else
  fail "the Windows build lists what ZORVAND shows" "status $status: $(cat "$work/out" "$work/err")"
fi

printf 'not a wave file at all' >"$work/text.wav"
before=$(sha256sum <"$work/text.wav")
win set "$(windows_path "$work/text.wav")" --text x
if [ "$status" = 2 ] && grep -q "not a RIFF file" "$work/err" && [ "$(sha256sum <"$work/text.wav")" = "$before" ]; then
  pass "the Windows build refuses a file that is not RIFF and leaves it alone"
else
  fail "the Windows build refuses a file that is not RIFF and leaves it alone" "status $status: $(cat "$work/err")"
fi

cp "$demo/sources/ding.wav" "$work/emoji.wav"
before=$(sha256sum <"$work/emoji.wav")
win set "$(windows_path "$work/emoji.wav")" --text "ベル😀"
if [ "$status" = 2 ] && grep -q "(U+1F600)" "$work/err" && [ "$(sha256sum <"$work/emoji.wav")" = "$before" ]; then
  pass "the Windows build refuses text that code page 932 cannot hold"
else
  fail "the Windows build refuses text that code page 932 cannot hold" "status $status: $(cat "$work/err")"
fi

summary

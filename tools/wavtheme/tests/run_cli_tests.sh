#!/usr/bin/env bash
# Tests the wavtheme program as a user runs it: pictures that ImageMagick
# writes, wave files that ffmpeg writes and reads back, bad input of every kind,
# and writes that fail or crash half-way.
#   run_cli_tests.sh PATH/TO/wavtheme
set -uo pipefail

wavtheme=$(realpath "${1:?usage: run_cli_tests.sh WAVTHEME}")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
export LC_ALL=C.UTF-8

# ImageMagick's own programs, not any wrapper ahead of them on the PATH.
convert=$(command -v convert-im6.q16 || command -v convert)
compare=$(command -v compare-im6.q16 || command -v compare)

# shellcheck source=../../../tests/support/checks.sh
source "$here/../../../tests/support/checks.sh"

# run ARGS...: runs wavtheme, leaving its status in $status, its output in out and err.
run() {
  "$wavtheme" "$@" >out 2>err
  status=$?
}

fingerprint() { echo "$(sha256sum <"$1" | cut -c1-64) $(stat -c %Y.%y "$1")"; }

# The temporary files that a write left behind in a directory.
leftovers() { find "${1:-.}" -maxdepth 1 -name '.*.wavtheme-*' | wc -l; }

# The bytes of a top-level chunk, found through the tool's own listing, which is
# read to its end: the tool prints it in blocks.
chunk_bytes() {
  local line offset size
  line=$("$wavtheme" list "$1" | awk -v id="'$2'" '!found && $0 ~ ("^ *[0-9]+ +[0-9]+    " id) { print; found = 1 }')
  [ -n "$line" ] || return 1
  read -r offset size _ <<<"$line"
  tail -c +$((offset + 9)) "$1" | head -c "$size"
}

# The ISBJ text as ffprobe reads it: the raw bytes, in code page 932, as UTF-8.
ffprobe_text() {
  ffprobe -v error -show_entries format_tags=ISBJ -of default=nw=1:nk=1:sv=ignore "$1" |
    head -c -1 | iconv -f CP932 -t UTF-8
}

decoded_md5() { ffmpeg -v error -i "$1" -map 0:a -f md5 - 2>&1; }

# --- fixtures ---------------------------------------------------------------

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=0.4:sample_rate=22050" -c:a pcm_s16le tone.wav
ffmpeg -v error -f lavfi -i "sine=frequency=660:duration=0.2:sample_rate=11025" -ac 2 -c:a pcm_u8 \
  -fflags +bitexact -flags:a +bitexact plain.wav
ffmpeg -v error -f lavfi -i "sine=frequency=220:duration=50:sample_rate=22050" -c:a pcm_s16le big.wav

# shellcheck source=pictures.sh
source "$here/pictures.sh"

text=$'ベルの音です。\nお知らせのときに鳴ります'
text_crlf=$'ベルの音です。\r\nお知らせのときに鳴ります'

# --- round trips ------------------------------------------------------------

# round_trip PICTURE FUZZ REFERENCE: sets picture and text on a copy of tone.wav
# and checks what ZORVAND shows (extract and list use its readers) and what
# ffprobe and ffmpeg read.
round_trip() {
  local picture=$1 fuzz=$2 reference=$3 name="round trip $1"
  cp tone.wav rt.wav
  run set rt.wav --picture "$picture" --text "$text"
  if [ "$status" -ne 0 ]; then fail "$name" "set: status $status: $(cat err)"; return; fi
  run extract rt.wav shown.bmp
  if [ "$status" -ne 0 ]; then fail "$name" "extract: status $status: $(cat err)"; return; fi
  local differing
  differing=$("$compare" -metric AE -fuzz "$fuzz" "$reference" shown.bmp null: 2>&1)
  local listed shown_text
  listed=$("$wavtheme" list rt.wav | grep 'description:')
  shown_text=$(ffprobe_text rt.wav)
  if [ "$differing" != 0 ]; then
    fail "$name" "$differing pixels differ from $reference"
  elif [ "$shown_text" != "$text_crlf" ]; then
    fail "$name" "ffprobe reads the text as: $shown_text"
  elif [ "$listed" != '  description: "ベルの音です。\r\nお知らせのときに鳴ります"' ]; then
    fail "$name" "list shows: $listed"
  elif [ "$(decoded_md5 rt.wav)" != "$(decoded_md5 tone.wav)" ]; then
    fail "$name" "ffmpeg decodes other samples"
  elif ! cmp -s <(chunk_bytes rt.wav data) <(chunk_bytes tone.wav data); then
    fail "$name" "the data chunk changed"
  else
    pass "$name"
  fi
}

for picture in pal8.png pal4.png pal2.png pal1.png pal8-interlaced.png grey8.png grey4.png grey1.png rgb.png \
  rgb-interlaced.png pal8.bmp pal4.bmp pal1.bmp core.bmp rgb24.bmp; do
  round_trip "$picture" 0 "$picture"
done
for picture in grey16.png rgb16.png rgb565.bmp; do
  round_trip "$picture" 0.5% "$picture"
done
# JPEG, decoded by the same libjpeg that ImageMagick uses.
for picture in rose.jpg grey.jpg progressive.jpg; do
  round_trip "$picture" 0 "$picture"
done
for picture in rgba.png rgba16.png grey-alpha.png rgba.bmp; do
  "$convert" "$picture" -background white -flatten -alpha off "flat-$picture.png"
  round_trip "$picture" 0.5% "flat-$picture.png"
done

cp tone.wav bg.wav
"$wavtheme" set bg.wav --picture rgba.png --background '#102030' >/dev/null
"$wavtheme" extract bg.wav bg.bmp >/dev/null
"$convert" rgba.png -background '#102030' -flatten -alpha off flat-bg.png
if [ "$("$compare" -metric AE -fuzz 0.5% flat-bg.png bg.bmp null: 2>&1)" = 0 ]; then
  pass "transparent pixels take the --background colour"
else
  fail "transparent pixels take the --background colour"
fi

# A picture another program stored top-down in 16-bit bit fields: extract writes
# what ZORVAND holds, a bottom-up BMP whose pixels follow the masks.
python3 - <<'PY'
import struct
rows = [[0xF800, 0x07E0], [0x001F, 0xFFFF]]  # top row red, green; bottom row blue, white
pixels = b"".join(struct.pack("<2H", *row) for row in rows)
header = struct.pack("<IiiHHIIiiII", 40, 2, -2, 1, 16, 3, len(pixels), 0, 0, 0, 0)
dib = header + struct.pack("<3I", 0xF800, 0x07E0, 0x001F) + pixels
disp = b"DISP" + struct.pack("<I", 4 + len(dib)) + struct.pack("<I", 8) + dib
fmt = b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, 22050, 44100, 2, 16)
data = b"data" + struct.pack("<I", 4) + bytes(4)
body = b"WAVE" + fmt + disp + data
open("fields.wav", "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
PY
"$convert" -size 2x2 xc:white -fill red -draw 'point 0,0' -fill lime -draw 'point 1,0' \
  -fill blue -draw 'point 0,1' fields-reference.png
run extract fields.wav fields.bmp
listed=$("$wavtheme" list fields.wav | grep 'picture:')
if [ "$status" -ne 0 ]; then
  fail "a top-down bit-field picture is extracted as held" "extract: status $status: $(cat err)"
elif [ "$("$compare" -metric AE fields-reference.png fields.bmp null: 2>&1)" != 0 ]; then
  fail "a top-down bit-field picture is extracted as held" "the pixels differ from the picture"
elif [[ "$listed" != *"2 x 2, 16 bits per pixel"* ]]; then
  fail "a top-down bit-field picture is extracted as held" "list shows: $listed"
else
  pass "a top-down bit-field picture is extracted as held"
fi

cp tone.wav play.wav
"$wavtheme" set play.wav --picture rgb.png --text "$text" >/dev/null
if ffmpeg -v error -i play.wav -f null - >ffmpeg.log 2>&1 && [ ! -s ffmpeg.log ]; then
  pass "ffmpeg decodes the result without a complaint"
else
  fail "ffmpeg decodes the result without a complaint" "$(cat ffmpeg.log)"
fi
if ffprobe -v error -show_entries format=format_name,duration -of default=nw=1 play.wav >probe.log 2>&1 &&
  grep -q 'format_name=wav' probe.log && [ "$(ffprobe -v error -show_entries format=duration -of csv=p=0 play.wav)" = \
  "$(ffprobe -v error -show_entries format=duration -of csv=p=0 tone.wav)" ]; then
  pass "ffprobe reads the result as a wave of the same duration"
else
  fail "ffprobe reads the result as a wave of the same duration" "$(cat probe.log)"
fi

# --- the same bytes, every time ---------------------------------------------

cp tone.wav twice.wav
"$wavtheme" set twice.wav --picture pal8.png --text "$text" >/dev/null
cp twice.wav once.wav
"$wavtheme" set twice.wav --picture pal8.png --text "$text" >/dev/null
"$wavtheme" set tone.wav --picture pal8.png --text "$text" -o out1.wav >/dev/null
"$wavtheme" set tone.wav --picture pal8.png --text "$text" -o out2.wav >/dev/null
if cmp -s once.wav twice.wav && cmp -s once.wav out1.wav && cmp -s out1.wav out2.wav; then
  pass "running the tool twice gives the same bytes"
else
  fail "running the tool twice gives the same bytes"
fi

before=$(fingerprint tone.wav)
"$wavtheme" set tone.wav --picture pal8.png -o elsewhere.wav >/dev/null
if [ "$(fingerprint tone.wav)" = "$before" ] && "$wavtheme" list elsewhere.wav | grep -q 'picture:     70 x 46'; then
  pass "-o writes the result elsewhere and leaves the input alone"
else
  fail "-o writes the result elsewhere and leaves the input alone"
fi

# --- replace and remove -----------------------------------------------------

cp once.wav replaced.wav
"$wavtheme" set replaced.wav --picture rgb.png --text "二つめ" >/dev/null
"$wavtheme" extract replaced.wav replaced.bmp >/dev/null
if [ "$("$compare" -metric AE rgb.png replaced.bmp null: 2>&1)" = 0 ] && [ "$(ffprobe_text replaced.wav)" = "二つめ" ] &&
  [ "$("$wavtheme" list replaced.wav | grep -c "'DISP'")" = 1 ] && [ "$("$wavtheme" list replaced.wav | grep -c "'ISBJ'")" = 1 ]; then
  pass "set replaces the picture and the text"
else
  fail "set replaces the picture and the text" "$("$wavtheme" list replaced.wav)"
fi

cp once.wav removed.wav
"$wavtheme" remove removed.wav >/dev/null
if cmp -s removed.wav tone.wav; then
  pass "remove gives back the original bytes, ffmpeg's INFO list included"
else
  fail "remove gives back the original bytes, ffmpeg's INFO list included"
fi

cp plain.wav plain-set.wav
"$wavtheme" set plain-set.wav --picture pal4.bmp --text "x" >/dev/null
"$wavtheme" remove plain-set.wav --text >/dev/null
"$wavtheme" remove plain-set.wav --picture >/dev/null
if cmp -s plain-set.wav plain.wav; then
  pass "remove --text and --picture one after the other give back a file without LIST"
else
  fail "remove --text and --picture one after the other give back a file without LIST"
fi

before=$(fingerprint tone.wav)
run remove tone.wav
if [ "$status" = 0 ] && grep -q "nothing to remove" out && [ "$(fingerprint tone.wav)" = "$before" ]; then
  pass "remove with nothing to remove leaves the file untouched"
else
  fail "remove with nothing to remove leaves the file untouched" "status $status: $(cat out err)"
fi

# --- files as the user keeps them -------------------------------------------

mkdir -p サウンド
cp tone.wav サウンド/ベル.wav
chmod 640 サウンド/ベル.wav
ln -s サウンド/ベル.wav link.wav
printf '\xef\xbb\xbf%s\n\n' "$text" >説明.txt
run set link.wav --picture pal1.bmp --text-file 説明.txt
if [ "$status" = 0 ] && [ -L link.wav ] && [ "$(stat -c %a サウンド/ベル.wav)" = 640 ] &&
  [ "$(ffprobe_text サウンド/ベル.wav)" = "$text_crlf" ] && [ "$(leftovers サウンド)" = 0 ]; then
  pass "Japanese names, a symbolic link and permissions are kept; a text file loses its BOM and last line end"
else
  fail "Japanese names, a symbolic link and permissions are kept; a text file loses its BOM and last line end" \
    "status $status: $(cat err)" "mode $(stat -c %a サウンド/ベル.wav)"
fi

# --- bad input --------------------------------------------------------------

# refused NAME STATUS MESSAGE FILE ARGS...: the tool exits with STATUS, says
# MESSAGE, and leaves FILE exactly as it was, with no temporary file beside it.
refused() {
  local name=$1 want=$2 message=$3 file=$4
  shift 4
  local before
  before=$(fingerprint "$file")
  sleep 0.01
  run "$@"
  if [ "$status" != "$want" ]; then
    fail "$name" "status $status, not $want: $(cat err)"
  elif ! grep -qF -- "$message" err; then
    fail "$name" "no '$message' in: $(cat err)"
  elif [ "$(fingerprint "$file")" != "$before" ]; then
    fail "$name" "$file changed"
  elif [ "$(leftovers)" != 0 ]; then
    fail "$name" "a temporary file was left"
  else
    pass "$name"
  fi
}

printf 'just some text, long enough to be read as a header\n' >text.wav
: >empty.wav
head -c 1000 tone.wav >cut.wav
head -c 30 tone.wav >header-only.wav
ffmpeg -v error -f lavfi -i testsrc=size=32x32:rate=5 -t 0.4 -c:v rawvideo -pix_fmt bgr24 clip.avi
# An odd-sized chunk with its pad byte missing, then the data chunk.
{ head -c 36 plain.wav; printf 'junk\x03\x00\x00\x00abc'; tail -c +37 plain.wav; } >odd.wav
printf '%08x' $(($(stat -c %s odd.wav) - 8)) | sed 's/\(..\)\(..\)\(..\)\(..\)/\\x\4\\x\3\\x\2\\x\1/' |
  xargs -0 printf | dd of=odd.wav bs=1 seek=4 conv=notrunc status=none
# An odd-sized last chunk whose pad byte the form does not hold.
{ cat plain.wav; printf 'tail\x01\x00\x00\x00z'; } >odd-end.wav
printf '%08x' $(($(stat -c %s odd-end.wav) - 8)) | sed 's/\(..\)\(..\)\(..\)\(..\)/\\x\4\\x\3\\x\2\\x\1/' |
  xargs -0 printf | dd of=odd-end.wav bs=1 seek=4 conv=notrunc status=none
"$convert" -size 1025x8 xc:red -depth 8 wide.png
"$convert" -size 8x1100 xc:red -type Palette BMP3:tall.bmp
head -c 1000 rose.jpg >cut.jpg
cp rgb.png damaged.png
printf '\xff' | dd of=damaged.png bs=1 seek=60 conv=notrunc status=none
"$convert" rose: -colors 200 -type Palette BMP3:rle.bmp
printf 'caf\xc3\xa9' >accent.txt
printf 'bad \xff utf-8' >latin1.txt

# with_chunks OUT PIECE...: plain.wav with the pieces (printf formats) between
# its format and data chunks, the RIFF size made to fit.
with_chunks() {
  local out=$1
  shift
  { head -c 36 plain.wav; for piece in "$@"; do printf "$piece"; done; tail -c +37 plain.wav; } >"$out"
  printf '%08x' $(($(stat -c %s "$out") - 8)) | sed 's/\(..\)\(..\)\(..\)\(..\)/\\x\4\\x\3\\x\2\\x\1/' |
    xargs -0 printf | dd of="$out" bs=1 seek=4 conv=notrunc status=none
}
empty_info='LIST\x04\x00\x00\x00INFO'
hidden_info='LIST\x12\x00\x00\x00INFOISBJ\x06\x00\x00\x00hidden'

# The program reads only the first LIST: an empty INFO list first hides the next.
with_chunks hidden.wav "$empty_info" "$hidden_info"
run remove hidden.wav -o hidden-out.wav
if [ "$status" = 0 ] && grep -q "nothing to remove; written unchanged" out && cmp -s hidden.wav hidden-out.wav &&
  "$wavtheme" list hidden-out.wav | grep -q 'description: none'; then
  pass "a removal that finds nothing writes the file unchanged and reveals no hidden list"
else
  fail "a removal that finds nothing writes the file unchanged and reveals no hidden list" \
    "status $status: $(cat out err)" "$("$wavtheme" list hidden-out.wav | tail -n 1)"
fi

# Two INFO lists: removing the first one's text must not let the second show.
with_chunks two.wav 'LIST\x12\x00\x00\x00INFOISBJ\x06\x00\x00\x00shown!' "$hidden_info"
run remove two.wav --text
if [ "$status" = 0 ] && grep -q "removed 1 ISBJ chunk; the emptied LIST INFO chunk stays" out &&
  grep -q "ZORVAND shows no description" out && "$wavtheme" list two.wav | grep -q 'description: none' &&
  [ "$("$wavtheme" list two.wav | grep -c "'LIST' 'INFO'")" = 2 ]; then
  pass "removing the text of the first of two INFO lists leaves no description to show"
else
  fail "removing the text of the first of two INFO lists leaves no description to show" "status $status: $(cat out err)" \
    "$("$wavtheme" list two.wav)"
fi

# An ISBJ chunk after the first INFO list, outside it, is where the program's
# search goes on: it goes too.
with_chunks outside.wav "$empty_info" 'ISBJ\x08\x00\x00\x00outside\x00'
run remove outside.wav
if [ "$status" = 0 ] && grep -q "removed 1 ISBJ chunk; ZORVAND shows no picture and no description" out &&
  "$wavtheme" list outside.wav | grep -q 'description: none'; then
  pass "removing the text takes an ISBJ chunk after the INFO list too"
else
  fail "removing the text takes an ISBJ chunk after the INFO list too" "status $status: $(cat out err)"
fi

refused "not a RIFF file" 2 "not a RIFF file" text.wav set text.wav --text x
refused "an empty file" 2 "not a RIFF file" empty.wav set empty.wav --text x
refused "a truncated file" 2 "cut short: the RIFF header states" cut.wav set cut.wav --picture pal8.png
refused "a file cut inside its header" 2 "cut short" header-only.wav set header-only.wav --text x
refused "a RIFF file of another form" 2 "not a WAVE file" clip.avi set clip.avi --text x
refused "an odd chunk size without its pad byte" 2 "has the odd size 3, so its pad byte may be missing" odd.wav \
  set odd.wav --text x
refused "an odd last chunk outside the form" 2 "has the odd size 1 but no pad byte" odd-end.wav set odd-end.wav --text x
refused "a picture wider than 1024 pixels" 2 "1025 x 8 pixels, larger than the 1024 x 1024" tone.wav \
  set tone.wav --picture wide.png
refused "a picture taller than 1024 pixels" 2 "8 x 1100 pixels, larger than the 1024 x 1024" tone.wav \
  set tone.wav --picture tall.bmp
refused "a damaged PNG" 2 "damaged.png: the PNG picture is damaged or not one this tool reads (libpng: " tone.wav set tone.wav --picture damaged.png
refused "an RLE BMP" 2 "RLE-compressed" tone.wav set tone.wav --picture rle.bmp
refused "a JPEG cut short" 2 "cut.jpg: the JPEG picture is damaged" tone.wav set tone.wav --picture cut.jpg
refused "a file that is no picture" 2 "not a PNG, JPEG or BMP picture" tone.wav set tone.wav --picture text.wav
refused "an emoji, which code page 932 cannot hold" 2 "cannot hold character 6 of the text, '😀' (U+1F600)" tone.wav \
  set tone.wav --text "ベルです 😀"
refused "an accented letter, which code page 932 cannot hold" 2 "'é' (U+00E9)" tone.wav \
  set tone.wav --text-file accent.txt
refused "a wave dash, which has only a look-alike" 2 "(U+301C)" tone.wav set tone.wav --text "〜"
refused "a text file that is not UTF-8" 2 "not valid UTF-8 (byte 5 is 0xFF)" tone.wav set tone.wav --text-file latin1.txt
refused "an empty text" 2 "the text is empty" tone.wav set tone.wav --text ""
refused "a missing wave file" 3 "cannot open 'missing.wav'" tone.wav set missing.wav --text x
refused "a missing picture" 3 "cannot open 'missing.png'" tone.wav set tone.wav --picture missing.png
refused "nothing to set" 1 "set needs --picture, --text or --text-file" tone.wav set tone.wav
refused "an unknown option" 1 "set has no option --colour" tone.wav set tone.wav --colour red
refused "an unknown command" 1 "unknown command 'show'" tone.wav show tone.wav
refused "a bad background" 1 "--background takes a colour as RRGGBB" tone.wav set tone.wav --text x --background red
refused "no arguments" 1 "no command given" tone.wav
refused "extract without a picture" 2 "ZORVAND shows no picture for it" tone.wav extract tone.wav none.bmp

before=$(fingerprint cut.wav)
run list cut.wav
if [ "$status" = 2 ] && grep -q "'fmt '" out && grep -q "cut short" err && [ "$(fingerprint cut.wav)" = "$before" ]; then
  pass "list shows a damaged file up to the damage and exits with status 2"
else
  fail "list shows a damaged file up to the damage and exits with status 2" "status $status"
fi

# --- writes that fail or crash half-way --------------------------------------

# A file size limit makes the write fail part-way, a real failure of the disk's
# kind: with SIGXFSZ ignored the write returns an error, by default the kernel
# kills the process in the middle of writing.
before=$(fingerprint big.wav)
(trap '' XFSZ; ulimit -f 512; exec "$wavtheme" set big.wav --text x) >out 2>err
status=$?
if [ "$status" = 3 ] && grep -q "File too large" err && [ "$(fingerprint big.wav)" = "$before" ] &&
  [ "$(leftovers)" = 0 ]; then
  pass "a write that fails half-way leaves the file untouched and no temporary file"
else
  fail "a write that fails half-way leaves the file untouched and no temporary file" "status $status: $(cat err)"
fi

{ (ulimit -f 512; exec "$wavtheme" set big.wav --text x) >out 2>err; } 2>/dev/null
status=$?
partial=$(find . -maxdepth 1 -name '.big.wav.wavtheme-*')
if [ "$status" -gt 128 ] && [ "$(fingerprint big.wav)" = "$before" ] && [ -n "$partial" ] &&
  [ "$(stat -c %s "$partial")" = $((512 * 1024)) ]; then
  pass "a crash in the middle of a write leaves the file whole: only the temporary file is cut short"
else
  fail "a crash in the middle of a write leaves the file whole: only the temporary file is cut short" "status $status"
fi
rm -f .big.wav.wavtheme-*

refused "a target directory that does not exist" 3 "cannot create a temporary file in 'nowhere/'" tone.wav \
  set tone.wav --text x -o nowhere/out.wav
mkdir -p adir
refused "a target that is a directory" 3 "'adir' exists and is not a regular file" tone.wav \
  set tone.wav --text x -o adir

# --- help -------------------------------------------------------------------

run --help
if [ "$status" = 0 ] && grep -q '^  wavtheme set WAVE' out && grep -q 'Exit status' out && [ ! -s err ]; then
  pass "--help shows the usage"
else
  fail "--help shows the usage" "status $status"
fi

summary

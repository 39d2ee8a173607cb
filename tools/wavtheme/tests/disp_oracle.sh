#!/usr/bin/env bash
# The DISP chunk that wavtheme writes for every picture the tests and the demo
# pack use, on a plain background and on a coloured one, as SHA-256 sums:
# disp_oracle.txt holds them as the tool wrote them before it decoded pictures
# through the platforms' libraries, and each build must still write the same bytes.
#   disp_oracle.sh DRAWDEMO MKWAVE COMMAND...   prints "sum  picture background" lines
# COMMAND runs wavtheme; it is given Unix paths, or Windows ones when
# ORACLE_WINDOWS_PATHS is set.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
drawdemo=$(realpath "${1:?usage: disp_oracle.sh DRAWDEMO MKWAVE COMMAND...}")
mkwave=$(realpath "${2:?}")
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export LC_ALL=C.UTF-8
convert=$(command -v convert-im6.q16 || command -v convert)
# shellcheck source=pictures.sh
source "$here/pictures.sh"
# The demo pack's pictures, drawn as its build draws them.
for entry in ding.bmp chime.png chord.png tada.bmp exit.png notify.png; do
  "$drawdemo" "demo-$entry" "${entry%.*}"
  PICTURES+=("demo-$entry")
done
"$mkwave" tone.wav ding

path() {
  if [ -n "${ORACLE_WINDOWS_PATHS:-}" ]; then
    local p
    p=$(realpath -m "$1")
    echo "Z:${p//\//\\}"
  else
    echo "$1"
  fi
}

# The SHA-256 of the DISP chunk's data: ding.wav has none of its own, so the
# first one is new.
disp_sum() {
  local file=$1 pos=12 total id size
  total=$(stat -c %s "$file")
  while [ $((pos + 8)) -le "$total" ]; do
    id=$(dd if="$file" bs=1 skip="$pos" count=4 status=none)
    size=$(od -An -tu4 -j $((pos + 4)) -N4 "$file" | tr -d ' ')
    if [ "$id" = DISP ]; then
      tail -c +$((pos + 9)) "$file" | head -c "$size" | sha256sum | cut -c1-64
      return
    fi
    pos=$((pos + 8 + size + size % 2))
  done
  echo no-DISP-chunk
}

for picture in "${PICTURES[@]}"; do
  for background in ffffff 102030; do
    rm -f out.wav
    if "$@" set "$(path tone.wav)" --picture "$(path "$picture")" --background "$background" -o "$(path out.wav)" \
      >/dev/null 2>err; then
      echo "$(disp_sum out.wav)  $picture $background"
    else
      echo "refused  $picture $background: $(tr '\n' ' ' <err)"
    fi
  done
done

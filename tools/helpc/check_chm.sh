#!/usr/bin/env bash
# Reads a compiled help file back with the distribution's CHM tools and checks it
# against the help source: LCID 1041, the title, a page for every topic, the
# contents naming every topic in source order, and every keyword in the index on
# its topic's page, all decoded from code page 932.
#   check_chm.sh FILE.chm SOURCE.txt
set -euo pipefail
chm=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "check_chm.sh: $chm: $*" >&2
  failed=1
}

# The source's own reading: title, "id<TAB>title" per topic, "id<TAB>keyword" per keyword.
awk '
  function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
  { sub(/\r$/, ""); line = trim($0) }
  line ~ /^@title[ \t]/ { print trim(substr(line, 7)) > "'"$work/title"'" }
  line ~ /^@topic[ \t]/ {
    rest = trim(substr(line, 7)); id = rest; sub(/[ \t].*/, "", id)
    print id "\t" trim(substr(rest, length(id) + 1)) > "'"$work/topics"'"
  }
  line ~ /^@keywords[ \t]/ {
    n = split(substr(line, 10), words, ";")
    for (i = 1; i <= n; ++i) print id "\t" trim(words[i]) > "'"$work/keywords"'"
  }' "$source"

# The names in a sitemap's entries, one entry a line, decoded.
names() {
  iconv -f CP932 -t UTF-8 "$1" | grep '^<LI>' |
    sed -e 's/<param name="Name" value="\([^"]*\)">.*/\1/' -e 's/^<LI>.*sitemap">//' |
    sed -e 's/&lt;/</g' -e 's/&gt;/>/g' -e 's/&quot;/"/g' -e 's/&amp;/\&/g'
}

system=$(chmls printsystem "$chm" 2>"$work/log" | tr -d '\0' | iconv -f CP932 -t UTF-8)
grep -Eq 'LCID from HHP file +: 1041$' <<<"$system" || fail "LCID is not 1041"
grep -qF "Title from [options]          :$(cat "$work/title")" <<<"$system" || fail "title is not $(cat "$work/title")"

chmls -n list "$chm" 2>>"$work/log" | tr -d ' ' >"$work/list"
while IFS=$'\t' read -r id title; do
  grep -qxF "/$id.htm" "$work/list" || fail "no page $id.htm for $title"
done <"$work/topics"

name=$(basename "$chm" .chm)
for part in hhc hhk; do
  (cd "$work" && chmls extract "$chm" "/$name.$part" "$work/$name.$part" >/dev/null 2>>"$work/log") ||
    fail "no /$name.$part"
done
names "$work/$name.hhc" >"$work/contents"
cut -f2 "$work/topics" | diff - "$work/contents" >&2 || fail "contents differ from the source's topics"

while IFS=$'\t' read -r id keyword; do
  iconv -f CP932 -t UTF-8 "$work/$name.hhk" | grep -F "value=\"$keyword\">" |
    grep -qF "value=\"$id.htm\"" || fail "keyword $keyword not in the index on $id.htm"
done <"$work/keywords"
# Each keyword once, merged without regard to ASCII case as the .hlp merges them.
expected=$(cut -f2 "$work/keywords" | LC_ALL=C tr a-z A-Z | sort -u | wc -l)
[ "$(names "$work/$name.hhk" | wc -l)" -eq "$expected" ] || fail "index entries are not the $expected keywords"
[ "$failed" -eq 0 ] || sed 's/^/    /' "$work/log" >&2
exit "$failed"

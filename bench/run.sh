#!/usr/bin/env bash
# Builds what the benchmarks need, makes their data in a Wine prefix of their own
# (build/bench/wine), measures, and prints one table that also goes to
# build/bench/results.tsv. Every figure is the ratio of two medians measured in
# the same run. BENCH_RUNS sets how many runs each median takes (7).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${BENCH_RUNS:-7}
build="$root/build/win64"
out="$root/build/bench"
mkdir -p "$out"

# The gigabyte file is sparse; where the file system cannot make holes it is written whole.
avail_kib=$(df -Pk "$out" | awk 'NR == 2 { print $4 }')
if [ "$avail_kib" -lt $((3 * 1024 * 1024)) ]; then
  echo "bench: fewer than 3 GiB free below $out" >&2
  exit 1
fi

"$root/scripts/setup.sh" >&2
"$root/scripts/build.sh" win64 ZORVAND zorvand_bench bare_dialog host_wavtheme >&2
# The library of localised event names that today's scheme layout points to.
"$root/scripts/build.sh" win64 event_names >&2
"$root/bench/build_native.sh" "$out"

# Wine's own complaints go to a log, shown when a step fails.
wine() { "$root/scripts/wine.sh" "$out" exec "$@" </dev/null 2>>"$out/wine.log" | tr -d '\r'; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }

"$root/scripts/wine.sh" "$out" start
eval "$("$root/scripts/wine.sh" "$out" env)"
drive="$ZORVAND_DRIVES/d"
cleanup() {
  local rc=$?
  if [ "$rc" -ne 0 ] && [ -s "$out/wine.log" ]; then tail -n 20 "$out/wine.log" >&2; fi
  rm -rf "$drive/BENCH2K" "$drive/BENCH10K" "$drive/PREVIEW"
  "$root/scripts/wine.sh" "$out" stop
}
trap cleanup EXIT

: >"$out/wine.log"
echo "bench: making the data" >&2
"$out/bench_native" data "$drive" "$out/scheme.reg"
iconv -f UTF-8 -t UTF-16 "$out/scheme.reg" >"$out/scheme-utf16.reg"
wine regedit /S "$(winpath "$out/scheme-utf16.reg")" >/dev/null

bench="$build/bench/zorvand_bench.exe"
raw="$out/raw.txt"
: >"$raw"
echo "bench: start-up" >&2
wine "$bench" startup "$runs" "$(winpath "$build/app/ZORVAND.EXE")" "$(winpath "$build/bench/bare_dialog.exe")" >>"$raw"
echo "bench: start-up with further applications" >&2
wine "$bench" apps "$runs" "$(winpath "$build/app/ZORVAND.EXE")" >>"$raw"
echo "bench: a scheme applied" >&2
wine "$bench" schemes "$runs" >>"$raw"
echo "bench: in process" >&2
wine "$bench" inproc "$runs" 'D:\BENCH10K' 'D:\PREVIEW\big.wav' 'D:\PREVIEW\small.wav' BenchEvent199 >>"$raw"
echo "bench: memory" >&2
# A process's peak cannot be reset: each run is a process of its own.
for _ in $(seq "$runs"); do wine "$bench" memory 'D:\BENCH10K'; done >"$out/memory.txt"
median() { cut -d' ' -f"$1" "$out/memory.txt" | sort -n | sed -n "$(((runs + 1) / 2))p"; }
echo "memory $(median 2) $(median 3)" >>"$raw"
echo "bench: start-up on today's scheme layout" >&2
wine "$bench" layouts "$runs" "$(winpath "$build/app/ZORVAND.EXE")" \
  "$(winpath "$build/tests/fixtures/event_names.dll")" >>"$raw"
echo "bench: chunk walk against ffprobe" >&2
big="$drive/PREVIEW/big.wav"
if [ "$("$out/bench_native" isbj "$big")" != "$(ffprobe -v error -show_entries format_tags=ISBJ -of default=nw=1:nk=1 "$big")" ]; then
  echo "bench: the two readers disagree on the ISBJ text" >&2
  exit 1
fi
printf 'chunkwalk %s\n' "$("$out/bench_native" runs "$runs" "$out/bench_native" isbj "$big" -- \
  ffprobe -v error -show_entries format_tags=ISBJ -of default=nw=1:nk=1 "$big")" >>"$raw"

# The 64 MiB file of 8 Mi empty chunks: the dialog showing it in process against
# one walk's floor (the sizes below), the portable walk against ffprobe's, and
# wavtheme against a copy that is flushed to the disk as wavtheme flushes its result.
many="$drive/PREVIEW/many.wav"
echo "bench: a file of many chunks" >&2
wine "$bench" walk "$runs" 'D:\PREVIEW\many.wav' >>"$raw"
printf 'manywalk %s\n' "$("$out/bench_native" runs "$runs" "$out/bench_native" walk "$many" -- \
  ffprobe -v error -show_entries format_tags=ISBJ -of default=nw=1:nk=1 "$many")" >>"$raw"
# The build machine's wavtheme, from the tools tree that this build uses.
wavtheme="$(sed -n 's/^ZORVAND_HOST_DIR:PATH=//p' "$build/CMakeCache.txt")/bin/wavtheme"
printf 'edit %s\n' "$("$out/bench_native" runs "$runs" "$wavtheme" set "$many" --text x -o "$out/edited.wav" -- \
  dd if="$many" of="$out/copied.wav" bs=1M conv=fsync status=none)" >>"$raw"
for _ in $(seq "$runs"); do "$out/bench_native" peak "$wavtheme" set "$many" --text x -o "$out/edited.wav"; done |
  sort -n | sed -n "$(((runs + 1) / 2))p" | awk '{ print "editmemory", $1, 64 * 1048576 }' >>"$raw"
rm -f "$out/edited.wav" "$out/copied.wav"
printf 'sizes %s\n' "$("$out/bench_native" sizes "$runs" "$many")" >>"$raw"

# metric, what is measured against what, goal
awk -v tsv="$out/results.tsv" '
  BEGIN {
    order = "startup refill preview chunkwalk select memory walk manywalk edit editmemory layouts schemes apps"
    name["startup"] = "1 start-up, 200 events, 2,000 files vs bare dialog";      goal["startup"] = 1.5
    name["refill"] = "2 RefreshFileList, 10,000 files vs FindFirstFile";         goal["refill"] = 3
    name["preview"] = "3 ReadPicture+ReadDescription, 1 GiB vs 1 MiB";          goal["preview"] = 1.2
    name["chunkwalk"] = "4 ISBJ of 1 GiB, portable reader vs ffprobe";          goal["chunkwalk"] = 0.1
    name["select"] = "5 OnSelchangeEventList vs refill alone";                  goal["select"] = 1.3
    name["memory"] = "6 peak working set, browsed vs started";                   goal["memory"] = 2
    name["walk"] = "7 showing a chosen sound, 8 Mi chunks vs one walk";         goal["walk"] = 1.5
    name["manywalk"] = "8 walk of 8 Mi chunks, portable reader vs ffprobe";     goal["manywalk"] = 0.1
    name["edit"] = "9 wavtheme set --text, 8 Mi chunks vs dd with fsync";       goal["edit"] = 3
    name["editmemory"] = "10 wavtheme set --text peak memory vs 64 MiB";         goal["editmemory"] = 1
    name["layouts"] = "11 start-up, 60 events, current layout vs old";         goal["layouts"] = 1.2
    name["schemes"] = "12 scheme applied and OK, 200 events vs start-up";        goal["schemes"] = 1.5
    name["apps"] = "13 start-up with 5 applications of 20 events vs row 1"; goal["apps"] = 1.05
  }
  { ours[$1] = $2; ref[$1] = $3 }
  # Row 7 is measured against the floor of one walk of the same file.
  $1 == "walk" { read = $3 }
  function show(m, v) { return m ~ /memory/ ? sprintf("%.1f MiB", v / 1048576) : sprintf("%.1f ms", v * 1000) }
  END {
    ref["walk"] = ours["sizes"]
    fmt = "%-54s %12s %12s %7s %7s  %s\n"
    printf fmt, "metric", "ours", "reference", "ratio", "goal", ""
    print "metric\tours\treference\tratio\tgoal\tmet" > tsv
    n = split(order, keys, " ")
    for (i = 1; i <= n; ++i) {
      k = keys[i]
      r = ours[k] / ref[k]
      met = r <= goal[k] ? "met" : "MISSED"
      printf fmt, name[k], show(k, ours[k]), show(k, ref[k]), sprintf("%.2f", r), "<= " goal[k], met
      printf "%s\t%s\t%s\t%.3f\t%s\t%s\n", name[k], ours[k], ref[k], r, goal[k], met > tsv
    }
    printf "floor of rows 7 and 9: following the sizes of the %d headers in memory, nothing checked, %s a walk;\n",
      ref["sizes"], show("sizes", ours["sizes"])
    printf "the dialog walks the file once (row 7; reading the whole file in 64 KiB blocks took %s), wavtheme six times (row 9)\n",
      show("walk", read)
  }' "$raw" | tee "$out/results.txt"

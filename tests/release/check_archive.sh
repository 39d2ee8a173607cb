#!/usr/bin/env bash
# The release archive as a user gets it. The same bytes when written again. Its
# entries: names in order, stored in UTF-8 under the zip's UTF-8 flag, one
# timestamp, sound contents; the read-me in code page 932 with CRLF line ends, as
# its source says. Then unpacked into a fresh folder on the runtime's drive C:,
# where release_tests lists it and starts its ZORVAND.EXE.
#   check_archive.sh BUILD ARCHIVE RELEASE_TESTS.EXE README_SOURCE VERSION -- WRITER...
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?usage: check_archive.sh BUILD ARCHIVE RELEASE_TESTS.EXE README_SOURCE VERSION -- WRITER...}
archive=${2:?}
tests_exe=${3:?}
readme=${4:?}
version=${5:?}
shift 6
work=$(mktemp -d)
# The prefix exists once the runtime has started.
"$root/scripts/wine.sh" "$build" start
unpacked=$(mktemp -d "$build/wine/prefix/drive_c/release-check.XXXXXX")
trap 'rm -rf "$work" "$unpacked"' EXIT

# Written twice for one SOURCE_DATE_EPOCH, seconds apart: the same bytes, every
# entry dated at that time.
SOURCE_DATE_EPOCH=1700000000 "$@" "$work/first.zip"
sleep 2
SOURCE_DATE_EPOCH=1700000000 "$@" "$work/second.zip"
if ! cmp "$work/first.zip" "$work/second.zip"; then
  echo "FAIL: the archive written again differs"
  exit 1
fi
python3 - "$work/first.zip" <<'PY'
import sys, zipfile
dates = {i.date_time for i in zipfile.ZipFile(sys.argv[1]).infolist()}
if dates != {(2023, 11, 14, 22, 13, 20)}:
    sys.exit(f"FAIL: entries dated {sorted(dates)}, not at SOURCE_DATE_EPOCH 1700000000")
print("PASS: the same bytes when written again, every entry dated at SOURCE_DATE_EPOCH")
PY

python3 - "$archive" "$readme" "$version" "$unpacked" <<'PY'
import sys, zipfile
archive, readme, version, unpacked = sys.argv[1:]
failed = []
def check(ok, what):
    print(("PASS: " if ok else "FAIL: ") + what)
    if not ok:
        failed.append(what)

samples = ["チャイム", "ベル", "和音", "終了", "起動", "通知"]
expected = (["ZORVAND.EXE", "ZORVAND.hlp", "ZORVAND.chm", "お読みください.txt", "サンプル/"] +
            [f"サンプル/{name}.wav" for name in samples])
with zipfile.ZipFile(archive) as z:
    infos = z.infolist()
    names = [i.filename for i in infos]
    check(names == expected, f"entries in order: {names}")
    for i in infos:
        utf8 = bool(i.flag_bits & 0x800)
        check(utf8 == (not i.filename.isascii()), f"{i.filename}: UTF-8 flag {'set' if utf8 else 'clear'}")
    check(len({i.date_time for i in infos}) == 1, f"one timestamp: {sorted({i.date_time for i in infos})}")
    check(z.testzip() is None, "every entry's CRC")
    for name in samples:
        data = z.read(f"サンプル/{name}.wav")
        check(data[:4] == b"RIFF" and data[8:12] == b"WAVE" and b"DISP" in data and name.encode("cp932") in data,
              f"{name}.wav: a wave file with its picture and its description")
    raw = z.read("お読みください.txt")
    try:
        text = raw.decode("cp932")
        check(True, "the read-me decodes from code page 932")
    except UnicodeDecodeError as e:
        check(False, f"the read-me decodes from code page 932: {e}")
        text = ""
    check(raw.count(b"\n") > 0 and raw.count(b"\n") == raw.count(b"\r\n") == raw.count(b"\r"),
          "every line of the read-me ends in CRLF")
    source = open(readme, encoding="utf-8").read().replace("@VERSION@", version)
    check(text.replace("\r\n", "\n") == source, f"the read-me is its source with version {version}")
    z.extractall(unpacked)
sys.exit(1 if failed else 0)
PY

windows_dir="C:\\$(basename "$unpacked")"
ZORVAND_RELEASE_DIR=$windows_dir "$root/scripts/wine.sh" "$build" exec "$tests_exe"
